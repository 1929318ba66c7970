#include "core/document.h"

#include "core/file_io.h"
#include "core/text.h"
#include "core/texts.h"

#include <algorithm>

namespace qp {

void DocDefaults(Doc& doc) {
    doc.MaxFeed = 15;
    doc.TTL = 1440;
    doc.Port = 21;
    doc.Protocol = Protocol::Ftps; // new accounts never send the password in the clear
    doc.Flag = kAutoLastBuildDate;
    doc.TimeZone = 99999;
    doc.Format = "RssV2";
    doc.ProjectPrivate = 1;
}

void SetModified(Doc& doc, bool on) {
    if (on)
        doc.State |= kModified;
    else
        doc.State &= ~kModified;
}

std::string DocDisplayName(const Doc& doc, Texts& texts) {
    std::string name = file_part(doc.FileName);
    if (name.empty())
        return doc.SuggestedName.empty() ? texts.get("Title.New") : doc.SuggestedName;
    const std::string ext = extension_of(name);
    if (!ext.empty())
        name.resize(name.size() - ext.size() - 1);
    return name;
}

std::string Text_Clean(std::string_view s) {
    std::string out = strip_controls(s);
    std::erase(out, '*');
    return trim_spaces(out);
}

std::string Text_CleanFileName(std::string_view s, bool keep_path) {
    // "/" is already the native separator, so a kept path stays as typed.
    std::string out = Text_Clean(s);
    if (keep_path)
        return out;
    // The name can start with spaces once its folder is cut off; trimming again keeps the
    // cleaner stable when a stored value is cleaned a second time.
    return trim_spaces(file_part(out));
}

std::string project_file_name(std::string_view title) {
    const std::string name = Text_CleanFileName(title, false);
    return (name.empty() ? std::string("feed") : name) + ".qprj";
}

std::string Text_CleanPath(std::string_view s) {
    std::string out = Text_Clean(s);
    std::replace(out.begin(), out.end(), '\\', '/');
    // Every leading "/" goes, not just the first: a value that still started with one would lose
    // it on the next load, so the document would change each time it is saved and read.
    const std::size_t start = out.find_first_not_of(" /");
    if (start == std::string::npos)
        return {};
    out.erase(0, start);
    return out;
}

std::string Text_StripControl(std::string_view s, bool keep_lines) {
    return strip_controls(s, keep_lines ? std::string_view("\r\n") : std::string_view());
}

std::vector<int> feed_trim_positions(const Doc& doc, int spared) {
    std::vector<int> gone;
    // A limit below 1 comes only from a file without the setting; trimming to it would delete
    // the feed just added along with every other, so it means no limit.
    if (doc.MaxFeed < 1)
        return gone;
    const auto& feeds = doc.Feeds;
    const int limit = doc.MaxFeed;
    int left = static_cast<int>(feeds.size());
    for (int i = left - 1; i >= spared && left > limit; --i) {
        if (feeds[static_cast<std::size_t>(i)].FeedFlag & kNoAutoDelete)
            continue;
        gone.push_back(i);
        --left;
    }
    return gone;
}

int Feed_TrimToMax(Doc& doc) {
    const std::vector<int> gone = feed_trim_positions(doc, 0);
    for (const int at : gone) {
        doc.Feeds.erase(doc.Feeds.begin() + at);
        if (doc.CurrentFeed == at)
            doc.CurrentFeed = -1;
        else if (doc.CurrentFeed > at)
            --doc.CurrentFeed;
    }
    return static_cast<int>(gone.size());
}

} // namespace qp
