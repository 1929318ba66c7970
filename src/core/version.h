// The program's name and version, as written into the files it produces.
#pragma once

#include <string_view>

namespace qp {

inline constexpr std::string_view kProgramName = "Quillpost";
inline constexpr std::string_view kProgramVersion = "0,28,1305,1700";
// Name and version together: the log's first line, the RSS generator, the project header.
inline constexpr std::string_view kProgramNameVersion = "Quillpost 0,28,1305,1700";

} // namespace qp
