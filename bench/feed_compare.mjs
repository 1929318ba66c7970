// Builds the benchmark items with the npm package `feed`.
//   node feed_compare.mjs --write ITEMS OUT    build once, write OUT and end (timed as a process)
//   node feed_compare.mjs ITEMS OURS_JSON      time the build in memory and print it beside the
//                                              figures of rss_bench's JSON report
import { readFileSync, writeFileSync } from "node:fs";
import { Feed } from "feed";

function buildWithFeed(data) {
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

const args = process.argv.slice(2);
if (args[0] === "--write") {
  const [, itemsPath, outPath] = args;
  writeFileSync(outPath, buildWithFeed(JSON.parse(readFileSync(itemsPath, "utf8"))));
  process.exit(0);
}

const [itemsPath, oursPath] = args;
const data = JSON.parse(readFileSync(itemsPath, "utf8"));
const ours = JSON.parse(readFileSync(oursPath, "utf8"));

let outBytes = 0;
buildWithFeed(data); // warm-up
const times = [];
for (let i = 0; i < 7; i++) {
  const t0 = process.hrtime.bigint();
  const xml = buildWithFeed(data);
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

console.log("in memory (the build alone, median of runs):");
console.log(`  our build:            ${oursMs.toFixed(1)} ms  (${mb(data.rss_bytes, oursMs)} MB/s of output)`);
console.log(`  npm feed rss2():      ${feedMs.toFixed(1)} ms  (${mb(outBytes, feedMs)} MB/s of output)`);
console.log(`  copy of output bytes: ${copyMs.toFixed(2)} ms  (${mb(data.rss_bytes, copyMs)} MB/s)`);
console.log(`  feed / ours: ${(feedMs / oursMs).toFixed(1)}x   ours / copy: ${(oursMs / copyMs).toFixed(1)}x`);
