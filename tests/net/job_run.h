// What the publishing tests of every protocol share: a job for an account, and the polling loop
// that drives its sender as the window's timer does.
#pragma once

#include "net/ftp_job.h"

#include <string>
#include <utility>
#include <vector>

namespace qp::test {

// Gives job the account of login and each (local, remote) pair as a file; the local names are in
// folder.
inline void fill_job(net::FTPJob& job, const net::FtpLogin& login, const std::string& folder,
                     const std::vector<std::pair<std::string, std::string>>& files) {
    job.server = login.server;
    job.port = login.port;
    job.user = login.user;
    job.password = login.password;
    job.protocol = login.protocol;
    for (const auto& [local, remote] : files) {
        net::FTPFile& file = job.files.emplace_back();
        file.local_file = folder + local;
        file.remote_path = remote;
    }
}

// Polls until done() holds or passes waits of wait_ms have gone by; true when done() holds.
template <class Done>
bool poll_until(net::FtpSender& sender, Done done, int passes = 3000, int wait_ms = 10) {
    for (int pass = 0; pass < passes && !done(); ++pass) {
        sender.poll();
        sender.wait(wait_ms);
    }
    return done();
}

} // namespace qp::test
