// Turning date values into text: the mask engine shared by the log, the feed list and the
// language files, and the dates of the RSS file with their GMT offset.
#pragma once

#include "core/clock.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qp {

// `TimeZone` value meaning "the computer's own offset at output time".
inline constexpr int kAutoTimeZone = 99999;

// The mask an empty `FormatDate` stands for, kept so stored documents keep their dates' text.
inline constexpr std::string_view kDefaultRssDateMask = "%dl, %dd %ml %yyyy %hh:%ii:%ss %gm";
// The mask a new document stores: the dates every reader takes, with a "+hhmm" zone.
inline constexpr std::string_view kStandardRssDateMask = "%dl, %dd %ml %yyyy %hh:%ii:%ss %zz";

// The local wall-clock date and time, to the second.
DateValue Now();
// The wall clock of a document's zone: of its fixed offset, or the computer's when automatic.
DateValue now_in(int time_zone);

// Tokens %yyyy %yy %mm %dd %hh %ii %ss (letters in any case); any other "%" is copied as it is.
std::string DateToText(std::string_view mask, DateValue date);
// DateToText, then %dl and %ml (any case) become the English day and month names.
std::string DateToTextEx(std::string_view mask, DateValue date);
// "GMT+" or "GMT-" and the offset formatted with mask; the offset is in hours (clamped to
// -12..12) when in_hours is set, else in seconds (clamped to -43200..43200).
std::string GmtOffsetText(std::int64_t offset, bool in_hours, std::string_view mask);
// Local time minus GMT now, in seconds, or in whole hours (truncated toward zero).
int LocalGmtOffset(bool in_hours);
// A date as the RSS file writes it: mask (default when blank) with %gm ("GMT+02:00") and %zz
// ("+0200") replaced by the offset of time_zone in whole hours, or, when time_zone is
// kAutoTimeZone, by the offset the computer's zone rules give that date, to the minute
// ("GMT+05:30", "+0530").
std::string RssDate(DateValue date, std::string_view mask, int time_zone);
// Whether text is exactly an RFC 822 date: an optional English day name and ",", a 1- or 2-digit
// day, an English month, a 2- or 4-digit year, HH:MM or HH:MM:SS, and a zone ("UT", "GMT", the
// US zones "EST" to "PDT", a military letter, or "+hhmm" / "-hhmm"); names in any letter case,
// tokens apart by spaces, nothing after the zone.
bool rfc822_valid(std::string_view text);

} // namespace qp
