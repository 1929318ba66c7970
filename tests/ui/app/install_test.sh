#!/usr/bin/env bash
# Installs the build into a scratch folder and checks what a Linux desktop and the program look
# for, then starts the desktop entry's launcher with a stand-in program.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
prefix=/opt/quillpost-test
DESTDIR="$root" cmake --install "$build" --prefix "$prefix" >/dev/null
p="$root$prefix"
fail() { echo "FAIL: $*" >&2; exit 1; }
for f in bin/quillpost-cli share/quillpost/Lang/english.Lng "share/quillpost/Lang/français.Lng" \
    share/quillpost/Quillpost-Help.Html share/quillpost/Quillpost-Help-English.Html \
    share/quillpost/Historique.txt share/quillpost/History.txt share/quillpost/License.Txt \
    share/applications/quillpost.desktop share/mime/packages/quillpost.xml \
    share/icons/hicolor/scalable/apps/quillpost.svg share/icons/hicolor/48x48/apps/quillpost.png; do
    [ -s "$p/$f" ] || fail "$f is missing"
done
grep -qx "Exec=$prefix/share/quillpost/quillpost-launch %f" "$p/share/applications/quillpost.desktop" ||
    fail "the desktop entry does not start the launcher"
grep -q 'pattern="\*.qprj"' "$p/share/mime/packages/quillpost.xml" || fail "no .qprj glob"

# A stand-in for the program reports the folder it runs in and its arguments.
mkdir -p "$p/bin"
printf '#!/bin/sh\necho "$PWD"\nfor a do echo "$a"; done\n' >"$p/bin/quillpost"
chmod +x "$p/bin/quillpost"
mkdir -p "$root/docs"
out=$(cd "$root/docs" && XDG_DATA_HOME="$root/data" "$p/share/quillpost/quillpost-launch" ep.qprj -portable)
expected=$(printf '%s\n%s\n%s' "$root/data/quillpost" "$root/docs/ep.qprj" "-portable")
[ "$out" = "$expected" ] || fail "launcher ran as: $out"
out=$(env -u XDG_DATA_HOME HOME="$root/home" "$p/share/quillpost/quillpost-launch")
[ "$out" = "$root/home/.local/share/quillpost" ] || fail "launcher without XDG_DATA_HOME ran in: $out"
echo "install ok"
