#!/usr/bin/env bash
# Installs the build into a scratch prefix, then builds against it, as a host would, with
# no C++ standard of its own:
# - tests/consumer, which asks for the component and platform only, with libpq, curses, Qt
#   and SQLite hidden from CMake, and runs it;
# - every installed header on its own;
# - each example of examples/, and runs it on the sample ledger.
#   run.sh BUILD_DIR SOURCE_DIR LEDGER [CXX_FLAGS]
# The prefix and the builds are kept between runs: the install replaces what changed and
# the hosts rebuild against it, so a rerun after a small change is quick.
set -euo pipefail
build=$1 src=$2 ledger=$3 flags=${4:-}
prefix="$build/consumer-prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

# host NAME SOURCE [CMAKE_ARGS...]: configures and builds a host project against the prefix.
host() {
  local name=$1 source=$2
  shift 2
  cmake -S "$source" -B "$build/consumer/$name" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_CXX_FLAGS="$flags" "$@" >"$build/consumer/$name.log" 2>&1 &&
    cmake --build "$build/consumer/$name" >>"$build/consumer/$name.log" 2>&1 ||
    { cat "$build/consumer/$name.log"; echo "consumer: $name does not build" >&2; exit 1; }
}
# expect NAME TEXT OUTPUT: the output of example NAME must hold TEXT.
expect() {
  grep -qF -- "$2" <<<"$3" || { printf '%s\n' "$3"; echo "consumer: $1 did not show '$2'" >&2; exit 1; }
}
mkdir -p "$build/consumer"

host component "$src/tests/consumer" -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=TRUE \
  -DCMAKE_DISABLE_FIND_PACKAGE_Curses=TRUE -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=TRUE \
  -DCMAKE_DISABLE_FIND_PACKAGE_SQLite3=TRUE
"$build/consumer/component/consumer"
host headers "$src/tests/consumer/headers"

host print_toolkit "$src/examples/print_toolkit"
out=$("$build/consumer/print_toolkit/print_toolkit" "$ledger")
for text in "> 01          1002.01" "  05          1002.05" "> 02          1002.02" "(closed)" \
  "box: 1002.02"; do expect print_toolkit "$text" "$out"; done

host terminal_box "$src/examples/terminal_box"
out=$("$build/consumer/terminal_box/terminal_box" "$ledger")
for text in "科目   1002." ">#  01  1002.01  银行存款_工商银行" "第 1 行 / 共 5 行" \
  "box: 1002.02, list closed"; do expect terminal_box "$text" "$out"; done

if [ -d "$prefix/include/glnamelist/qt" ]; then
  host qt_line_edit "$src/examples/qt_line_edit"
  out=$(QT_QPA_PLATFORM=offscreen "$build/consumer/qt_line_edit/qt_line_edit" "$ledger")
  expect qt_line_edit "box: 1002.02" "$out"
fi
echo "consumer: passed"
