"""Reads an RSS file as podcast applications do and prints what they see, one key=value a line.

feedparser gives most values. It keeps only "yes" and "clean" of itunes:explicit (so "true" and
"false" read as None), and only the attributes of podcast:locked and podcast:funding; those
values come from Python's own XML reader instead, under keys starting with "xml.".
"""
import calendar
import sys
import xml.etree.ElementTree as ET

import feedparser

ITUNES = "{http://www.itunes.com/dtds/podcast-1.0.dtd}"
PODCAST = "{https://podcastindex.org/namespace/1.0}"
ITUNES_SCHEME = "http://www.itunes.com/"


def show(key, value):
    print(f"{key}={str(value).replace(chr(10), '|')}")


def utc(parsed):
    return calendar.timegm(parsed) if parsed else "none"


def main(path):
    feed = feedparser.parse(path)
    if feed.bozo:
        show("bozo", feed.bozo_exception)
    channel = feed.feed
    show("itunes_tags", ",".join(t.term for t in channel.tags if t.scheme == ITUNES_SCHEME))
    for key in ("itunes_type", "itunes_new-feed-url", "itunes_block", "itunes_complete",
                "itunes_explicit", "podcast_guid", "subtitle", "summary"):
        show(key, channel.get(key))
    owner = channel.get("publisher_detail", {})
    show("owner_name", owner.get("name"))
    show("owner_email", owner.get("email"))
    show("locked_owner", channel.get("podcast_locked", {}).get("owner"))
    show("funding_url", channel.get("podcast_funding", {}).get("url"))
    show("updated", utc(channel.get("updated_parsed")))
    show("title", channel.get("title"))
    show("items", len(feed.entries))

    for n, entry in enumerate(feed.entries):
        prefix = f"item{n}."
        for key in ("itunes_episode", "itunes_season", "itunes_episodetype", "itunes_explicit",
                    "itunes_duration", "subtitle"):
            show(prefix + key, entry.get(key))
        show(prefix + "image", entry.get("image", {}).get("href"))
        show(prefix + "itunes_summary", entry.get("content", [{}])[0].get("value"))
        show(prefix + "keywords",
             ",".join(t.term for t in entry.get("tags", []) if t.scheme == ITUNES_SCHEME))
        transcript = entry.get("podcast_transcript", {})
        show(prefix + "transcript_url", transcript.get("url"))
        show(prefix + "transcript_type", transcript.get("type"))
        show(prefix + "published", utc(entry.get("published_parsed")))
        show(prefix + "title", entry.get("title"))
        show(prefix + "id", entry.get("id"))
        enclosure = (entry.get("enclosures") or [{}])[0]
        for key in ("href", "length", "type"):
            show(prefix + "enclosure_" + key, enclosure.get(key))

    channel_xml = ET.parse(path).getroot().find("channel")
    show("xml.explicit", channel_xml.findtext(ITUNES + "explicit"))
    show("xml.locked", channel_xml.findtext(PODCAST + "locked"))
    show("xml.funding", channel_xml.findtext(PODCAST + "funding"))
    for n, item in enumerate(channel_xml.findall("item")):
        show(f"item{n}.xml.explicit", item.findtext(ITUNES + "explicit"))


if __name__ == "__main__":
    main(sys.argv[1])
