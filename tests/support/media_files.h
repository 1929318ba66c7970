// Small media files made at run time by the system's encoder: three seconds of a sine in each
// format the program reads.
#pragma once

#include <string>

namespace qp::test {

// Writes folder + name (its extension picks the format: mp3, m4a, ogg, opus, flac, wav) holding
// seconds of a 440 Hz sine. Empty on success, else why the file could not be made.
std::string make_media(const std::string& folder, const std::string& name, double seconds = 3.0);

} // namespace qp::test
