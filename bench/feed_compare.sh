#!/usr/bin/env bash
# Times our RSS build of the 10,000-item benchmark document against the npm package `feed`
# building the same items, and against a plain copy of the output's bytes as the floor.
# Usage: bench/feed_compare.sh [BUILD_FOLDER]   (a Release build with -DQP_BENCH=ON)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build-bench}
bench_exe=$build/bench/rss_bench

if [[ ! -x $bench_exe ]]; then
    echo "no $bench_exe: configure with -DCMAKE_BUILD_TYPE=Release -DQP_BENCH=ON and build rss_bench" >&2
    exit 1
fi
if [[ ! -d $here/node_modules/feed ]]; then
    npm install --prefix "$here" --no-audit --no-fund >&2
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$bench_exe" --dump-items="$tmp/items.json"
"$bench_exe" --benchmark_filter='^BM_(BuildRssMemory|CopyOutput)$' --benchmark_repetitions=5 \
    --benchmark_format=json >"$tmp/ours.json"
node "$here/feed_compare.mjs" "$tmp/items.json" "$tmp/ours.json"
