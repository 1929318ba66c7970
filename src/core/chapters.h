// An episode's chapters outside the project: the JSON file podcast apps fetch through the item's
// podcast:chapters element, and the label files chapters are read from.
#pragma once

#include "core/document.h"
#include "core/result.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qp {

// The MIME type the item states for the chapters file, and the format's version the file states.
inline constexpr std::string_view kChaptersType = "application/json+chapters";
inline constexpr std::string_view kChaptersVersion = "1.2.0";

// The chapters file: {"version":"1.2.0","chapters":[{"startTime":..,"title":..}, ...]}, with
// "img" and "url" only where set.
std::string chapters_json(const std::vector<Chapter>& chapters);

// The chapters of a label file: one label a line, its start, end and text separated by TABs
// (the end and the text may be missing). Lines that start with "\" (a label's frequencies) and
// blank lines are passed over; the chapters come sorted by their start. BadInput names the first
// line whose start is not a number of seconds, or says the file holds no label.
Result<std::vector<Chapter>> chapters_from_labels(std::string_view text);

// A start as the window shows it: "m:ss" or "h:mm:ss", with the fraction of a second when there is
// one ("1:02:03.5").
std::string chapter_start_text(double seconds);
// The start typed in the window: seconds ("95.5"), "m:ss" or "h:mm:ss", each with an optional
// fraction; nullopt when it is none of these.
std::optional<double> chapter_start_of(std::string_view text);

} // namespace qp
