#!/usr/bin/env bash
# The RSS job as a user runs it, against the npm package `feed` building the same items, in one go:
# 1. whole processes: `quillpost-cli rss` on the 10,000-item benchmark project (read, stamp, save
#    with sync, build, write) and `node feed_compare.mjs --write` (read the items, build, write),
#    each run RUNS times in turn from a fresh copy; median wall and CPU time, and peak memory;
# 2. in memory: the RSS build alone against feed's rss2(), and a plain copy of the output.
# Usage: bench/feed_compare.sh [BUILD_FOLDER]   (a Release build with -DQP_BENCH=ON that has
# built rss_bench and quillpost-cli)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build-bench}
runs=${RUNS:-5}
bench_exe=$build/bench/rss_bench
cli=$build/src/cli/quillpost-cli

for exe in "$bench_exe" "$cli"; do
    if [[ ! -x $exe ]]; then
        echo "no $exe: configure with -DCMAKE_BUILD_TYPE=Release -DQP_BENCH=ON and build" \
            "rss_bench and quillpost-cli" >&2
        exit 1
    fi
done
if [[ ! -x /usr/bin/time ]]; then
    echo "needs /usr/bin/time (Debian package time)" >&2
    exit 1
fi
if [[ ! -d $here/node_modules/feed ]]; then
    npm install --prefix "$here" --no-audit --no-fund >&2
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/run"

"$bench_exe" --dump-items="$tmp/items.json" --write-project="$tmp/bench.qprj"

# One line per run: wall seconds, CPU seconds (user + system), peak resident kilobytes.
timed() {
    local log=$1
    shift
    /usr/bin/time -f "%e %U %S %M" -o "$tmp/time" "$@" >/dev/null
    awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$tmp/time" >>"$log"
}
for ((i = 0; i < runs; i++)); do
    rm -f "$tmp"/run/*
    cp "$tmp/bench.qprj" "$tmp/run/bench.qprj"
    timed "$tmp/ours.txt" "$cli" rss "$tmp/run/bench.qprj"
    timed "$tmp/feed.txt" node "$here/feed_compare.mjs" --write "$tmp/items.json" "$tmp/run/feed.xml"
done

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
column_median() { awk -v c="$2" '{ print $c }' "$1" | median; }
awk -v runs="$runs" -v load="$(cut -d' ' -f1-3 /proc/loadavg)" \
    -v pb="$(stat -c %s "$tmp/run/bench.qprj")" -v rb="$(stat -c %s "$tmp/run/bench.Xml")" \
    -v fb="$(stat -c %s "$tmp/run/feed.xml")" \
    -v ow="$(column_median "$tmp/ours.txt" 1)" -v oc="$(column_median "$tmp/ours.txt" 2)" \
    -v op="$(column_median "$tmp/ours.txt" 3)" \
    -v fw="$(column_median "$tmp/feed.txt" 1)" -v fc="$(column_median "$tmp/feed.txt" 2)" \
    -v fp="$(column_median "$tmp/feed.txt" 3)" 'BEGIN {
    printf "whole process, median of %d runs (load average now %s):\n", runs, load
    printf "  project %.1f MB, our RSS file %.1f MB, feed'"'"'s %.1f MB\n", pb / 1e6, rb / 1e6, fb / 1e6
    printf "  quillpost-cli rss: %.2f s wall, %.2f s CPU, peak %.0f MB (%.2fx the project and RSS bytes)\n",
        ow, oc, op * 1024 / 1e6, op * 1024 / (pb + rb)
    printf "  node + feed:       %.2f s wall, %.2f s CPU, peak %.0f MB\n", fw, fc, fp * 1024 / 1e6
    printf "  feed / ours: %.1fx wall, %.1fx CPU\n", fw / ow, fc / oc
}'

"$bench_exe" --benchmark_filter='^BM_(BuildRssMemory|CopyOutput)$' --benchmark_repetitions=5 \
    --benchmark_format=json >"$tmp/ours.json"
node "$here/feed_compare.mjs" "$tmp/items.json" "$tmp/ours.json"
