// Test versions of the modal-window seams: each call takes the next queued answer and records
// what the program asked, so a widget test never meets a real modal window.
#pragma once

#include "ui/context/seams.h"

#include <deque>
#include <string>
#include <vector>

namespace qp::ui::testing {

struct Question {
    QString title;
    QString text;
    RequestButtons buttons = RequestButtons::Ok;
};

class QueuedRequester final : public Requester {
public:
    std::deque<RequestAnswer> answers;
    std::vector<Question> asked;

    RequestAnswer RequestMessage(const QString& title, const QString& text, RequestButtons buttons,
                                 QWidget*) override {
        asked.push_back({title, text, buttons});
        if (answers.empty())
            return RequestAnswer::Cancel; // an unplanned question cancels, and `asked` shows it
        const RequestAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

struct FileRequest {
    bool for_open = false;
    QString title;
    QString proposed;
    QString filter;
};

class QueuedFilePicker final : public FilePicker {
public:
    std::deque<QString> paths;
    std::vector<FileRequest> asked;

    QString open_file(QWidget*, const QString& title, const QString& folder,
                      const QString& filter) override {
        return next({true, title, folder, filter});
    }
    QString save_file(QWidget*, const QString& title, const QString& file,
                      const QString& filter) override {
        return next({false, title, file, filter});
    }

private:
    QString next(FileRequest request) {
        asked.push_back(std::move(request));
        if (paths.empty())
            return {};
        QString path = paths.front();
        paths.pop_front();
        return path;
    }
};

} // namespace qp::ui::testing
