#!/usr/bin/env bash
# Sets up, builds, and runs the program's main job on the sample podcast project:
# the project file becomes its RSS file beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQP_TESTS=OFF >/dev/null
cmake --build build --parallel "$(nproc)"
work=$(mktemp -d)
cp examples/podcast.qprj "$work/"
rss=$(./build/src/cli/quillpost-cli rss "$work/podcast.qprj")
echo "RSS file: $rss"
./build/src/cli/quillpost-cli show "$work/podcast.qprj"
