#include "ui/dialogs/requester.h"

#include "core/texts.h"
#include "ui/common/qt_text.h"
#include "ui/common/window_state.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace qp::ui {
namespace {

constexpr int kRowHeight = 22;
constexpr int kMargin = 10;
// Between the text and the buttons, so the buttons never cover the text's last line.
constexpr int kTextGap = 5;
constexpr int kButtonWidth = 86;
constexpr int kButtonHeight = 22;
constexpr int kButtonPitch = 96;
constexpr int kBelowButtons = 44;

// The message, wrapped at word boundaries and inside words too long for a line (paths,
// addresses), so no part of it is cut off at the side. It takes the focus like a control.
class MessageText final : public QWidget {
public:
    MessageText(QString text, QWidget* parent) : QWidget(parent), text_(std::move(text)) {
        // Line ends of any style become the layout's own forced breaks.
        text_.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
        text_.replace(QLatin1Char('\n'), QChar::LineSeparator);
        text_.replace(QLatin1Char('\r'), QChar::LineSeparator);
        setFocusPolicy(Qt::StrongFocus);
    }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return lay_out(width, nullptr); }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        lay_out(width(), &painter);
    }

private:
    int lay_out(int width, QPainter* painter) const {
        QTextLayout layout(text_, font());
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        qreal y = 0;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0, y));
            y += line.height();
        }
        layout.endLayout();
        if (painter != nullptr)
            layout.draw(painter, QPointF(0, 0));
        return static_cast<int>(std::ceil(y));
    }

    QString text_;
};

// The dialog's result code of each answer, apart from QDialog's own Accepted and Rejected.
constexpr int kAnswerCodeBase = 16;

} // namespace

int RequestMessage_Accel(const QString& caption, QWidget& window,
                         const std::function<void()>& command) {
    const qsizetype amp = caption.indexOf(QLatin1Char('&'));
    if (amp < 0 || amp + 1 >= caption.size())
        return 0;
    const QChar letter = caption.at(amp + 1).toUpper();
    if (letter < QLatin1Char('A') || letter > QLatin1Char('Z'))
        return 0;
    const auto key = static_cast<Qt::Key>(letter.unicode()); // Qt::Key_A is 0x41, as the code
    const QKeySequence alone(key);
    // Two captions with one letter would make both shortcuts ambiguous, and neither work.
    for (const QShortcut* taken : window.findChildren<QShortcut*>(Qt::FindDirectChildrenOnly)) {
        if (taken->key() == alone)
            return 0;
    }
    for (const QKeySequence& sequence : {QKeySequence(Qt::ALT | key), alone}) {
        auto* shortcut = new QShortcut(sequence, &window);
        QObject::connect(shortcut, &QShortcut::activated, &window, command);
    }
    return letter.unicode();
}

RequestDialog::RequestDialog(const QString& title, const QString& text, RequestButtons buttons,
                             Texts& texts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      buttons_(buttons),
      default_(buttons == RequestButtons::YesNoDefaultNo ? kRequestNo : kRequestYes) {
    setWindowTitle(title);
    build_text(text);
    const int y = kRowHeight * lines_;
    if (buttons_ == RequestButtons::Ok) {
        add_button(kRequestYes, "RequestButton.Ok", {kMargin + kButtonPitch, y}, RequestAnswer::Yes,
                   texts);
    } else {
        add_button(kRequestYes, "RequestButton.Yes", {kMargin, y}, RequestAnswer::Yes, texts);
        add_button(kRequestNo, "RequestButton.No", {kMargin + kButtonPitch, y}, RequestAnswer::No,
                   texts);
        if (buttons_ == RequestButtons::YesNoCancel)
            add_button(kRequestCancel, "RequestButton.Cancel", {kMargin + 2 * kButtonPitch, y},
                       RequestAnswer::Cancel, texts);
    }
    qobject_cast<QPushButton*>(control(default_))->setDefault(true);
    setFixedSize(kRequestWidth, y + kBelowButtons);
    install_keys();

    QRect area;
    if (parent != nullptr)
        area = parent->window()->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));

    focus_timer_.setSingleShot(true);
    focus_timer_.setInterval(kRequestFocusDelayMs);
    connect(&focus_timer_, &QTimer::timeout, this, &RequestDialog::focus_default);
    focus_on(kRequestText);
}

void RequestDialog::build_text(const QString& text) {
    auto* message = new MessageText(text, this);
    controls_.add(kRequestText, message);
    const int width = kRequestWidth - 2 * kMargin;
    const auto area_height = [](int lines) { return kRowHeight * lines - kMargin - kTextGap; };
    lines_ = std::clamp(static_cast<int>(text.count(QLatin1Char('\n'))), kRequestMinLines,
                        kRequestMaxLines);
    // The line feeds alone undercount wrapped lines and the last line; the box grows to show
    // the whole text, up to its largest size.
    const int needed = message->heightForWidth(width);
    while (area_height(lines_) < needed && lines_ < kRequestMaxLines)
        ++lines_;
    const QRect rect(kMargin, kMargin, width, area_height(lines_));
    if (needed <= rect.height()) {
        message->setGeometry(rect);
        return;
    }
    // Still too long: the text scrolls.
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll->setGeometry(rect);
    const int inner = width - scroll->verticalScrollBar()->sizeHint().width();
    message->resize(inner, message->heightForWidth(inner));
    scroll->setWidget(message);
}

