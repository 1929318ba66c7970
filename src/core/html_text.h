// The texts the user types become HTML source before they go into the RSS file: special
// characters and line breaks optionally, the bracket link markup always.
#pragma once

#include <string>
#include <string_view>

namespace qp {

// SpecialChar_Txt2html with "<br />" for every line break when flags holds the special-character
// value 8, then ConvertLinks.
std::string TextToHtml(std::string_view text, int flags);

// "&" first, then the HTML-significant and Latin-1 characters to named entities, then CR LF,
// lone CR and lone LF to the given texts. Bytes that are not valid UTF-8 pass unchanged.
std::string SpecialChar_Txt2html(std::string_view text, std::string_view crlf_text,
                                 std::string_view lf_text, std::string_view cr_text);

// "[label words target]" becomes a link, an image, an anchor or a mail link; "[]" goes;
// unmatched brackets and "[ spaced ]" stay. The HTML made from one markup is not scanned again,
// so markup nested in another's words stays as typed and the work stays linear in the text.
std::string ConvertLinks(std::string_view text);

} // namespace qp
