// The channel settings as the document window edits them: the choices of its combo boxes, the
// cleaning of what was typed, and the public address of the RSS file.
#pragma once

#include "core/document.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace qp {

// The one output format there is; every edited channel is stored with it.
inline constexpr std::string_view kFormatRssV2 = "RssV2";

// The language codes offered for a channel, in the order they are listed.
inline constexpr std::array<std::string_view, 5> kChannelLanguages = {"es", "en", "fr", "it", "us"};

struct TimeZoneItem {
    std::string text;
    int value;
};

// "Auto" (the automatic value), then "GMT-12" to "GMT12" hour by hour.
std::vector<TimeZoneItem> TimeZone_Items();

// Cleans, in place, the channel texts a window has just stored as typed: one-line texts lose
// their control characters, links and the image address become relative paths, the RSS file name
// loses its folders, and the format is the only one there is. The server, the user and the FTP
// folder are left as they are.
void Channel_CleanTyped(Doc& doc);

// The address the RSS file gets once published: its file name joined to the channel link. Empty
// for any format but RSS 2.0, and for a document that has neither an RSS file name nor a project
// file name to take it from.
std::string Channel_PublicLink(const Doc& doc);

} // namespace qp
