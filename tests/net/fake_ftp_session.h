// An FTP session in memory: folders, files, a current folder and a scripted upload. The record of
// control commands outlives the session, so a test can read it after the job closed it.
#pragma once

#include "net/ftp_session.h"

#include <functional>
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
    };
    std::shared_ptr<Record> record = std::make_shared<Record>();
    std::set<std::string> folders{""};        // full paths without a trailing "/"
    std::map<std::string, FtpEntry> files;    // by full path; uploads land here
    std::map<std::string, std::int64_t> mdtm; // MDTM answers by full path
    std::set<std::string> refuse_mkd;
    bool refuse_send = false;
    bool refuse_rename = false;
    bool fail_transfer = false;
    std::vector<std::int64_t> steps; // states a transfer passes through after setting up
    // Runs on the uploading thread at each step, after the state is set.
    std::function<void(std::int64_t)> on_step;
    std::string cwd;

    bool check_alive() override { return control("NOOP"); }
    std::string get_directory() override { return control("PWD"), "/" + cwd; }
    Status set_directory(const std::string& name) override {
        control("CWD " + name);
        if (name == "..")
            cwd = cwd.substr(0, cwd.rfind('/') == std::string::npos ? 0 : cwd.rfind('/'));
        else if (folders.count(join(name)) && !name.empty())
            cwd = join(name);
        else
            return refused("CWD refused: 550 no such folder");
        return {};
    }
    Status create_directory(const std::string& name) override {
        control("MKD " + name);
        if (refuse_mkd.count(name) || !folders.insert(join(name)).second)
            return refused("MKD refused: 550 not allowed");
        return {};
    }
    Status list_directory() override {
        control("LIST");
        listing_.clear();
        for (const auto& [path, entry] : files)
            if (path.rfind('/') == (cwd.empty() ? std::string::npos : cwd.size()) &&
                path.starts_with(cwd))
                listing_.push_back(entry);
        return {};
    }
    const std::vector<FtpEntry>& entries() const override { return listing_; }
    void end_listing() override { listing_.clear(); }
    std::optional<std::int64_t> modification_time(const std::string& name) override {
        control("MDTM " + name);
        const auto it = mdtm.find(join(name));
        return it == mdtm.end() ? std::nullopt : std::optional<std::int64_t>(it->second);
    }
    Status rename(const std::string& from, const std::string& to) override {
        control("RNFR " + from);
        if (refuse_rename || !files.count(join(from)))
            return refused("RNFR refused: 550 not allowed");
        control("RNTO " + to);
        FtpEntry moved = files[join(from)];
        moved.name = to;
        files.erase(join(from));
        files[join(to)] = moved;
        return {};
    }
    Status delete_file(const std::string& name) override {
        control("DELE " + name);
        if (files.erase(join(name)) == 0)
            return refused("DELE refused: 550 no such file");
        return {};
    }
    SendResult send_file(const std::string& local, const std::string& name,
                         SendMode mode) override {
        control("STOR " + name);
        if (mode != SendMode::Wait || refuse_send)
            return {refused("STOR refused: 553 not allowed"), false};
        state_ = TransferState::SettingUp;
        for (const std::int64_t step : steps) {
            if (cancel_ && cancel_->load())
                return state_ = TransferState::Failed,
                       SendResult{make_error(ErrorKind::Cancelled, "cancelled"), true};
            sent_ = step;
            state_ = TransferState::Sending;
            if (on_step)
                on_step(step);
        }
        if (fail_transfer || (cancel_ && cancel_->load()))
            return state_ = TransferState::Failed,
                   SendResult{refused("STOR refused: 451 disk\x1b[2J full"), true};
        files[join(name)] = FtpEntry{name, local};
        state_ = TransferState::Done;
        return {{}, true};
    }
    TransferProgress progress() const override { return {state_.load(), sent_.load()}; }
    Error transfer_error() const override { return {}; }
    void abort_file() override {}
    void set_cancel(const std::atomic<bool>* cancel) override { cancel_ = cancel; }
    void set_step_deadline(std::optional<Deadline>) override {}

private:
    static Error refused(std::string text) {
        return make_error(ErrorKind::Refused, std::move(text));
    }
    bool running() const { return progress().running(); }
    bool control(const std::string& command) {
        record->commands.push_back(command);
        record->commands_during_transfer += running();
        return true;
    }
    std::string join(const std::string& name) const {
        return cwd.empty() ? name : cwd + "/" + name;
    }

    std::vector<FtpEntry> listing_;
    std::atomic<TransferState> state_{TransferState::Done};
    std::atomic<std::int64_t> sent_{0};
    const std::atomic<bool>* cancel_ = nullptr;
};

} // namespace qp::net::testing
