#!/usr/bin/env bash
# Format and static checks, one line per problem: clang-format over src/ tests/ bench/ fuzz/,
# the floors of src/ (scripts/check_includes.py), and clang-tidy 14 over src/ with the build's
# compile_commands.json. Installs nothing: run scripts/setup.sh first on a fresh machine.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QP_LINT_BUILD_DIR:-build-lint}
jobs=$(nproc)
problems=0

for tool in clang-format clang-tidy-14 cmake python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "lint: $tool is missing; run scripts/setup.sh"
        exit 1
    fi
done

# Prints the problem lines of a tool's output and counts them.
report() {
    local lines
    lines=$(grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error): ' "$1" | sort -u || true)
    if [ -n "$lines" ]; then
        printf '%s\n' "$lines"
        problems=$((problems + $(printf '%s\n' "$lines" | wc -l)))
    fi
}
out=$(mktemp)
trap 'rm -f "$out"' EXIT

mapfile -t sources < <(find src tests bench fuzz \( -name '*.cpp' -o -name '*.h' \) | sort)
clang-format --dry-run -Werror "${sources[@]}" 2>&1 |
    awk -F: '/: error: / && !seen[$1]++ { print $1 ":" $2 ":" $3 ": error: not clang-formatted (clang-format -i fixes the file)" }' >"$out" || true
report "$out"

# No file includes a header of a floor above or beside its own.
floors=0
python3 scripts/check_includes.py >"$out" || floors=$?
if [ "$floors" -ne 0 ]; then
    cat "$out"
    found=$(grep -c . "$out" || true)
    problems=$((problems + (found > 0 ? found : 1)))
fi

# Configuring is enough: clang-tidy needs the compile commands, not the objects.
# Without precompiled headers, so that a file missing an include of its own is reported.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQP_TESTS=OFF -DQP_PCH=OFF >/dev/null
mapfile -t tidy_sources < <(find src -name '*.cpp' | sort)
status=0
printf '%s\n' "${tidy_sources[@]}" |
    xargs -P "$jobs" -n 2 clang-tidy-14 -p "$build" --quiet >"$out" 2>/dev/null || status=$?
before=$problems
report "$out"
# A run that failed without naming a problem must not pass for a clean one.
if [ "$status" -ne 0 ] && [ "$problems" -eq "$before" ]; then
    echo "lint: clang-tidy failed with status $status"
    problems=$((problems + 1))
fi

if [ "$problems" -ne 0 ]; then
    echo "lint: $problems problem(s)"
    exit 1
fi
echo "lint: clean"
