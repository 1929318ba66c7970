// Writes a podcast feed of three episodes from each of two feed generators, as podcasters' tools
// make them: podcast.xml (npm "podcast") and feed.xml (npm "feed"). Titles hold an ampersand and
// accented letters; the iTunes elements are those each generator can write.
// Usage: node make_feeds.mjs FOLDER
import { writeFileSync } from "node:fs";
import { join } from "node:path";
import { createRequire } from "node:module";
import { Feed } from "feed";

const require = createRequire(import.meta.url);
const { Podcast } = require("podcast");

const folder = process.argv[2];
const site = "https://gen.example/show";

const episodes = [1, 2, 3].map((n) => ({
    title: `Épisode ${n} : Crème & Brûlée`,
    guid: `gen-episode-${n}`,
    link: `${site}/${n}?a=1&b=2`,
    // One in summer, one in winter, one on a day boundary in many zones.
    date: new Date(["2024-07-01T08:00:00Z", "2024-12-01T23:30:00Z", "2025-01-15T00:15:00Z"][n - 1]),
    url: `${site}/media/episode-${n}.mp3`,
    length: 1000000 * n + 17,
    type: "audio/mpeg",
    seconds: 600 * n + 7,
    description: `Notes for épisode ${n} <b>with markup</b> & more`,
}));

const podcast = new Podcast({
    title: "Gén & Co: Crème",
    description: "A show made by a generator",
    feedUrl: `${site}/podcast.xml`,
    siteUrl: site,
    imageUrl: `${site}/art.jpg`,
    author: "Zoë Doe",
    language: "fr",
    copyright: "2024 Zoë Doe",
    pubDate: new Date("2025-01-16T09:00:00Z"),
    ttl: 60,
    itunesAuthor: "Zoë Doe",
    itunesOwner: { name: "Zoë Doe", email: "zoe@gen.example" },
    itunesExplicit: false,
    itunesCategory: [{ text: "Arts", subcats: [{ text: "Food" }] }],
    itunesImage: `${site}/art.jpg`,
    itunesType: "episodic",
});
for (const e of episodes)
    podcast.addItem({
        title: e.title,
        description: e.description,
        url: e.link,
        guid: e.guid,
        date: e.date,
        enclosure: { url: e.url, size: e.length, type: e.type },
        itunesAuthor: "Zoë Doe",
        itunesExplicit: e.seconds > 1200,
        itunesDuration: e.seconds,
        itunesImage: `${site}/ep${e.seconds}.jpg`,
    });
writeFileSync(join(folder, "podcast.xml"), podcast.buildXml("  "));

const feed = new Feed({
    id: site,
    title: "Gén & Co: Crème",
    description: "A show made by a generator",
    link: site,
    language: "fr",
    image: `${site}/art.jpg`,
    copyright: "2024 Zoë Doe",
    updated: new Date("2025-01-16T09:00:00Z"),
    podcast: true,
    category: "Arts",
    author: { name: "Zoë Doe", email: "zoe@gen.example" },
});
for (const e of episodes)
    feed.addItem({
        title: e.title,
        id: e.guid,
        guid: e.guid,
        link: e.link,
        date: e.date,
        description: e.description,
        audio: { url: e.url, length: e.length, type: e.type, duration: e.seconds },
    });
writeFileSync(join(folder, "feed.xml"), feed.rss2());
