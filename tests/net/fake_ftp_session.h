// An FTP session in memory: folders, files, a current folder and a scripted upload. The record of
// control commands outlives the session, so a test can read it after the job closed it.
#pragma once

#include "net/ftp_session.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace qp::net::testing {

class FakeFtpSession : public FtpSession {
public:
    struct Record {
        std::vector<std::string> commands;
        int commands_during_transfer = 0;
        int aborts = 0;
    };
    std::shared_ptr<Record> record = std::make_shared<Record>();
    std::set<std::string> folders{""};             // full paths without a trailing "/"
    mutable std::map<std::string, FtpEntry> files; // by full path; uploads land here
    std::set<std::string> refuse_mkd;
    bool refuse_send = false;
    bool fail_transfer = false;
    std::vector<std::int64_t> steps; // states a transfer passes through after setting up
    std::string cwd;

    bool CheckAlive() override { return control("NOOP"); }
    std::string GetDirectory() override { return control("PWD"), "/" + cwd; }
    bool SetDirectory(const std::string& name) override {
        control("CWD " + name);
        if (name == "..")
            cwd = cwd.substr(0, cwd.rfind('/') == std::string::npos ? 0 : cwd.rfind('/'));
        else if (folders.count(join(name)) && !name.empty())
            cwd = join(name);
        else
            return false;
        return true;
    }
    bool CreateDirectory(const std::string& name) override {
        control("MKD " + name);
        return !refuse_mkd.count(name) && folders.insert(join(name)).second;
    }
    bool ListDirectory() override {
        control("LIST");
        listing_.clear();
        for (const auto& [path, entry] : files)
            if (path.rfind('/') == (cwd.empty() ? std::string::npos : cwd.size()) &&
                path.starts_with(cwd))
                listing_.push_back(entry);
        return true;
    }
    const std::vector<FtpEntry>& Entries() const override { return listing_; }
    void EndListing() override { listing_.clear(); }
    bool SendFile(const std::string& local, const std::string& name, bool async) override {
        control("STOR " + name);
        if (!async || refuse_send)
            return false;
        sending_ = FtpEntry{name, local};
        sending_path_ = join(name);
        state_ = kTransferSettingUp;
        next_ = 0;
        return true;
    }
    // Each read moves the transfer one step on.
    std::int64_t Progress() const override {
        const std::int64_t now = state_;
        if (running())
            state_ = next_ < steps.size() ? steps[next_++]
                     : fail_transfer      ? kTransferFailed
                                          : (files[sending_path_] = sending_, kTransferDone);
        return now;
    }
    void AbortFile() override {
        ++record->aborts;
        if (running())
            state_ = kTransferFailed;
    }

private:
    bool running() const { return state_ == kTransferSettingUp || state_ >= 0; }
    bool control(const std::string& command) {
        record->commands.push_back(command);
        record->commands_during_transfer += running();
        return true;
    }
    std::string join(const std::string& name) const {
        return cwd.empty() ? name : cwd + "/" + name;
    }

    std::vector<FtpEntry> listing_;
    FtpEntry sending_;
    std::string sending_path_;
    mutable std::int64_t state_ = kTransferDone;
    mutable std::size_t next_ = 0;
};

} // namespace qp::net::testing
