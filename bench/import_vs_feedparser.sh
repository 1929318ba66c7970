#!/usr/bin/env bash
# Imports a 10,000-episode feed (about 33 MB) with `quillpost-cli import` and parses the same file
# with Python's feedparser, each as a whole process, and prints the times, the peak memory and the
# ratios. The rounds alternate between the two so a busy machine weighs on both alike.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QP_BENCH_BUILD_DIR:-build-bench-import}
runs=3

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQP_TESTS=OFF >/dev/null
cmake --build "$build" --target quillpost-cli -j2 | tail -n 20

work=$(mktemp -d /tmp/qp-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 - "$work/feed.xml" <<'PY'
import random, sys
random.seed(1)
words = "lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor".split()
out = ['<?xml version="1.0" encoding="UTF-8"?><rss version="2.0" '
       'xmlns:itunes="http://www.itunes.com/dtds/podcast-1.0.dtd" '
       'xmlns:podcast="https://podcastindex.org/namespace/1.0"><channel><title>Big show</title>'
       '<link>https://big.example/</link><description>A big feed</description>'
       '<itunes:author>Someone</itunes:author><itunes:image href="https://big.example/a.jpg"/>\n']
for i in range(10000):
    text = " ".join(random.choice(words) for _ in range(450))
    out.append(f'<item><title>Episode {i}</title><link>https://big.example/{i}</link>'
               f'<guid isPermaLink="false">ep-{i}</guid>'
               f'<pubDate>Mon, 01 Jul 2024 08:{i % 60:02d}:00 +0000</pubDate>'
               f'<description><![CDATA[<p>{text}</p>]]></description>'
               f'<enclosure url="https://cdn.big.example/{i}.mp3" length="{1000 + i}" '
               f'type="audio/mpeg"/><itunes:duration>{i % 3600}</itunes:duration>'
               f'<podcast:person role="guest">Guest {i}</podcast:person></item>\n')
out.append('</channel></rss>\n')
open(sys.argv[1], 'w').write(''.join(out))
PY
size=$(stat -c %s "$work/feed.xml")

for round in $(seq "$runs"); do
    rm -f "$work/feed.qprj"
    /usr/bin/time -f "%e %M" -a -o "$work/ours" \
        "$build/src/cli/quillpost-cli" import "$work/feed.xml" -o "$work/feed.qprj" >/dev/null
    /usr/bin/time -f "%e %M" -a -o "$work/feedparser" /usr/bin/python3 -c \
        "import feedparser, sys; assert len(feedparser.parse(sys.argv[1]).entries) == 10000" \
        "$work/feed.xml"
done

/usr/bin/python3 - "$work" "$size" <<'PY'
import sys
work, size = sys.argv[1], int(sys.argv[2])
def best(name):
    rows = [tuple(map(float, line.split())) for line in open(f"{work}/{name}")]
    return min(r[0] for r in rows), max(r[1] for r in rows) * 1024
ours, theirs = best("ours"), best("feedparser")
print(f"feed: {size / 1e6:.1f} MB, 10000 episodes")
print(f"quillpost-cli import: {ours[0]:.2f} s, peak {ours[1] / 1e6:.0f} MB ({ours[1] / size:.2f}x the feed)")
print(f"feedparser:           {theirs[0]:.2f} s, peak {theirs[1] / 1e6:.0f} MB")
print(f"import is {theirs[0] / ours[0]:.1f}x faster")
PY
