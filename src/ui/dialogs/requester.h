// The program's message box.
#pragma once

#include "ui/app/seams.h"

namespace qp {
class LangTable;
using Language = LangTable;
} // namespace qp

namespace qp::ui {

class MessageRequester final : public Requester {
public:
    MessageRequester(const qp::Language& language, QWidget* main_window);
    int RequestMessage(const QString& title, const QString& text, int buttons,
                       QWidget* parent) override;

private:
    QWidget* main_window_;
};

} // namespace qp::ui
