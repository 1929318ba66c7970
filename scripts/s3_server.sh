#!/usr/bin/env bash
# A private S3-compatible store on loopback for tests and benchmarks: one monitor, one OSD kept in
# memory and the object gateway, all state under DIR.
#   scripts/s3_server.sh start DIR [BUCKET]  prints ENDPOINT=, ACCESS_KEY=, SECRET_KEY=, BUCKET=
#   scripts/s3_server.sh stop DIR            ends every daemon it started and removes DIR
set -euo pipefail

usage() {
    echo "usage: $0 start|stop DIR [BUCKET]" >&2
    exit 2
}
[[ $# -ge 2 ]] || usage
action=$1
dir=$(realpath -m "$2")
bucket=${3:-quillpost}

free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Waits up to $1 tenths of a second for the command that follows to succeed.
wait_for() {
    local tries=$1
    shift
    while ((tries-- > 0)); do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.1
    done
    return 1
}

stop_all() {
    local pids=() name pid
    for name in rgw osd mon; do
        [[ -f "$dir/$name.pid" ]] && pids+=("$(cat "$dir/$name.pid")")
    done
    ((${#pids[@]})) || return 0
    kill "${pids[@]}" 2>/dev/null || true
    local alive
    # The state is thrown away: a daemon slow to end gets a second, then is killed.
    for _ in $(seq 10); do
        alive=0
        for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
        ((alive)) || break
        sleep 0.1
    done
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
    rm -f "$dir"/{rgw,osd,mon}.pid
}

fail() {
    echo "s3_server: $*" >&2
    if [[ -d "$dir/log" ]]; then tail -n 20 "$dir"/log/*.log >&2 2>/dev/null || true; fi
    stop_all
    exit 1
}

case $action in
stop)
    stop_all
    rm -rf "$dir"
    exit 0
    ;;
start) ;;
*) usage ;;
esac

mkdir -p "$dir"/{mon,osd,rgw,run,log}
mon_port=$(free_port)
rgw_port=$(free_port)
fsid=$(python3 -c 'import uuid; print(uuid.uuid4())')
conf="$dir/ceph.conf"
cat >"$conf" <<EOF
[global]
fsid = $fsid
mon host = v2:127.0.0.1:$mon_port
public addr = 127.0.0.1
ms bind msgr1 = false
ms mon client mode = crc
auth cluster required = none
auth service required = none
auth client required = none
run dir = $dir/run
admin socket = $dir/run/\$name.asok
log file = $dir/log/\$name.log
pid file =
keyring = $dir/keyring
osd pool default size = 1
osd pool default min size = 1
mon allow pool size one = true
osd crush chooseleaf type = 0
osd pool default pg num = 8
osd pool default pgp num = 8
osd pool default pg autoscale mode = off
mon max pg per osd = 1000
paxos propose interval = 0.1
paxos min wait = 0.01
mon data = $dir/mon/\$cluster-\$id
osd data = $dir/osd/\$cluster-\$id
osd objectstore = memstore
memstore device bytes = 4294967296
rgw data = $dir/rgw
# Replaced objects give their memory back within seconds, not hours: benchmarks send the same
# large files again and again.
rgw gc obj min wait = 1
rgw gc processor period = 2
[client.rgw.a]
rgw frontends = beast endpoint=127.0.0.1:$rgw_port
EOF
ceph_cmd() { timeout 20 ceph -c "$conf" "$@"; }

monmaptool --create --fsid "$fsid" --addv a "[v2:127.0.0.1:$mon_port]" "$dir/monmap" >/dev/null ||
    fail "monmaptool failed"
ceph-mon -c "$conf" --mkfs -i a --monmap "$dir/monmap" >/dev/null 2>&1 || fail "ceph-mon --mkfs failed"
ceph-mon -c "$conf" -f -i a >"$dir/log/mon.out" 2>&1 &
echo $! >"$dir/mon.pid"
wait_for 200 ceph_cmd mon stat || fail "the monitor did not start"

osd_uuid=$(python3 -c 'import uuid; print(uuid.uuid4())')
osd_id=$(ceph_cmd osd new "$osd_uuid") || fail "ceph osd new failed"
mkdir -p "$dir/osd/ceph-$osd_id"
ceph-osd -c "$conf" --mkfs -i "$osd_id" --osd-uuid "$osd_uuid" >/dev/null 2>&1 ||
    fail "ceph-osd --mkfs failed"
ceph-osd -c "$conf" -f -i "$osd_id" >"$dir/log/osd.out" 2>&1 &
echo $! >"$dir/osd.pid"
osd_up() { ceph_cmd osd dump | grep -q "^osd\.$osd_id up"; }
wait_for 300 osd_up || fail "the OSD did not come up"

radosgw -c "$conf" -f -n client.rgw.a >"$dir/log/rgw.out" 2>&1 &
echo $! >"$dir/rgw.pid"
endpoint="http://127.0.0.1:$rgw_port"
wait_for 300 curl -sf -o /dev/null "$endpoint/" || fail "the gateway did not answer"

user_json=$(timeout 30 radosgw-admin -c "$conf" -n client.rgw.a user create --uid=tester \
    --display-name=Tester 2>/dev/null) || fail "radosgw-admin user create failed"
read -r access_key secret_key < <(python3 -c '
import json, sys
k = json.load(sys.stdin)["keys"][0]
print(k["access_key"], k["secret_key"])' <<<"$user_json")

# The bucket, made with a signed PUT; the store needs the payload hash header.
curl -sf -o /dev/null -X PUT --aws-sigv4 "aws:amz:us-east-1:s3" --user "$access_key:$secret_key" \
    -H "x-amz-content-sha256: UNSIGNED-PAYLOAD" "$endpoint/$bucket" || fail "the bucket cannot be made"

echo "ENDPOINT=$endpoint"
echo "ACCESS_KEY=$access_key"
echo "SECRET_KEY=$secret_key"
echo "BUCKET=$bucket"
