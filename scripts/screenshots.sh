#!/usr/bin/env bash
# Builds the program, starts it in French and in English with two documents open, and writes a
# PNG of the main window, its menus and its pop-up menus into a folder it prints; then the
# message box, the text, log, history, about, update-wait and error windows, in both languages.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${QP_SCREENSHOT_BUILD_DIR:-build-shots}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQP_TESTS=ON >/dev/null
nice cmake --build "$build" --parallel 2 --target quillpost requester_shots window_shots \
    docwin_shots find_shots lang_editor_shots pref_shots feed_window_shots ftpwin_shots \
    media_shots check_shots import_shots >/dev/null
out=$(mktemp -d /tmp/quillpost-shots-XXXXXX)
for lang in français english; do
    work=$(mktemp -d)
    cp examples/podcast.qprj "$work/podcast.qprj"
    cp examples/podcast.qprj "$work/second.qprj"
    printf 'MainLang=%s\r\nMainWindowW=900\r\nMainWindowH=600\r\n' "$lang" >"$work/Quillpost.ini"
    printf 'LastDoc0=%%MainApp%%podcast.qprj\r\nLastDoc1=%%MainApp%%second.qprj\r\n' \
        >"$work/Quillpost-Last.ini"
    mkdir -p "$out/$lang"
    (cd "$work" && QUILLPOST_HOME="$work" QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} QP_SCREENSHOT_DIR="$out/$lang" \
        timeout 60 "$root/$build/src/app/quillpost")
    rm -rf "$work"
done
mkdir -p "$out/dialogs"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
"$build/tests/ui/requester_shots" "$out/dialogs" >/dev/null
"$build/tests/ui/window_shots" "$out/dialogs" "$root" >/dev/null
"$build/tests/ui/docwin_shots" "$out/dialogs" "$root" >/dev/null
"$build/tests/ui/find_shots" "$out/dialogs" "$root" >/dev/null
"$build/tests/ui/lang_editor_shots" "$out/dialogs" "$root" >/dev/null
"$build/tests/ui/pref_shots" "$out/dialogs" "$root" >/dev/null
"$build/tests/ui/feed_window_shots" "$out/dialogs" >/dev/null
"$build/tests/ui/ftpwin_shots" "$out/dialogs" >/dev/null
"$build/tests/ui/media_shots" "$out/dialogs" >/dev/null
"$build/tests/ui/check_shots" "$out/dialogs" "$root" >/dev/null
"$build/tests/ui/import_shots" "$out/dialogs" "$root" >/dev/null
echo "$out"
