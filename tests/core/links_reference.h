// The link markup as a plain step-by-step walk, shared by the tests and the fuzz target as the
// reference the fast ConvertLinks is checked against.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>

namespace qp::reference {

// The link pass exactly as first described: the text is rewritten in place and the next search
// starts one character after the former "[", so the HTML just made is scanned again. With
// rescan false the search resumes after that HTML instead, which is the rule ConvertLinks
// keeps. nested reports whether some HTML made held a "[" (the only case where the two differ).
std::string reference_links(std::string t, bool rescan, bool* nested = nullptr) {
    std::size_t p = 0;
    for (;;) {
        const std::size_t open = t.find('[', p);
        if (open == std::string::npos)
            break;
        std::size_t close = open;
        std::size_t next_open = open;
        std::size_t match = std::string::npos;
        for (;;) {
            close = t.find(']', close + 1);
            if (close == std::string::npos)
                break;
            if (next_open != std::string::npos)
                next_open = t.find('[', next_open + 1);
            if (next_open == std::string::npos || next_open > close) {
                match = close;
                break;
            }
        }
        p = open + 1;
        if (match == std::string::npos)
            continue;
        const std::string inner = t.substr(open + 1, match - open - 1);
        if (!inner.empty() && (inner.front() == ' ' || inner.back() == ' '))
            continue;
        std::string target = inner;
        std::string label;
        if (const std::size_t sp = inner.rfind(' '); sp != std::string::npos) {
            target = inner.substr(sp + 1);
            label = inner.substr(0, sp);
        }
        std::string ext;
        if (const std::size_t dot = target.rfind('.'); dot != std::string::npos) {
            for (std::size_t k = dot + 1;
                 k < target.size() && target[k] != '/' && target[k] != '\\'; ++k)
                ext += static_cast<char>(std::tolower(static_cast<unsigned char>(target[k])));
        }
        std::string r;
        if (target.empty()) {
        } else if (!ext.empty() &&
                   std::string("jpg;jpeg;png;tiff").find(ext) != std::string::npos) {
            r = "<img src=\"" + target + "\"";
            if (!label.empty())
                r += " alt=\"" + label + "\"";
            r += ">";
        } else if (target[0] == '#' && label.empty()) {
            r = "<a name=\"" + target.substr(1) + "\"></a>";
        } else if (target.find('@') != std::string::npos) {
            r = "<a href=\"mailto:" + target + "\">" + (label.empty() ? target : label) + "</a>";
        } else {
            r = "<a href=\"" + target + "\">" + (label.empty() ? target : label) + "</a>";
        }
        t.replace(open, match - open + 1, r);
        if (nested && r.find('[') != std::string::npos)
            *nested = true;
        if (!rescan)
            p = open + std::max<std::size_t>(r.size(), 1);
    }
    return t;
}

} // namespace qp::reference
