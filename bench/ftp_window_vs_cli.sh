#!/usr/bin/env bash
# The FTP window's share of the upload throughput: one publishing run of a 200 MB enclosure with
# its RSS and project files through the FTP window (offscreen, bench/ftp_window_bench.cpp)
# against `quillpost-cli publish`, both whole processes, on the same pyftpdlib server on
# loopback. Runs alternate so a busy machine weighs on both alike; both send every file on every
# run (date check off).
# Usage: bench/ftp_window_vs_cli.sh [RUNS]   (QP_BENCH_BUILD_DIR: a Release build folder)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${QP_BENCH_BUILD_DIR:-build-bench}
runs=${1:-5}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQP_BENCH=ON -DQP_TESTS=OFF >/dev/null
nice cmake --build "$build" --target quillpost-cli ftp_window_bench -j2 | tail -n 20
cli=$root/$build/src/cli/quillpost-cli
window=$root/$build/bench/ftp_window_bench

work=$(mktemp -d /tmp/qp-window-bench-XXXXXX)
mkdir "$work/root" "$work/show"
# shellcheck source=bench/ftp_server.sh
source bench/ftp_server.sh # run from the repository root
start_bench_server
head -c $((200 * 1024 * 1024)) /dev/urandom >"$work/show/ep.mp3"
write_project "$work/show/show.qprj" "$work/show/ep.mp3"

now() { date +%s.%N; }
for round in $(seq "$runs"); do
    start=$(now)
    (cd "$work/show" && QUILLPOST_FTP_PASSWORD=bench "$cli" publish show.qprj \
        --no-date-check >/dev/null)
    echo "$start $(now)" >>"$work/cli"
    start=$(now)
    QT_QPA_PLATFORM=offscreen QP_BENCH_PROJECT="$work/show/show.qprj" QP_BENCH_PASSWORD=bench \
        "$window" --benchmark_format=csv 2>/dev/null | grep '^"BM_' >>"$work/window-own"
    echo "$start $(now)" >>"$work/window"
done
cmp "$work/show/ep.mp3" "$work/root/media/ep.mp3"

/usr/bin/python3 - "$work" "$runs" <<'PY'
import sys
work, runs = sys.argv[1], int(sys.argv[2])
def times(name):
    return [float(e) - float(s) for s, e in (l.split() for l in open(f"{work}/{name}"))]
cli, window = times("cli"), times("window")
# The benchmark's own time of the run, without the process start (csv: name,iterations,real,...).
own = [float(l.split(",")[2]) / 1000 for l in open(f"{work}/window-own")]
fmt = lambda t: " ".join(f"{x:.3f}" for x in t)
med = lambda t: sorted(t)[len(t) // 2]
print(f"pyftpdlib on 127.0.0.1, 200 MB + RSS + project, {runs} runs each, seconds")
print(f"quillpost-cli publish (process) : {fmt(cli)}")
print(f"FTP window (process)            : {fmt(window)}")
print(f"FTP window (run, in process)    : {fmt(own)}")
print(f"median window/cli = {med(window) / med(cli):.3f}  "
      f"(MB/s: cli {200 / med(cli):.0f}, window {200 / med(window):.0f})")
PY
