// The requester and file picker of the window benches: every question is answered No and every
// file dialog is cancelled, so a bench never waits on a modal window.
#pragma once

#include "ui/context/seams.h"

#include <QString>

namespace qp::bench {

class NoRequester final : public ui::Requester {
public:
    ui::RequestAnswer RequestMessage(const QString&, const QString&, ui::RequestButtons,
                                     QWidget*) override {
        return ui::RequestAnswer::No;
    }
};

class NoFiles final : public ui::FilePicker {
public:
    QString open_file(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString save_file(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
};

} // namespace qp::bench
