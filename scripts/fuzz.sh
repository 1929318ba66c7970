#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
#   bash scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
seconds=${1:-60}
shift || true
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQP_FUZZ=ON -DQP_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
    >/dev/null
cmake --build "$build" --parallel "$(nproc)"
targets=("$@")
if ((${#targets[@]} == 0)); then
    for f in fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
status=0
for t in "${targets[@]}"; do
    corpus=fuzz/corpus-$t
    mkdir -p "$corpus"
    seeds=()
    [ -d "fuzz/seeds/$t" ] && seeds=("fuzz/seeds/$t")
    echo "== $t ($seconds s)"
    if ! "./$build/fuzz/$t" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
        -print_final_stats=0 "$corpus" "${seeds[@]}" 2>"$build/$t.log"; then
        echo "!! $t found a fault: see $build/$t.log and the crash-* file"
        tail -n 30 "$build/$t.log"
        status=1
    else
        grep -E '^#[0-9]+.*DONE' "$build/$t.log" | tail -n 1 || true
    fi
done
exit $status
