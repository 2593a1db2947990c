#!/usr/bin/env bash
# Runs every benchmark program of an optimised build and keeps the results beside it, under
# a throwaway PostgreSQL server for the ledger's server cases.
#   bench/run_all.sh build/release
set -euo pipefail
build=${1:-build/release}
out="$build/bench-results"
mkdir -p "$out"
shopt -s nullglob
ran=0
for b in "$build"/bench/*_bench; do
  name=$(basename "$b")
  echo "== $name"
  "$(dirname "$0")/../tests/ledger/pg_cluster.sh" run \
    "$b" --benchmark_out="$out/$name.json" --benchmark_out_format=json | tee "$out/$name.txt"
  ran=$((ran + 1))
done
[ "$ran" -gt 0 ] || { echo "no benchmark programs in $build/bench" >&2; exit 1; }
