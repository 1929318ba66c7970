#include "ui/app/fatal_error.h"

#include "core/language.h"
#include "ui/common/qt_text.h"
#include "ui/context/seams.h"

#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

namespace qp::ui {

namespace {

// The language's text, or the fixed French text when the table has none (a key without a text
// shows as itself).
QString text_or(LangTable& lang, std::string_view key, const char* fixed) {
    const std::string text = lang.Lang_Get(key);
    return text == key ? QString::fromUtf8(fixed) : to_q(text);
}

} // namespace

void end_program_now(int status) {
    std::fflush(nullptr);
    std::_Exit(status);
}

void FatalError(int code, const QString& detail, LangTable& lang, Requester& requester,
                QWidget* parent, const ProgramEnd& end) {
    const QString message = to_q(fatal_error_text(code)) + detail + "\r\n" +
                            text_or(lang, "Fatal.MustStop", "Le programme doit être arrêté ...");
    requester.RequestMessage(text_or(lang, "Fatal.Title", "Erreur"), message, RequestButtons::Ok,
                             parent);
    end(2);
}

void show_system_message_box(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok);
    box.exec();
}

Log::FatalHandler fatal_line_handler(MessageShow show, ProgramEnd end) {
    return [show = std::move(show), end = std::move(end)](const std::string& text) {
        show("Error", to_q(text));
        end(2);
    };
}

} // namespace qp::ui
