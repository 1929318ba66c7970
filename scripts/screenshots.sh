#!/usr/bin/env bash
# Builds the program, starts it in French and in English with two documents open, and writes a
# PNG of the main window, its menus and its pop-up menus into a folder it prints.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${QP_SCREENSHOT_BUILD_DIR:-build-shots}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQP_TESTS=OFF >/dev/null
nice cmake --build "$build" --parallel 2 --target quillpost >/dev/null
out=$(mktemp -d /tmp/quillpost-shots-XXXXXX)
for lang in français english; do
    work=$(mktemp -d)
    cp examples/podcast.qprj "$work/podcast.qprj"
    cp examples/podcast.qprj "$work/second.qprj"
    printf 'MainLang=%s\r\nMainWindowW=900\r\nMainWindowH=600\r\n' "$lang" >"$work/Quillpost.ini"
    printf 'LastDoc0=%%MainApp%%podcast.qprj\r\nLastDoc1=%%MainApp%%second.qprj\r\n' \
        >"$work/Quillpost-Last.ini"
    mkdir -p "$out/$lang"
    (cd "$work" && QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} QP_SCREENSHOT_DIR="$out/$lang" \
        timeout 60 "$root/$build/src/app/quillpost")
    rm -rf "$work"
done
echo "$out"
