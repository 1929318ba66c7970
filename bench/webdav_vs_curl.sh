#!/usr/bin/env bash
# Times a whole publishing run to a WebDAV share (Apache on loopback, scripts/webdav_server.sh)
# against curl sending the same files to the same share over one connection (one command with
# -T/URL pairs). Each run of ours is a process of its own (bench/webdav_publish: the job, its
# connection, each file PUT under its part name and moved into place); the runs alternate between
# the tools so a busy machine weighs on both alike, and every run replaces the copies of the one
# before. The cases:
# - one 200 MB enclosure with its RSS and project files;
# - 200 enclosures of 4 KB; here also curl doing what the job does, each file PUT under its part
#   name and moved into place (MOVE), in one command: the floor of that way of sending.
# Usage: bench/webdav_vs_curl.sh [RUNS]   (QP_BENCH_BUILD_DIR: a Release build folder)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${QP_BENCH_BUILD_DIR:-build-bench}
runs=${1:-5}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQP_BENCH=ON -DQP_TESTS=OFF >/dev/null
cmake --build "$build" --target webdav_publish -j2 | tail -n 20
ours=$root/$build/bench/webdav_publish

work=$(mktemp -d /tmp/qp-dav-bench-XXXXXX)
chmod 711 "$work" # as root, the server's workers run as another account
cleanup() {
    scripts/webdav_server.sh stop "$work/server" || true
    rm -rf "$work"
}
trap cleanup EXIT
address=$(scripts/webdav_server.sh start "$work/server")
user=$(cat "$work/server/user")
password=$(cat "$work/server/password")
share=$work/server/www/dav

mkdir "$work/small" "$work/large"
head -c $((200 * 1024 * 1024)) /dev/urandom >"$work/large/ep.mp3"
head -c $((120 * 1024)) /dev/urandom | base64 >"$work/large/show.xml"
head -c $((6 * 1024)) /dev/urandom | base64 >"$work/large/show.qprj"
large_ours=() large_curl=()
for f in ep.mp3 show.xml show.qprj; do
    remote=site/$f
    [ "$f" = ep.mp3 ] && remote=site/media/$f
    large_ours+=("$work/large/$f=$remote")
    large_curl+=(-T "$work/large/$f" "$address$remote")
done
small_ours=() small_curl=() small_moved=()
for i in $(seq -w 1 200); do
    head -c 4096 /dev/urandom >"$work/small/ep$i.mp3"
    small_ours+=("$work/small/ep$i.mp3=site/small/ep$i.mp3")
    small_curl+=(-T "$work/small/ep$i.mp3" "${address}site/small/ep$i.mp3")
    part=${address}site/small/.ep$i.mp3.part
    small_moved+=(--next -sS --fail -u "$user:$password" -H Expect: -T "$work/small/ep$i.mp3" "$part"
        --next -sS --fail -u "$user:$password" -X MOVE -H "Overwrite: T"
        -H "Destination: ${address}site/small/ep$i.mp3" "$part")
done

export QP_DAV_ADDRESS=$address QP_DAV_USER=$user QP_DAV_PASSWORD=$password
# The first run makes the folders, which curl does not.
"$ours" "${large_ours[@]}" "${small_ours[@]}"

now() { date +%s.%N; }
timed() { # NAME COMMAND...: appends the command's seconds to $work/NAME
    local start
    start=$(now)
    "${@:2}" >/dev/null
    echo "$start $(now)" | awk '{ print $2 - $1 }' >>"$work/$1"
}
curl_put() { curl -sS --fail --max-time 600 -u "$user:$password" "$@"; }

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for _ in $(seq "$runs"); do
    timed ours-large "$ours" "${large_ours[@]}"
    timed curl-large curl_put "${large_curl[@]}"
    timed ours-small "$ours" "${small_ours[@]}"
    timed curl-small curl_put "${small_curl[@]}"
    timed moved-small curl "${small_moved[@]}"
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
cmp "$work/large/ep.mp3" "$share/site/media/ep.mp3"
cmp "$work/small/ep200.mp3" "$share/site/small/ep200.mp3"

/usr/bin/python3 - "$work" "$runs" "$load_before" "$load_after" "$(nproc)" <<'PY'
import statistics, sys
work, runs, before, after, cores = sys.argv[1:6]
def times(name):
    return [float(l) for l in open(f"{work}/{name}")]
print(f"Apache 2.4 mod_dav on 127.0.0.1, {runs} runs each, alternating; {cores} cores, "
      f"load {before} before, {after} after")
for case, what in (("large", "200 MB enclosure + feed + project"), ("small", "200 files of 4 KB")):
    ours, curl = times(f"ours-{case}"), times(f"curl-{case}")
    print(f"{what}:")
    print(f"  quillpost  best {min(ours):7.3f} s  median {statistics.median(ours):7.3f} s")
    print(f"  curl -T    best {min(curl):7.3f} s  median {statistics.median(curl):7.3f} s")
    print(f"  ours/curl  best {min(ours) / min(curl):5.2f}x  "
          f"median {statistics.median(ours) / statistics.median(curl):5.2f}x")
    if case == "small":
        moved = times("moved-small")
        print(f"  curl PUT+MOVE best {min(moved):7.3f} s  median {statistics.median(moved):7.3f} s"
              f"  (ours/that: median {statistics.median(ours) / statistics.median(moved):5.2f}x)")
PY
