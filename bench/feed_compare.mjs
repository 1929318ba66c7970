// Builds the same items with the npm package `feed` and prints its time beside the figures of
// our build and of a plain copy of the output, read from rss_bench's JSON report.
import { readFileSync } from "node:fs";
import { Feed } from "feed";

const [itemsPath, oursPath] = process.argv.slice(2);
const data = JSON.parse(readFileSync(itemsPath, "utf8"));
const ours = JSON.parse(readFileSync(oursPath, "utf8"));

function buildWithFeed() {
  const c = data.channel;
  const feed = new Feed({
    title: c.title,
    description: c.description,
    id: c.link,
    link: c.link,
    language: c.language,
    copyright: c.copyright,
    image: c.image,
    updated: new Date(c.date * 1000),
    generator: "Quillpost 0,28,1305,1700",
    ttl: 1440,
  });
  for (const it of data.items) {
    feed.addItem({
      title: it.title,
      id: it.guid,
      guid: it.guid,
      link: it.link,
      description: it.description,
      author: [{ email: it.author }],
      category: it.category.split(";").map((s) => ({ name: s.trim() })).filter((x) => x.name),
      date: new Date(it.date * 1000),
      enclosure: { url: it.enclosure, length: it.length, type: it.type },
    });
  }
  return feed.rss2();
}

function median(values) {
  const s = [...values].sort((a, b) => a - b);
  return s[Math.floor(s.length / 2)];
}

let outBytes = 0;
buildWithFeed(); // warm-up
const times = [];
for (let i = 0; i < 7; i++) {
  const t0 = process.hrtime.bigint();
  const xml = buildWithFeed();
  times.push(Number(process.hrtime.bigint() - t0) / 1e6);
  outBytes = Buffer.byteLength(xml, "utf8");
}
const feedMs = median(times);

const toMs = (b) => {
  const scale = { ns: 1e-6, us: 1e-3, ms: 1, s: 1e3 }[b.time_unit];
  return b.real_time * scale;
};
const pick = (name) => {
  const runs = ours.benchmarks.filter((b) => b.name === name || b.run_name === name);
  if (!runs.length) throw new Error(`no figure for ${name}`);
  return median(runs.map(toMs));
};
const oursMs = pick("BM_BuildRssMemory");
const copyMs = pick("BM_CopyOutput");
const mb = (bytes, ms) => ((bytes / 1e6) / (ms / 1e3)).toFixed(0);

console.log(`items: ${data.items.length}, our RSS file ${(data.rss_bytes / 1e6).toFixed(1)} MB, feed's ${(outBytes / 1e6).toFixed(1)} MB`);
console.log(`our build (memory):   ${oursMs.toFixed(1)} ms  (${mb(data.rss_bytes, oursMs)} MB/s of output)`);
console.log(`npm feed rss2():      ${feedMs.toFixed(1)} ms  (${mb(outBytes, feedMs)} MB/s of output)`);
console.log(`copy of output bytes: ${copyMs.toFixed(2)} ms  (${mb(data.rss_bytes, copyMs)} MB/s)`);
console.log(`feed / ours: ${(feedMs / oursMs).toFixed(1)}x   ours / copy: ${(oursMs / copyMs).toFixed(1)}x`);
