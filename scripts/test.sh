#!/usr/bin/env bash
# Sets up, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${QP_TEST_BUILD_DIR:-build-test}
# The benchmarks and the window pictures are not tests: .ci/run builds them after the tests.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQP_SANITIZE=ON -DQP_TESTS=ON -DQP_BENCH=OFF
cmake --build "$build" --parallel "$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 600