void RequestDialog::add_button(int number, const char* key, QPoint at, RequestAnswer answer,
                               Texts& texts) {
    const QString caption = to_q(texts.get(key));
    auto* button = new QPushButton(caption, this);
    // The window's own mnemonic shortcuts answer; the button's would make them ambiguous.
    button->setShortcut(QKeySequence());
    button->setGeometry(QRect(at, QSize(kButtonWidth, kButtonHeight)));
    connect(button, &QPushButton::clicked, this, [this, answer] { this->answer(answer); });
    RequestMessage_Accel(caption, *this, [this, answer] { this->answer(answer); });
    controls_.add(number, button);
}

void RequestDialog::install_keys() {
    const auto bind = [this](std::initializer_list<QKeySequence> keys,
                             void (RequestDialog::*act)()) {
        for (const QKeySequence& key : keys) {
            auto* shortcut = new QShortcut(key, this);
            connect(shortcut, &QShortcut::activated, this, act);
        }
    };
    bind({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}, &RequestDialog::confirm);
    bind({QKeySequence(Qt::Key_Escape)}, &RequestDialog::escape);
    bind({QKeySequence(Qt::Key_Down), QKeySequence(Qt::Key_Right), QKeySequence(Qt::Key_Tab)},
         &RequestDialog::next);
    // Shift+Tab arrives as Backtab.
    bind({QKeySequence(Qt::Key_Up), QKeySequence(Qt::Key_Left),
          QKeySequence(Qt::SHIFT | Qt::Key_Backtab)},
         &RequestDialog::previous);
}

bool RequestDialog::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::WindowActivate:
        focus_on(kRequestText);
        focus_timer_.start();
        break;
    case QEvent::KeyPress:
        // Escape is the shortcut's alone: without a Cancel button it does nothing.
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            return true;
        break;
    default:
        break;
    }
    return QDialog::event(event);
}

void RequestDialog::reject() {
    // The close request answers Cancel whatever the buttons.
    answer(RequestAnswer::Cancel);
}

void RequestDialog::answer(RequestAnswer answer) {
    done(kAnswerCodeBase + static_cast<int>(answer));
}

RequestAnswer RequestDialog::answer_of(int result) {
    for (const RequestAnswer answer : {RequestAnswer::Yes, RequestAnswer::No})
        if (result == kAnswerCodeBase + static_cast<int>(answer))
            return answer;
    return RequestAnswer::Cancel;
}

void RequestDialog::focus_default() {
    if (!is_focused(kRequestYes) && !is_focused(kRequestNo) && !is_focused(kRequestCancel))
        focus_on(default_);
}

void RequestDialog::next() {
    if (is_focused(kRequestText))
        focus_on(kRequestYes);
    else if (is_focused(kRequestYes) && buttons_ != RequestButtons::Ok)
        focus_on(kRequestNo);
    else if (is_focused(kRequestNo) && buttons_ == RequestButtons::YesNoCancel)
        focus_on(kRequestCancel);
    else
        focus_on(kRequestText);
}

void RequestDialog::previous() {
    if (is_focused(kRequestCancel))
        focus_on(kRequestNo);
    else if (is_focused(kRequestYes))
        focus_on(kRequestText);
    else if (is_focused(kRequestText) && buttons_ != RequestButtons::Ok)
        focus_on(buttons_ == RequestButtons::YesNoCancel ? kRequestCancel : kRequestNo);
    else // from No, and from the text when Ok is the only button
        focus_on(kRequestYes);
}

void RequestDialog::confirm() {
    if (is_focused(kRequestCancel))
        answer(RequestAnswer::Cancel);
    else if (is_focused(kRequestNo))
        answer(RequestAnswer::No);
    else if (is_focused(kRequestYes))
        answer(RequestAnswer::Yes);
    else
        answer(default_ == kRequestNo ? RequestAnswer::No : RequestAnswer::Yes);
}

void RequestDialog::escape() {
    if (control(kRequestCancel) != nullptr)
        answer(RequestAnswer::Cancel);
}

void RequestDialog::focus_on(int number) {
    if (QWidget* widget = control(number))
        widget->setFocus(Qt::OtherFocusReason);
}

bool RequestDialog::is_focused(int number) const {
    const QWidget* widget = control(number);
    return widget != nullptr && focusWidget() == widget;
}

MessageRequester::MessageRequester(Texts& language, QWidget* main_window)
    : language_(language), main_window_(main_window) {}

RequestAnswer MessageRequester::RequestMessage(const QString& title, const QString& text,
                                               RequestButtons buttons, QWidget* parent) {
    QWidget* opener = parent != nullptr ? parent : main_window_.data();
    const QPointer<QWidget> owner = opener != nullptr ? opener->window() : nullptr;
    const QPointer<QWidget> focused = Window_Disable(owner);
    QPointer<RequestDialog> dialog = new RequestDialog(title, text, buttons, language_, owner);
    // A child window of the disabled owner starts disabled too.
    dialog->setEnabled(true);
    const int result = dialog->exec();
    delete dialog.data();
    Window_Enable(focused, owner);
    return RequestDialog::answer_of(result);
}

} // namespace qp::ui
