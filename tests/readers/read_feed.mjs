// Reads an RSS file with two podcast feed readers and prints what each saw, one key=value a line
// ("partytime.item0.title=..."): the channel's title and build date, and each episode's title,
// guid, date, enclosure and duration, and for partytime the address and type of its chapters and
// the podcast namespace's elements it kept, each as JSON under "podcast." ("null" when dropped).
// Dates are seconds since 1970 UTC, "null" when unread; line breaks in values show as "|".
// Usage: node read_feed.mjs FEED.xml
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";

const require = createRequire(import.meta.url);
const { parseFeed } = require("podcast-partytime");
const Parser = require("rss-parser");

const ms = (value) => {
    if (value === undefined || value === null || value === "") return null;
    const t = value instanceof Date ? value.getTime() : Date.parse(value);
    return Number.isNaN(t) ? null : t / 1000;
};

const xml = readFileSync(process.argv[2], "utf8");

// partytime's fields for the namespace's elements, by the names the lines give them.
const channelElements = {
    guid: "guid",
    locked: "locked",
    lockedOwner: "podcastOwner",
    people: "podcastPeople",
    location: "podcastLocation",
    trailers: "trailers",
    license: "license",
    medium: "medium",
    blocked: "podcastBlocked",
    blockedPlatforms: "podcastBlockedPlatforms",
    txt: "podcastTxt",
    podroll: "podroll",
    value: "value",
};
const itemElements = {
    people: "podcastPeople",
    location: "podcastLocation",
    season: "podcastSeason",
    episode: "podcastEpisode",
    soundbites: "podcastSoundbites",
    alternates: "alternativeEnclosures",
    transcripts: "podcastTranscripts",
    value: "value",
    content: "content",
};
const elements = (object, names) =>
    Object.fromEntries(
        Object.entries(names).map(([name, field]) => [
            `podcast.${name}`,
            object[field] === undefined ? null : JSON.stringify(object[field]),
        ]),
    );

const partytime = (() => {
    const feed = parseFeed(xml);
    if (!feed) return null;
    return {
        title: feed.title ?? null,
        built: ms(feed.lastBuildDate),
        ...elements(feed, channelElements),
        items: (feed.items ?? []).map((e) => ({
            title: e.title ?? null,
            guid: e.guid ?? null,
            date: ms(e.pubDate),
            url: e.enclosure?.url ?? null,
            length: e.enclosure?.length ?? null,
            type: e.enclosure?.type ?? null,
            duration: e.duration ?? null,
            chapters: e.podcastChapters ? `${e.podcastChapters.url} ${e.podcastChapters.type}` : null,
            ...elements(e, itemElements),
        })),
    };
})();

const rssParser = await (async () => {
    const feed = await new Parser({ customFields: { item: ["itunes:duration"] } }).parseString(xml);
    return {
        title: feed.title ?? null,
        built: ms(feed.lastBuildDate),
        items: (feed.items ?? []).map((e) => ({
            title: e.title ?? null,
            guid: e.guid ?? null,
            date: ms(e.pubDate),
            url: e.enclosure?.url ?? null,
            length: e.enclosure?.length === undefined ? null : Number(e.enclosure.length),
            type: e.enclosure?.type ?? null,
            duration: e.itunes?.duration ?? e["itunes:duration"] ?? null,
        })),
    };
})();

const lines = [];
const show = (key, value) => lines.push(`${key}=${String(value ?? null).replace(/\n/g, "|")}`);
for (const [reader, feed] of Object.entries({ partytime, "rss-parser": rssParser })) {
    if (!feed) {
        show(reader, "unreadable");
        continue;
    }
    for (const [key, value] of Object.entries(feed))
        if (key !== "items") show(`${reader}.${key}`, value);
    show(`${reader}.items`, feed.items.length);
    feed.items.forEach((item, n) => {
        for (const [key, value] of Object.entries(item)) show(`${reader}.item${n}.${key}`, value);
    });
}
process.stdout.write(lines.join("\n") + "\n");
