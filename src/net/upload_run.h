// What the FTP and SFTP sessions share of an upload: the state progress() reports, why the last
// one failed, the abort flag and the worker thread of a background transfer.
#pragma once

#include "net/ftp_session.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <utility>

namespace qp::net {

class UploadRun {
public:
    UploadRun() = default;
    // The owner stops the transfer first (abort_file); this only reaps a worker that ended.
    ~UploadRun() { join(); }
    UploadRun(const UploadRun&) = delete;
    UploadRun& operator=(const UploadRun&) = delete;

    // While a background upload runs its worker owns the connection.
    bool running() const { return running_.load(); }
    TransferProgress progress() const { return {state_.load(), sent_.load()}; }
    Error error() const { return state_.load() == TransferState::Failed ? error_ : Error{}; }
    // Raised by abort() while the worker runs; the session's waits watch it.
    const std::atomic<bool>* abort_flag() const { return &abort_; }

    // Waits for a worker that has ended or is ending.
    void join() {
        if (worker_.joinable())
            worker_.join();
    }
    // A transfer refused before it began.
    SendResult refuse(Error error) {
        error_ = error;
        state_ = TransferState::Failed;
        return {std::move(error), false};
    }
    // Marks a transfer begun and runs it on this thread (Wait) or on a worker (Background); the
    // transfer calls end() whatever happens.
    SendResult start(SendMode mode, std::function<SendResult()> transfer) {
        abort_ = false;
        error_ = {};
        sent_ = 0;
        state_ = TransferState::SettingUp;
        running_ = true;
        if (mode == SendMode::Wait)
            return transfer();
        worker_ = std::thread([transfer = std::move(transfer)] { (void)transfer(); });
        return {{}, true};
    }
    // The data begins to flow, then count more bytes have gone.
    void data_started() {
        sent_ = 0;
        state_ = TransferState::Sending;
    }
    void sent(std::int64_t count) { sent_ += count; }
    // On the transfer's thread. The final state is published last: whoever sees it may use the
    // connection at once, and reads the error after it.
    SendResult end(Status status, bool started, const std::function<void()>& on_end) {
        error_ = status ? Error{} : status.error();
        running_ = false;
        if (on_end)
            on_end();
        state_ = status ? TransferState::Done : TransferState::Failed;
        return {std::move(status), started};
    }
    // Stops a background transfer and waits for its end; lowered again after, so the flag
    // cuts no later call.
    void abort() {
        if (!worker_.joinable())
            return;
        abort_ = true;
        worker_.join();
        abort_ = false;
    }

private:
    std::atomic<TransferState> state_{TransferState::Failed};
    std::atomic<std::int64_t> sent_{0};
    std::atomic<bool> running_{false};
    std::atomic<bool> abort_{false};
    Error error_; // written before the final state is published
    std::thread worker_;
};

} // namespace qp::net
