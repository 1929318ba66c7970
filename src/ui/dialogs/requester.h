// The program's own message box: a text and one to three buttons with captions from the language
// file, keys to move between the buttons, mnemonic letters, and a short delay before the
// default button takes the focus.
#pragma once

#include "ui/common/control_registry.h"
#include "ui/context/seams.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <functional>

class QPushButton;

namespace qp {
class Texts;
}

namespace qp::ui {

// Window and control numbers of the message box.
inline constexpr int kRequestWindow = 2200;
inline constexpr int kRequestText = 2201;
inline constexpr int kRequestCancel = 2202;
inline constexpr int kRequestYes = 2203; // also Ok
inline constexpr int kRequestNo = 2204;
// The message text keeps the focus this long, so a key meant for the window below doesn't
// answer the box as it appears.
inline constexpr int kRequestFocusDelayMs = 300;
// Inner width of the box, and the range of its text's height in lines.
inline constexpr int kRequestWidth = 300;
inline constexpr int kRequestMinLines = 3;
inline constexpr int kRequestMaxLines = 20;

// Installs Alt+letter and the letter alone as shortcuts of window that both run command, the
// letter being the one after the caption's first "&" when it is A to Z (either case). Returns
// its key code (0x41 to 0x5A), or 0 when the caption has none or the window already has that
// key for another caption (the first caption keeps it).
int RequestMessage_Accel(const QString& caption, QWidget& window,
                         const std::function<void()>& command);

// The box itself. MessageRequester runs it; tests drive it while it is open.
class RequestDialog final : public QDialog {
    Q_OBJECT
public:
    // texts gives the button captions ("RequestButton.*").
    RequestDialog(const QString& title, const QString& text, RequestButtons buttons, Texts& texts,
                  QWidget* parent);

    // kRequestText, kRequestYes, kRequestNo or kRequestCancel; null when the set lacks it.
    QWidget* control(int number) const { return controls_.widget(number); }
    // Height of the text area in rows of 22 pixels.
    int lines() const { return lines_; }
    // Gives the default button the focus unless a button has it already; the focus timer
    // calls it kRequestFocusDelayMs after the box was shown or activated.
    void focus_default();
    // Closes the box with an answer, which answer_of reads back from its result code: any other
    // code (a closed box) is Cancel.
    void answer(RequestAnswer answer);
    static RequestAnswer answer_of(int result);

protected:
    bool event(QEvent* event) override;
    void reject() override;

private:
    void build_text(const QString& text);
    void add_button(int number, const char* key, QPoint at, RequestAnswer answer, Texts& texts);
    void install_keys();
    void next();
    void previous();
    void confirm();
    void escape();
    void focus_on(int number);
    bool is_focused(int number) const;

    RequestButtons buttons_;
    int default_; // the button Return answers
    int lines_ = kRequestMinLines;
    ControlRegistry controls_;
    QTimer focus_timer_;
};

// The real message box behind the Requester seam.
class MessageRequester final : public Requester {
public:
    // main_window is the parent when the caller passes none; without either, the box is
    // centred on the screen.
    MessageRequester(Texts& language, QWidget* main_window);

    RequestAnswer RequestMessage(const QString& title, const QString& text, RequestButtons buttons,
                                 QWidget* parent) override;

private:
    Texts& language_;
    QPointer<QWidget> main_window_;
};

} // namespace qp::ui
