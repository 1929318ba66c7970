#!/usr/bin/env bash
# Times `quillpost-cli publish` of 200 enclosures of 4 KB with and without the check of the
# published addresses (whole processes), on a pyftpdlib server on loopback whose root a
# `python3 -m http.server` serves. Runs alternate so a busy machine weighs on both alike; every
# run sends everything (--no-date-check). Prints each time, the best of each and their ratio.
# Usage: bench/publish_address_check.sh [RUNS]   (QP_BENCH_BUILD_DIR: a Release build folder)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${QP_BENCH_BUILD_DIR:-build-bench}
runs=${1:-5}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQP_BENCH=ON -DQP_TESTS=OFF >/dev/null
cmake --build "$build" --target quillpost-cli -j2 | tail -n 20
cli=$root/$build/src/cli/quillpost-cli

work=$(mktemp -d /tmp/qp-check-bench-XXXXXX)
mkdir "$work/root"
# shellcheck source=bench/ftp_server.sh
source bench/ftp_server.sh
start_bench_server
/usr/bin/python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work/root" \
    >"$work/web.log" 2>&1 &
web_pid=$!
trap 'kill $web_pid 2>/dev/null || true; cleanup' EXIT
for _ in $(seq 200); do grep -q ' port ' "$work/web.log" 2>/dev/null && break; sleep 0.1; done
web_port=$(sed -nE '1s/.* port ([0-9]+).*/\1/p' "$work/web.log")

mkdir "$work/small"
small=()
for i in $(seq -w 1 200); do
    head -c 4096 /dev/urandom >"$work/small/ep$i.mp3"
    small+=("$work/small/ep$i.mp3")
done
write_project "$work/small/show.qprj" "${small[@]}"
# The channel link is the public address of the channel's folder "site/".
printf '@Link:@\thttp://127.0.0.1:%s/site/\r\n' "$web_port" >>"$work/small/show.qprj"

now() { date +%s.%N; }
for round in $(seq "$runs"); do
    for mode in on off; do
        extra=()
        [[ $mode == off ]] && extra=(--no-address-check)
        start=$(now)
        (cd "$work/small" && QUILLPOST_FTP_PASSWORD=bench "$cli" publish show.qprj \
            --no-date-check "${extra[@]}" >"$work/out-$mode")
        echo "$start $(now)" >>"$work/$mode"
    done
done
# The check ran and found everything.
grep -q 'Sent, but' "$work/out-on" && { echo "the check found a missing file"; exit 1; }

/usr/bin/python3 - "$work" "$runs" <<'PY'
import sys
work, runs = sys.argv[1], int(sys.argv[2])
def times(name):
    return [float(e) - float(s) for s, e in (l.split() for l in open(f"{work}/{name}"))]
on, off = times("on"), times("off")
fmt = lambda t: " ".join(f"{x:.3f}" for x in t)
print(f"200 files of 4 KB, pyftpdlib and http.server on 127.0.0.1, {runs} runs each, seconds")
print(f"with the address check   : {fmt(on)}")
print(f"without                  : {fmt(off)}")
print(f"best with / best without = {min(on) / min(off):.2f}")
PY
