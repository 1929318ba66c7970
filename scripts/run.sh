#!/usr/bin/env bash
# Sets up, builds and starts the desktop program on a copy of the sample podcast project. Without
# a display it says so and builds the sample's RSS file with the command-line tool instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQP_TESTS=OFF >/dev/null
cmake --build build --parallel "$(nproc)"
work=$(mktemp -d)
cp -r examples/podcast.qprj examples/audio "$work/"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run: no display (DISPLAY and WAYLAND_DISPLAY are empty); building the sample's RSS file instead"
    rss=$(./build/src/cli/quillpost-cli rss "$work/podcast.qprj")
    echo "RSS file: $rss"
    ./build/src/cli/quillpost-cli show "$work/podcast.qprj"
    exit 0
fi
program=$(pwd)/build/src/app/quillpost
echo "run: starting Quillpost in $work"
# Stored paths with %MainApp% in the sample are taken from the folder the program starts in.
cd "$work"
exec "$program" podcast.qprj
