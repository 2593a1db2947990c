# Set-up, build, test and demo on a Debian machine.
#   make test    installs what is missing, builds with sanitizers, runs every test
#   make demo    installs what is missing, builds, opens the voucher-entry form
#   make demo-qt the same form on the desktop (Qt 6 Widgets)
#   make picture regenerates the README's picture of the desktop form (docs/)
#   make bench   builds optimised and runs the benchmarks against SQLite
SHELL := /bin/bash
JOBS ?= $(shell nproc)
PACKAGES := cmake make g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
            libsqlite3-dev sqlite3 libicu-dev libroaring-dev libncursesw5-dev tmux clang \
            libclang-rt-14-dev libpq-dev postgresql qt6-base-dev qt6-base-private-dev \
            qt6-translations-l10n fonts-wqy-microhei ccache clang-format
TEST_BUILD := build/test
REL_BUILD := build/release
FUZZ_BUILD := build/fuzz
LEDGER ?=
FUZZ_SECONDS ?= 60
# ccache, when installed, keeps the compiled files of repeated builds (CI's among them).
# Paths under the checkout are hashed relative to it, so that any clone shares the cache.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
export CCACHE_BASEDIR ?= $(CURDIR)

.PHONY: deps test release demo demo-qt picture bench fuzz format clean

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  SUDO=$$( [ $$(id -u) -eq 0 ] || echo sudo ); \
	  $$SUDO apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi

$(TEST_BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(TEST_BUILD) -DCMAKE_BUILD_TYPE=Debug -DGLNAMELIST_SANITIZE=ON $(LAUNCHER)

test: deps $(TEST_BUILD)/CMakeCache.txt
	cmake --build $(TEST_BUILD) -j $(JOBS)
	ctest --test-dir $(TEST_BUILD) --output-on-failure -j $(JOBS)

$(REL_BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(REL_BUILD) -DCMAKE_BUILD_TYPE=Release -DGLNAMELIST_BUILD_TESTS=OFF \
	  -DGLNAMELIST_BUILD_BENCH=ON $(LAUNCHER)

release: deps $(REL_BUILD)/CMakeCache.txt
	cmake --build $(REL_BUILD) -j $(JOBS)

demo: deps $(REL_BUILD)/CMakeCache.txt
	cmake --build $(REL_BUILD) -j $(JOBS) --target glvoucher glledger
	$(REL_BUILD)/bin/glvoucher $(if $(LEDGER),--ledger $(LEDGER))

demo-qt: deps $(REL_BUILD)/CMakeCache.txt
	cmake --build $(REL_BUILD) -j $(JOBS) --target glvoucher-qt glledger
	$(REL_BUILD)/bin/glvoucher-qt $(if $(LEDGER),--ledger $(LEDGER))

# The README's picture: a voucher's first line, and 1002's children dropped down on the next.
picture: deps $(REL_BUILD)/CMakeCache.txt
	cmake --build $(REL_BUILD) -j $(JOBS) --target glvoucher-qt glledger glnamelist_sample_ledger
	cd $(REL_BUILD) && QT_QPA_PLATFORM=offscreen ./bin/glvoucher-qt --ledger sample.ledger \
	  --screenshot $(CURDIR)/docs/glvoucher-qt.png \
	  --keys '付货款<Tab>2202<Tab>002<Tab>01.<Enter><Tab><Tab>1000<Tab><Tab>付货款<Tab>1002.'

bench: release
	bench/run_all.sh $(REL_BUILD)

fuzz: deps
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER) \
	  -DGLNAMELIST_BUILD_TESTS=OFF -DGLNAMELIST_BUILD_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target recordset_filter_fuzzer
	mkdir -p $(FUZZ_BUILD)/corpus
	$(FUZZ_BUILD)/fuzz/recordset_filter_fuzzer $(FUZZ_BUILD)/corpus fuzz/corpus \
	  -max_total_time=$(FUZZ_SECONDS)

format:
	git ls-files '*.h' '*.cc' | xargs clang-format -i

clean:
	rm -rf build
