#include "support/process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qp::test {

namespace {

std::string_view name_of(std::string_view entry) {
    return entry.substr(0, entry.find('='));
}

std::vector<std::string> child_environment(const ProcessOptions& options) {
    std::vector<std::string> out;
    for (char** e = environ; e && *e; ++e) {
        const std::string_view name = name_of(*e);
        const auto same = [&](std::string_view other) { return name_of(other) == name; };
        if (std::none_of(options.unset.begin(), options.unset.end(), same) &&
            std::none_of(options.env.begin(), options.env.end(), same))
            out.emplace_back(*e);
    }
    out.insert(out.end(), options.env.begin(), options.env.end());
    return out;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> out;
    for (auto& t : texts)
        out.push_back(t.data());
    out.push_back(nullptr);
    return out;
}

void close_fd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Reads both pipes until they close or the deadline passes; false on time-out.
bool drain(int out_fd, int err_fd, ProcessResult& result,
           std::chrono::steady_clock::time_point deadline) {
    pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    char buf[65536];
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        const int ready = ::poll(fds, 2, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR)
            return false;
        for (int i = 0; i < 2 && ready > 0; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0)
                sinks[i]->append(buf, static_cast<std::size_t>(n));
            else if (n == 0 || errno != EINTR)
                fds[i].fd = -1; // closed; the caller closes the descriptor
        }
    }
    return true;
}

} // namespace

ProcessResult run_process(const std::vector<std::string>& args, const ProcessOptions& options) {
    ProcessResult result;
    if (args.empty()) {
        result.error = "no program to run";
        return result;
    }
    // Everything the child needs is prepared here: between fork and exec it only makes
    // async-signal-safe calls.
    std::vector<std::string> argv_texts = args;
    std::vector<std::string> env_texts = child_environment(options);
    const std::vector<char*> argv = pointers(argv_texts);
    const std::vector<char*> envp = pointers(env_texts);
    const char* const folder = options.folder.empty() ? nullptr : options.folder.c_str();

    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    int report[2] = {-1, -1}; // carries the child's errno when chdir or exec fails
    int null_fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (null_fd < 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 ||
        ::pipe2(report, O_CLOEXEC) != 0) {
        result.error = std::string("can't make pipes: ") + std::strerror(errno);
        for (int* fd : {&null_fd, &out[0], &out[1], &err[0], &err[1], &report[0], &report[1]})
            close_fd(*fd);
        return result;
    }

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        ::dup2(null_fd, 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        if (folder == nullptr || ::chdir(folder) == 0)
            ::execve(argv[0], argv.data(), envp.data());
        const int code = errno;
        (void)!::write(report[1], &code, sizeof code);
        ::_exit(127);
    }
    for (int* fd : {&null_fd, &out[1], &err[1], &report[1]})
        close_fd(*fd);
    if (pid < 0) {
        result.error = std::string("can't fork: ") + std::strerror(errno);
        for (int* fd : {&out[0], &err[0], &report[0]})
            close_fd(*fd);
        return result;
    }

    const auto deadline = std::chrono::steady_clock::now() + options.timeout;
    if (!drain(out[0], err[0], result, deadline)) {
        result.timed_out = true;
        ::kill(-pid, SIGKILL);
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    int code = 0;
    if (::read(report[0], &code, sizeof code) == static_cast<ssize_t>(sizeof code))
        result.error = "can't run " + args[0] + ": " + std::strerror(code);
    for (int* fd : {&out[0], &err[0], &report[0]})
        close_fd(*fd);
    if (!result.timed_out && result.error.empty() && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    return result;
}

} // namespace qp::test
