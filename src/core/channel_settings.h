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

// One entry of a closed choice: the value stored and the language key of the text shown. The
// first entry of each list below is the empty value, which states nothing and writes nothing.
struct ChoiceItem {
    std::string_view value;
    std::string_view key;
};

inline constexpr ChoiceItem kChannelExplicitChoices[] = {{"", "Doc\\Directory.NotStated"},
                                                         {"true", "Doc\\Directory.ExplicitYes"},
                                                         {"false", "Doc\\Directory.ExplicitNo"}};
inline constexpr ChoiceItem kChannelTypeChoices[] = {{"", "Doc\\Directory.NotStated"},
                                                     {"episodic", "Doc\\Directory.Episodic"},
                                                     {"serial", "Doc\\Directory.Serial"}};
inline constexpr ChoiceItem kChannelLockedChoices[] = {{"", "Doc\\Podcast.NotStated"},
                                                       {"yes", "Doc\\Podcast.LockedYes"},
                                                       {"no", "Doc\\Podcast.LockedNo"}};

// The directory's top-level categories, or the subcategories of category (empty when it has
// none or is not listed), each after an entry "" for none.
std::vector<ChoiceItem> channel_category_choices();
std::vector<ChoiceItem> channel_sub_category_choices(std::string_view category);

struct TimeZoneItem {
    std::string text;
    int value;
};

// "Auto" (the automatic value), then "GMT-12" to "GMT12" hour by hour.
std::vector<TimeZoneItem> time_zone_items();

// Cleans, in place, the channel texts a window has just stored as typed: one-line texts lose
// their control characters, links and the image address become relative paths, the directory
// and funding addresses (always absolute) and the namespace's codes, rules and amounts are only
// trimmed, the RSS file name loses its folders,
// and the format is the only one there is. The server, the user, the FTP folder and the values
// of closed choices are left as they are.
void channel_clean_typed(Doc& doc);

// The address the RSS file gets once published: its file name joined to the channel link. Empty
// for any format but RSS 2.0, and for a document that has neither an RSS file name nor a project
// file name to take it from.
std::string channel_public_link(const Doc& doc);

// The feed's identity in the podcast namespace: the one an imported feed stated, else made from
// its public address; empty while that address is not absolute (no channel link yet) or there is
// none.
std::string channel_podcast_guid(const Doc& doc);

// The publishing protocols in the order they are listed, each with the language key of its name.
struct ProtocolItem {
    Protocol value;
    std::string_view key;
};
inline constexpr ProtocolItem kChannelProtocols[] = {{Protocol::Ftp, "Doc\\FTP.ProtocolFtp"},
                                                     {Protocol::Ftps, "Doc\\FTP.ProtocolFtps"},
                                                     {Protocol::Sftp, "Doc\\FTP.ProtocolSftp"},
                                                     {Protocol::S3, "Doc\\FTP.ProtocolS3"},
                                                     {Protocol::WebDav, "Doc\\FTP.ProtocolDav"}};

// The language keys of the account's fields as the protocol names them: an S3 store has an
// endpoint, an access key id and a secret key; a WebDAV share an address.
struct AccountLabels {
    std::string_view server;
    std::string_view user;
    std::string_view password;
    std::string_view folder;
};
AccountLabels account_labels(Protocol protocol);

// Where a server of the protocol listens unless told otherwise: 22 for SFTP, else 21.
int protocol_default_port(Protocol protocol);
// The port to show once the protocol changes: the new protocol's default when port was the old
// one's, else port as the user set it.
int protocol_proposed_port(Protocol old_protocol, Protocol new_protocol, int port);

} // namespace qp
