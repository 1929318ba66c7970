// Text helpers shared by every layer below the window: UTF-8 inside, Windows-1252 and
// UTF-16LE only at the file boundary, and the case folding the program compares with.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qp {

// --- UTF-8 ---------------------------------------------------------------------------------

bool is_ascii(std::string_view s);
// Whether s[k] exists and is a UTF-8 continuation byte.
inline bool is_continuation_at(std::string_view s, std::size_t k) {
    return k < s.size() && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80;
}
bool is_valid_utf8(std::string_view s);
// Invalid sequences become U+FFFD, so the result is always valid UTF-8.
std::string repair_utf8(std::string_view s);
// Decodes the code point at s[i] and advances i; an invalid byte yields U+FFFD and advances by one.
char32_t next_code_point(std::string_view s, std::size_t& i);
void append_utf8(std::string& out, char32_t cp);

// --- Windows-1252 and UTF-16LE ---------------------------------------------------------------

// Every byte maps to a code point; the five bytes Windows-1252 leaves undefined map to the C1
// controls of the same value, so any byte string round-trips.
std::string cp1252_to_utf8(std::string_view bytes);
// The Windows-1252 code of a code point, or -1 when it has none.
int cp1252_code_of(char32_t cp);
// Turns UTF-8 text into Windows-1252 in place; false, with the text unchanged, when some
// character has no Windows-1252 form (or the text is not valid UTF-8).
bool narrow_to_cp1252(std::string& text);
std::string utf16le_to_utf8(std::string_view bytes);

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
inline constexpr std::string_view kUtf16LeBom = "\xFF\xFE";

// The reading rule for every text file the program knows: a UTF-8 mark means UTF-8, a UTF-16LE
// mark means UTF-16LE, bytes that are valid UTF-8 are UTF-8, anything else is Windows-1252.
// The mark is not part of the result.
std::string decode_text_file(std::string_view bytes);
// The same, as a view of bytes when they are already UTF-8, else of storage, which then holds
// the converted text.
std::string_view decode_text_file(std::string_view bytes, std::string& storage);
// Whether the reading rule takes bytes as Windows-1252, so that a reader may convert them piece
// by piece with cp1252_to_utf8 instead of as a whole.
bool is_windows1252_file(std::string_view bytes);
// The writing rule for project and preference files: Windows-1252 without a mark when every
// character has a form there, otherwise UTF-8 with the mark. Nothing typed is lost. The text is
// converted in its own memory where it can be.
std::string encode_text_file(std::string utf8);

// --- Case folding and comparisons ----------------------------------------------------------

// Lower-cases ASCII and the letters of the Windows-1252 repertoire. Byte lengths never change,
// so positions found in a folded text are valid in the original.
std::string fold_case(std::string_view s);
bool iequals(std::string_view a, std::string_view b);
bool istarts_with(std::string_view s, std::string_view prefix);
bool iends_with(std::string_view s, std::string_view suffix);
// Position of needle in hay at or after from, ignoring case; npos when absent or needle is empty.
std::size_t ifind(std::string_view hay, std::string_view needle, std::size_t from = 0);

// --- Editing ---------------------------------------------------------------------------------

// Replaces every occurrence; an empty `from` leaves the text unchanged.
std::string replace_all(std::string_view s, std::string_view from, std::string_view to);
std::string ireplace_all(std::string_view s, std::string_view from, std::string_view to);
// A view of s without the given characters at either end.
std::string_view trimmed(std::string_view s, std::string_view chars = " ");
// Trims the space character (only) at both ends.
std::string trim_spaces(std::string_view s);
// Trims spaces and tabs at both ends.
std::string trim_blanks(std::string_view s);
// Removes every character with a code from 1 to 31, keeping those listed in `keep`.
std::string strip_controls(std::string_view s, std::string_view keep = {});

// Optional leading spaces and tabs, an optional sign, then the leading decimal digits; anything
// without digits reads as 0. Saturates at the limits of the type instead of overflowing.
std::int64_t parse_leading_int64(std::string_view s);
std::int32_t parse_leading_int32(std::string_view s);

// FTP folder form: "\" read as "/", spaces trimmed, with add_slash a trailing "/" added to a
// text that lacks one, cut after the last "/", one leading "/" removed. The root is "".
std::string FTP_FolderPart(std::string_view path, bool add_slash);

} // namespace qp
