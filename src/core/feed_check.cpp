#include "core/feed_check.h"

#include "core/paths.h"
#include "core/texts.h"

#include <string_view>

namespace qp {

namespace {

class Findings {
public:
    explicit Findings(std::vector<CheckFinding>& out) : out_(out) {}
    void error(int feed, std::string_view key, std::vector<std::string> params = {}) {
        out_.push_back({CheckLevel::Error, feed, std::string(key), std::move(params)});
    }
    void warning(int feed, std::string_view key, std::vector<std::string> params = {}) {
        out_.push_back({CheckLevel::Warning, feed, std::string(key), std::move(params)});
    }

private:
    std::vector<CheckFinding>& out_;
};

void check_channel(const Doc& doc, Findings& found) {
    if (!(doc.Flag & kITunesInclude)) {
        found.error(-1, "Check.ITunesOff");
        return;
    }
    if (doc.iTunesCategory.empty())
        found.error(-1, "Check.NoCategory");
    if (doc.iTunesExplicit.empty())
        found.error(-1, "Check.NoExplicit");
}

} // namespace

std::vector<CheckFinding> Feed_Check(const Doc& doc, const Paths& paths) {
    (void)paths;
    std::vector<CheckFinding> out;
    Findings found(out);
    check_channel(doc, found);
    return out;
}

bool Check_HasError(const std::vector<CheckFinding>& findings) {
    for (const CheckFinding& f : findings)
        if (f.level == CheckLevel::Error)
            return true;
    return false;
}

std::string Check_Text(const Doc& doc, const CheckFinding& finding, Texts& texts) {
    const std::vector<std::string>& p = finding.params;
    const auto param = [&p](std::size_t i) { return i < p.size() ? std::string_view(p[i]) : ""; };
    std::string text = texts.get(finding.key, {param(0), param(1), param(2), param(3), param(4)});
    if (finding.feed < 0 || static_cast<std::size_t>(finding.feed) >= doc.Feeds.size())
        return texts.get("Check.Channel", {text});
    const Feed& feed = doc.Feeds[static_cast<std::size_t>(finding.feed)];
    return texts.get("Check.Episode", {std::to_string(finding.feed + 1), feed.FeedTitle, text});
}

} // namespace qp
