// What a podcast directory will say of a feed, found before it is published: errors make the
// directory refuse the feed, warnings make it show badly. Each finding is explained through a
// language key, so the user reads it in their own language.
#pragma once

#include "core/document.h"

#include <string>
#include <string_view>
#include <vector>

namespace qp {

class Paths;
class Texts;

enum class CheckLevel { Error, Warning };

struct CheckFinding {
    CheckLevel level = CheckLevel::Error;
    int feed = -1;                   // index of the episode in doc.Feeds, -1 for the channel
    std::string key;                 // language key of the explanation
    std::vector<std::string> params; // the values of its %s1%, %s2%, ... in order

    friend bool operator==(const CheckFinding&, const CheckFinding&) = default;
};

// Every finding on the document, the channel's first, then each episode's in list order.
// Files named by the document (enclosures, artwork) are looked at on disk, placeholders resolved
// through paths.
std::vector<CheckFinding> feed_check(const Doc& doc, const Paths& paths);

// True when at least one finding is an error.
bool check_has_error(const std::vector<CheckFinding>& findings);

// The date mask the check proposes in place of the document's, empty when it proposes none.
std::string check_proposed_date_mask(const std::vector<CheckFinding>& findings);
// Gives the document the date mask and marks it modified.
void check_use_date_mask(Doc& doc, std::string_view mask);

// The finding as the user reads it: which episode (its own number when it has one, and its
// title) or the channel, then the explanation.
std::string check_text(const Doc& doc, const CheckFinding& finding, Texts& texts);

} // namespace qp
