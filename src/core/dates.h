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

inline constexpr std::string_view kDefaultRssDateMask = "%dl, %dd %ml %yyyy %hh:%ii:%ss %gm";

// The local wall-clock date and time, to the second.
DateValue Now();

// Tokens %yyyy %yy %mm %dd %hh %ii %ss (letters in any case); any other "%" is copied as it is.
std::string DateToText(std::string_view mask, DateValue date);
// DateToText, then %dl and %ml (any case) become the English day and month names.
std::string DateToTextEx(std::string_view mask, DateValue date);
// "GMT+" or "GMT-" and the offset formatted with mask; the offset is in hours (clamped to
// -12..12) when inHours is set, else in seconds (clamped to -43200..43200).
std::string GmtOffsetText(std::int64_t offset, bool inHours, std::string_view mask);
// Local time minus GMT now, in seconds, or in whole hours (truncated toward zero).
int LocalGmtOffset(bool inHours);
// A date as the RSS file writes it: mask (default when blank) with %gm replaced by the offset
// of timeZone, or of the computer when timeZone is kAutoTimeZone.
std::string RssDate(DateValue date, std::string_view mask, int timeZone);

} // namespace qp
