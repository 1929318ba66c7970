#include "core/chapters.h"

#include "core/json.h"
#include "core/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace qp {

namespace {

// A start in seconds: a number that is not negative, with "." or "," before its fraction (label
// files written under a locale that uses a comma have it).
std::optional<double> seconds_of(std::string_view field) {
    std::string text(trimmed(field, " \r"));
    std::replace(text.begin(), text.end(), ',', '.');
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value) || value < 0)
        return std::nullopt;
    return value;
}

} // namespace

std::string chapters_json(const std::vector<Chapter>& chapters) {
    JsonWriter json;
    json.begin_object();
    json.key("version");
    json.value(kChaptersVersion);
    json.key("chapters");
    json.begin_array();
    for (const Chapter& c : chapters) {
        json.begin_object();
        json.key("startTime");
        json.decimal(c.StartTime < 0 ? 0 : c.StartTime);
        json.key("title");
        json.value(c.Title);
        if (!c.Image.empty()) {
            json.key("img");
            json.value(c.Image);
        }
        if (!c.Url.empty()) {
            json.key("url");
            json.value(c.Url);
        }
        json.end_object();
    }
    json.end_array();
    json.end_object();
    return json.str();
}

Result<std::vector<Chapter>> chapters_from_labels(std::string_view text) {
    std::vector<Chapter> chapters;
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (trimmed(line, " \t").empty() || line.front() == '\\')
            continue;
        const std::size_t tab = line.find('\t');
        const std::optional<double> start = seconds_of(line.substr(0, tab));
        if (!start)
            return make_error(ErrorKind::BadInput,
                              "line " + std::to_string(number) + " holds no start time");
        Chapter& c = chapters.emplace_back();
        c.StartTime = *start;
        if (tab != std::string_view::npos) {
            const std::string_view rest = line.substr(tab + 1);
            const std::size_t second = rest.find('\t');
            if (second != std::string_view::npos)
                c.Title = trim_spaces(rest.substr(second + 1));
        }
    }
    if (chapters.empty())
        return make_error(ErrorKind::BadInput, "the file holds no label");
    std::stable_sort(chapters.begin(), chapters.end(),
                     [](const Chapter& a, const Chapter& b) { return a.StartTime < b.StartTime; });
    return chapters;
}

std::string chapter_start_text(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    const auto whole = static_cast<std::int64_t>(seconds);
    const auto millis =
        static_cast<int>(std::lround((seconds - static_cast<double>(whole)) * 1000));
    const std::int64_t s = whole + (millis == 1000 ? 1 : 0);
    char buf[48];
    int n =
        s >= 3600
            ? std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                            static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60))
            : std::snprintf(buf, sizeof buf, "%lld:%02lld", static_cast<long long>(s / 60),
                            static_cast<long long>(s % 60));
    std::string out(buf, static_cast<std::size_t>(std::max(n, 0)));
    if (millis != 0 && millis != 1000) {
        std::snprintf(buf, sizeof buf, ".%03d", millis);
        std::string fraction(buf);
        while (fraction.back() == '0')
            fraction.pop_back();
        out += fraction;
    }
    return out;
}

std::optional<double> chapter_start_of(std::string_view text) {
    const std::string_view t = trimmed(text, " ");
    double total = 0;
    std::size_t parts = 0;
    std::size_t from = 0;
    for (;;) {
        const std::size_t colon = t.find(':', from);
        const std::string_view part =
            t.substr(from, colon == std::string_view::npos ? colon : colon - from);
        const bool last = colon == std::string_view::npos;
        // Only the last part may have a fraction; the parts after the first stay under 60.
        if (!last && part.find_first_of(".,") != std::string_view::npos)
            return std::nullopt;
        const std::optional<double> value = seconds_of(part);
        if (!value || (parts > 0 && *value >= 60) || ++parts > 3)
            return std::nullopt;
        total = total * 60 + *value;
        if (last)
            return total;
        from = colon + 1;
    }
}

} // namespace qp
