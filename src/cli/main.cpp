// quillpost-cli: the program's documents, RSS writer and publisher for scripts and servers.
#include "cli/commands.h"
#include "core/version.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Command {
    std::string_view name;
    int (*run)(const std::vector<std::string>& args);
};

// One line per command.
constexpr Command kCommands[] = {
    {"rss", qp::cmd_rss},
    {"save", qp::cmd_save},
    {"show", qp::cmd_show},
    {"publish", qp::cmd_publish},
    // Only reads; its exit status says whether the directories would refuse the feed.
    {"check", qp::cmd_check},
    // Lengths and durations from the media files.
    {"media", qp::cmd_media},
    // A new project from a feed made elsewhere.
    {"import", qp::cmd_import},
};

} // namespace

int main(int argc, char** argv) {
    // Past a file-size limit a write then fails with an error the save cleans up after, instead
    // of the signal ending the program with a temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc < 2)
        return qp::usage_error("no command given");
    const std::string_view name = argv[1];
    // Asked anywhere before "--", also after a command ("show --help"), help and version win.
    for (int i = 1; i < argc && std::string_view(argv[i]) != "--"; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--version") {
            std::printf("quillpost-cli %.*s\n", static_cast<int>(qp::kProgramVersion.size()),
                        qp::kProgramVersion.data());
            return qp::kExitOk;
        }
        if (arg == "-h" || arg == "--help" || (i == 1 && arg == "help")) {
            qp::print_usage(stdout);
            return qp::kExitOk;
        }
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const Command& command : kCommands)
        if (command.name == name)
            return command.run(args);
    return qp::usage_error("unknown command " + std::string(name));
}
