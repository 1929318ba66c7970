#!/usr/bin/env bash
# Times the publishing job sending to an S3-compatible store (bench/s3_publish: the whole process,
# loading the project, writing the RSS file, sending every file) against curl sending the same
# objects, one PUT each over one connection, to the same store on loopback
# (scripts/s3_server.sh). Runs alternate between the tools so a busy machine weighs on both
# alike. The cases:
# - one 200 MB enclosure with its RSS and project files (ours sends the enclosure in parts, several
#   at once);
# - 200 enclosures of 4 KB with their RSS and project files, against curl sending the 200.
# Usage: bench/s3_vs_curl.sh [RUNS]   (QP_BENCH_BUILD_DIR: a Release build folder)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QP_BENCH_BUILD_DIR:-build-bench}
runs=${1:-5}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQP_BENCH=ON -DQP_TESTS=OFF >/dev/null
cmake --build "$build" --target s3_publish -j2 | tail -n 5
driver=$(pwd)/$build/bench/s3_publish

work=$(mktemp -d /tmp/qp-s3-bench-XXXXXX)
trap 'scripts/s3_server.sh stop "$work/store" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
now() { date +%s.%N; }
began=$(now)
declare -A store
while IFS='=' read -r key value; do
    store[$key]=$value
done < <(scripts/s3_server.sh start "$work/store" bench)
echo "store started in $(python3 -c "print(round($(now) - $began, 1))") s"
export QP_S3_ENDPOINT=${store[ENDPOINT]} QP_S3_BUCKET=${store[BUCKET]}
export QP_S3_ACCESS_KEY=${store[ACCESS_KEY]} QP_S3_SECRET_KEY=${store[SECRET_KEY]}
bucket_url=$QP_S3_ENDPOINT/$QP_S3_BUCKET

# shellcheck disable=SC2034 # write_project names a port; the driver replaces the account
port=0
# shellcheck source=bench/ftp_server.sh
source bench/ftp_server.sh
mkdir "$work/small" "$work/large"
small=()
for i in $(seq -w 1 200); do
    head -c 4096 /dev/urandom >"$work/small/ep$i.mp3"
    small+=("$work/small/ep$i.mp3")
done
write_project "$work/small/show.qprj" "${small[@]}"
head -c $((200 * 1024 * 1024)) /dev/urandom >"$work/large/ep.mp3"
write_project "$work/large/show.qprj" "$work/large/ep.mp3"
# The RSS files exist once the driver ran; curl sends the same files.
"$driver" "$work/large/show.qprj"
"$driver" "$work/small/show.qprj"

curl_put() { # FOLDER FILE...: one command line, one connection, one PUT per file
    local folder=$1 args=() f
    shift
    for f in "$@"; do
        args+=(-T "$f" "$bucket_url/$folder/${f##*/}")
    done
    curl -sSf --max-time 600 --aws-sigv4 "aws:amz:us-east-1:s3" \
        --user "$QP_S3_ACCESS_KEY:$QP_S3_SECRET_KEY" -H "x-amz-content-sha256: UNSIGNED-PAYLOAD" \
        -o /dev/null "${args[@]}"
}
timed() { # NAME COMMAND...: appends the command's time to $work/NAME
    local start
    start=$(now)
    "${@:2}" >/dev/null
    python3 -c "print($(now) - $start)" >>"$work/$1"
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for _ in $(seq "$runs"); do
    timed large-ours "$driver" "$work/large/show.qprj"
    timed large-curl curl_put curl-large "$work/large/ep.mp3" "$work/large/show.Xml" "$work/large/show.qprj"
done
for _ in $(seq "$runs"); do
    timed small-ours "$driver" "$work/small/show.qprj"
    timed small-curl curl_put curl-small "${small[@]}" "$work/small/show.Xml" "$work/small/show.qprj"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

# What the store holds is what was sent.
get() {
    curl -sSf --aws-sigv4 "aws:amz:us-east-1:s3" --user "$QP_S3_ACCESS_KEY:$QP_S3_SECRET_KEY" \
        -H "x-amz-content-sha256: UNSIGNED-PAYLOAD" "$bucket_url/$1"
}
cmp <(get site/media/ep.mp3) "$work/large/ep.mp3"
cmp <(get site/media/ep200.mp3) "$work/small/ep200.mp3"

python3 - "$work" "$runs" <<'EOF'
import statistics, sys
work, runs = sys.argv[1], sys.argv[2]
def times(name):
    return [float(x) for x in open(f"{work}/{name}")]
print(f"{runs} runs each, seconds (best / median); ratio = ours / curl")
for case in ("large", "small"):
    ours, curl = times(f"{case}-ours"), times(f"{case}-curl")
    print(f"{case:6} ours {min(ours):7.3f} / {statistics.median(ours):7.3f}   "
          f"curl {min(curl):7.3f} / {statistics.median(curl):7.3f}   "
          f"ratio {min(ours) / min(curl):.2f} / {statistics.median(ours) / statistics.median(curl):.2f}")
EOF
