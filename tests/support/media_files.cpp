#include "support/media_files.h"

#include "support/process.h"

#include <map>

namespace qp::test {

std::string make_media(const std::string& folder, const std::string& name, double seconds) {
    static const std::map<std::string, std::string> kCodecs = {
        {"mp3", "libmp3lame"}, {"m4a", "aac"},   {"ogg", "libvorbis"},
        {"opus", "libopus"},   {"flac", "flac"}, {"wav", "pcm_s16le"},
    };
    const auto codec = kCodecs.find(name.substr(name.rfind('.') + 1));
    if (codec == kCodecs.end())
        return "no encoder for " + name;
    const ProcessResult r =
        run_process({"/usr/bin/ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
                     "-f", "lavfi", "-i", "sine=frequency=440:duration=" + std::to_string(seconds),
                     "-c:a", codec->second, folder + name});
    if (!r.error.empty())
        return r.error;
    return r.status == 0 ? std::string() : "ffmpeg failed: " + r.err;
}

} // namespace qp::test
