#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, test and run Quillpost.
# Packages already present are not touched, so this is quick on a prepared machine.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    clang clang-format clang-tidy libclang-rt-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
    python3 python3-pyftpdlib curl libxml2-dev
    libxcb1-dev xvfb
    python3-feedparser python3-jsonschema nodejs
    libtag1-dev ffmpeg
    libssl-dev openssl python3-openssl libssh-dev openssh-server libcurl4-openssl-dev
    radosgw ceph-mon ceph-osd apache2-bin apache2-utils
    libsecret-1-dev gnome-keyring dbus libsecret-tools
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Debian's npm, unless the installed Node.js brings its own (a Node.js build from elsewhere does,
# and Debian's npm package cannot be installed beside it).
if ! command -v npm >/dev/null; then
    echo "setup: installing npm"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends npm
fi

# The podcast apps' feed parsers the tests read the RSS files back with, and the feed generators
# whose feeds the import tests bring in.
readers=$(cd "$(dirname "$0")/../tests/readers" && pwd)
for module in podcast-partytime rss-parser podcast feed; do
    if [[ ! -d $readers/node_modules/$module ]]; then
        echo "setup: installing the feed readers and generators of the tests"
        npm ci --prefix "$readers" --no-audit --no-fund
        break
    fi
done
