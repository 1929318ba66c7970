// quillpost-cli: the program's documents, RSS writer and publisher for scripts and servers.
#include "cli/commands.h"

#include <csignal>
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
};

} // namespace

int main(int argc, char** argv) {
    // Past a file-size limit a write then fails with an error the save cleans up after, instead
    // of the signal ending the program with a temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc < 2)
        return qp::usage_error("no command given");
    const std::string_view name = argv[1];
    if (name == "-h" || name == "--help" || name == "help") {
        qp::print_usage(stdout);
        return qp::kExitOk;
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const Command& command : kCommands)
        if (command.name == name)
            return command.run(args);
    return qp::usage_error("unknown command " + std::string(name));
}
