// The values the podcast namespace names for its attributes, as the feed writes them. The windows
// offer them in editable combo boxes; any other value may still be typed.
#pragma once

#include <span>
#include <string_view>

namespace qp {

// A person's role and the group it belongs to in the namespace's taxonomy, both in lower case.
struct PersonRole {
    std::string_view group;
    std::string_view role;
};
// Every role of the taxonomy in its order, grouped; a role may appear in two groups.
std::span<const PersonRole> person_roles();
// The groups in the taxonomy's order.
std::span<const std::string_view> person_groups();
// The group of a role (letter case ignored): the first one the taxonomy lists; empty when the
// taxonomy does not know the role.
std::string_view person_role_group(std::string_view role);

// What a feed holds; an "L" suffix marks a feed that lists other feeds of that medium.
inline constexpr std::string_view kMediumValues[] = {
    "podcast",    "music",       "video", "film",       "audiobook", "newsletter", "blog",
    "publisher",  "course",      "mixed", "podcastL",   "musicL",    "videoL",     "filmL",
    "audiobookL", "newsletterL", "blogL", "publisherL", "courseL"};

// Licenses a show commonly states, by their SPDX identifiers.
inline constexpr std::string_view kLicenseIds[] = {
    "CC0-1.0",          "CC-BY-4.0",       "CC-BY-SA-4.0", "CC-BY-NC-4.0", "CC-BY-NC-SA-4.0",
    "CC-BY-ND-4.0",     "CC-BY-NC-ND-4.0", "CC-BY-3.0",    "CC-BY-SA-3.0", "CC-BY-NC-SA-3.0",
    "CC-BY-NC-ND-3.0",  "CC-PDDC",         "MIT",          "Apache-2.0",   "GPL-3.0-or-later",
    "GFDL-1.3-or-later"};

// Transcript formats; any other type may be typed.
inline constexpr std::string_view kTranscriptTypes[] = {
    "text/vtt", "application/x-subrip", "application/json", "text/html", "text/plain"};
// The transcript format a file's extension names, or empty when it names none of them.
std::string_view transcript_type_for_path(std::string_view path);

// Payments: the networks, the ways of sending and the kinds of a recipient's address the
// namespace's value documents name; the first of each is the one written when none is set.
inline constexpr std::string_view kValueTypes[] = {"lightning", "bitcoin", "hive",
                                                   "webmonetization"};
inline constexpr std::string_view kValueMethods[] = {"keysend", "default", "amp", "ILP"};
inline constexpr std::string_view kRecipientTypes[] = {"node", "lnaddress", "wallet",
                                                       "paymentpointer"};

// Services a show may block by their identifiers in the namespace's list of platforms.
inline constexpr std::string_view kBlockServices[] = {
    "amazon",      "antennapod",  "anytimeplayer", "apple",        "audible",   "castamatic",
    "castbox",     "castro",      "curiocaster",   "deezer",       "fountain",  "goodpods",
    "gpodder",     "iheartradio", "listennotes",   "overcast",     "pandora",   "playerfm",
    "pocketcasts", "podbean",     "podcastaddict", "podcastindex", "podchaser", "podverse",
    "spotify",     "truefans",    "tunein",        "youtube"};

} // namespace qp
