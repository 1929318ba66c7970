// Runs a program as a child process without a shell: the arguments go over as they are, so no
// quoting is needed, and the child cannot reach the test's terminal.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace qp::test {

struct ProcessOptions {
    std::string folder;             // working folder of the child; empty keeps the test's
    std::vector<std::string> env;   // "NAME=value" entries set for the child
    std::vector<std::string> unset; // names removed from the child's environment
    std::chrono::milliseconds timeout{60000};
};

struct ProcessResult {
    int status = -1; // the exit status; -1 when the child was killed or did not run
    bool timed_out = false;
    std::string out;
    std::string err;
    std::string error; // empty when the child ran; else why it could not be started
};

// args[0] is the program's path (no PATH search). Standard input is /dev/null; the child runs
// in a session of its own, and on time-out it is killed with its process group.
ProcessResult run_process(const std::vector<std::string>& args, const ProcessOptions& options = {});

} // namespace qp::test
