#!/usr/bin/env bash
# Installs the build into a scratch prefix and builds and runs a host project against it.
#   run.sh BUILD_DIR SOURCE_DIR LEDGER [CXX_FLAGS]
# The prefix and the host's build are kept between runs: the install replaces what changed
# and the host relinks against it, so a rerun after a small change is quick.
set -euo pipefail
build=$1 src=$2 ledger=$3 flags=${4:-}
prefix="$build/consumer-prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
cmake -S "$src/tests/consumer" -B "$build/consumer-build" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$build/consumer-build" >/dev/null
"$build/consumer-build/consumer" "$ledger"
