// The project file's bytes: one tagged line per value, CR LF line ends, line breaks inside a value
// stored as the byte 0x11. The writer always produces the same layout; the reader takes each line
// by its tag and skips what it does not know, so older and hand-edited files load.
#pragma once

#include "core/document.h"
#include "core/result.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace qp {

// The file's bytes: Windows-1252 without a mark when every character has a form there, otherwise
// UTF-8 with the mark.
std::string format_project(const Doc& doc);
// The same bytes handed to put a piece at a time, so a document of thousands of episodes is not
// held a second time as text. Stops at the first piece put refuses, with its error.
Status write_project(const Doc& doc, const std::function<Status(std::string_view)>& put);
// Reads a project's bytes into doc, appending its feeds. Any input is accepted; fields without a
// line keep their value, then TTL and TimeZone are brought into range. Returns the number of
// lines whose tag was recognised, so a caller can tell a file that holds no project at all.
std::size_t parse_project(Doc& doc, std::string_view bytes);

} // namespace qp
