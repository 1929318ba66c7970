// The link markup and the special-character pass on any text. Small inputs are also checked
// against a plain step-by-step walk of the link rules.
#include "core/html_text.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The step-by-step walk: the text is rewritten in place and, with rescan, the next search
// starts inside the HTML just made; without it, after that HTML (the rule ConvertLinks keeps).
std::string reference_links(std::string t, bool rescan, bool* nested) {
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
        if (const std::size_t dot = target.rfind('.'); dot != std::string::npos)
            for (std::size_t k = dot + 1;
                 k < target.size() && target[k] != '/' && target[k] != '\\'; ++k)
                ext += static_cast<char>(std::tolower(static_cast<unsigned char>(target[k])));
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
        if (r.find('[') != std::string::npos)
            *nested = true;
        if (!rescan)
            p = open + std::max<std::size_t>(r.size(), 1);
    }
    return t;
}

void fail(const char* what, const std::string& input) {
    std::fprintf(stderr, "%s differs for input of %zu bytes\n", what, input.size());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string links = qp::ConvertLinks(text);
    if (text.find('[') == std::string::npos && links != text)
        fail("text without markup", text);
    // Each character lands at most twice in the result (a target is also its link text).
    if (links.size() > 2 * text.size() + 40 * (text.size() / 2 + 1))
        fail("result size", text);
    (void)qp::TextToHtml(text, 8);
    (void)qp::SpecialChar_Txt2html(text, "\r", "\n\r", "\n");

    if (size <= 256) {
        bool nested = false;
        if (reference_links(text, false, &nested) != links)
            fail("ConvertLinks", text);
        if (!nested && size <= 64 && reference_links(text, true, &nested) != links)
            fail("ConvertLinks against the rescanning walk", text);
    }
    return 0;
}
