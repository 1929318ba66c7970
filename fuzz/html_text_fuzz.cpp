// The link markup and the special-character pass on any text. Small inputs are also checked
// against a plain step-by-step walk of the link rules.
#include "core/html_text.h"
#include "core/links_reference.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using qp::reference::reference_links;

namespace {

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
