#include "core/podcast_values.h"

#include "core/text.h"

namespace qp {

namespace {

constexpr std::string_view kGroups[] = {"creative direction",
                                        "cast",
                                        "writing",
                                        "audio production",
                                        "audio post-production",
                                        "administration",
                                        "visuals",
                                        "community",
                                        "misc.",
                                        "video production",
                                        "video post-production"};

constexpr PersonRole kRoles[] = {
    {"creative direction", "director"},
    {"creative direction", "assistant director"},
    {"creative direction", "executive producer"},
    {"creative direction", "senior producer"},
    {"creative direction", "producer"},
    {"creative direction", "associate producer"},
    {"creative direction", "development producer"},
    {"creative direction", "creative director"},
    {"cast", "host"},
    {"cast", "co-host"},
    {"cast", "guest host"},
    {"cast", "guest"},
    {"cast", "voice actor"},
    {"cast", "narrator"},
    {"cast", "announcer"},
    {"cast", "reporter"},
    {"writing", "author"},
    {"writing", "editorial director"},
    {"writing", "co-writer"},
    {"writing", "writer"},
    {"writing", "songwriter"},
    {"writing", "guest writer"},
    {"writing", "story editor"},
    {"writing", "managing editor"},
    {"writing", "script editor"},
    {"writing", "script coordinator"},
    {"writing", "researcher"},
    {"writing", "editor"},
    {"writing", "fact checker"},
    {"writing", "translator"},
    {"writing", "transcriber"},
    {"writing", "logger"},
    {"audio production", "studio coordinator"},
    {"audio production", "technical director"},
    {"audio production", "technical manager"},
    {"audio production", "audio engineer"},
    {"audio production", "remote recording engineer"},
    {"audio production", "post production engineer"},
    {"audio post-production", "audio editor"},
    {"audio post-production", "sound designer"},
    {"audio post-production", "foley artist"},
    {"audio post-production", "composer"},
    {"audio post-production", "theme music"},
    {"audio post-production", "music production"},
    {"audio post-production", "music contributor"},
    {"administration", "production coordinator"},
    {"administration", "booking coordinator"},
    {"administration", "production assistant"},
    {"administration", "content manager"},
    {"administration", "marketing manager"},
    {"administration", "sales representative"},
    {"administration", "sales manager"},
    {"visuals", "graphic designer"},
    {"visuals", "cover art designer"},
    {"community", "social media manager"},
    {"misc.", "consultant"},
    {"misc.", "intern"},
    {"video production", "camera operator"},
    {"video production", "lighting designer"},
    {"video production", "camera grip"},
    {"video production", "assistant camera"},
    {"video post-production", "editor"},
    {"video post-production", "assistant editor"},
};

} // namespace

std::span<const PersonRole> person_roles() {
    return kRoles;
}

std::span<const std::string_view> person_groups() {
    return kGroups;
}

std::string_view person_role_group(std::string_view role) {
    for (const PersonRole& entry : kRoles)
        if (iequals(entry.role, role))
            return entry.group;
    return {};
}

std::string_view transcript_type_for_path(std::string_view path) {
    struct Type {
        std::string_view extension;
        std::string_view type;
    };
    static constexpr Type kTypes[] = {{"vtt", "text/vtt"},          {"srt", "application/x-subrip"},
                                      {"json", "application/json"}, {"html", "text/html"},
                                      {"htm", "text/html"},         {"txt", "text/plain"}};
    // Read in place: the feed asks once per transcript of every episode.
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find_first_of("/\\", dot) != std::string_view::npos)
        return {};
    const std::string_view extension = path.substr(dot + 1);
    for (const Type& t : kTypes)
        if (iequals(extension, t.extension))
            return t.type;
    return {};
}

} // namespace qp
