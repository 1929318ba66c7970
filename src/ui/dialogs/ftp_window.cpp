#include "ui/dialogs/ftp_window.h"

#include "core/channel_settings.h"
#include "core/layout.h"
#include "core/text.h"
#include "core/texts.h"
#include "ui/common/combo.h"
#include "ui/common/layout_bridge.h"
#include "ui/common/qt_text.h"
#include "ui/common/window_state.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>

#include <array>

namespace qp::ui {

namespace {

constexpr int kWidth = 400;
// How far from the window's right edge a control may end and still count as reaching it.
constexpr int kRightSlack = 24;
constexpr int kPollMs = 100;
constexpr qsizetype kSecretRoom = 64;
constexpr QChar kMaskChar = u'*';

const std::array<ControlLine, 11> kLines = {{
    {kFtpCheckDate, ControlKind::CheckBox, "ABCDE", LabelMode::NoLabel, "FTP\\Win.CheckDate"},
    {kFtpProtocol, ControlKind::Combo, "CDE", LabelMode::WithLabel, "FTP\\Win.Protocol"},
    {kFtpPort, ControlKind::Edit, "CDE", LabelMode::WithLabel, "FTP\\Win.Port"},
    {kFtpClient, ControlKind::Edit, "CDE", LabelMode::WithLabel, "FTP\\Win.Client"},
    {kFtpUser, ControlKind::Edit, "CDE", LabelMode::WithLabel, "FTP\\Win.User"},
    {kFtpPass, ControlKind::Password, "CDE", LabelMode::WithLabel, "FTP\\Win.Pass"},
    {kFtpRemember, ControlKind::CheckBox, "ABCDE", LabelMode::NoLabel, "FTP\\Win.Remember"},
    {kFtpSend, ControlKind::Button, "DE", LabelMode::NoLabel, "FTP\\Win.Send"},
    {kFtpCancel, ControlKind::Button, "AB -1", LabelMode::NoLabel, "FTP\\Win.Cancel"},
    {kFtpMessages, ControlKind::ListBox, "ABCDE 3", LabelMode::WithLabel, nullptr},
    {kFtpProgress, ControlKind::Progress, "ABCDE", LabelMode::WithLabel, "FTP\\Win.ProgressBar"},
}};

void wipe(QString& text) {
    text.resize(text.capacity()); // within the capacity: the same memory
    auto* chars = reinterpret_cast<volatile char16_t*>(text.data());
    for (qsizetype i = 0; i < text.size(); ++i)
        chars[i] = 0;
    text.clear();
}

} // namespace

// Keeps the typed password out of the field: the field holds one mask character per character
// typed, the secret lives in one buffer of its own that is wiped when the window closes. The
// field's own undo history, which the window cannot wipe, never sees the secret.
class PasswordKeeper : public QObject {
public:
    explicit PasswordKeeper(QLineEdit& field) : field_(field) {
        secret_.reserve(kSecretRoom);
        field_.setContextMenuPolicy(Qt::NoContextMenu);
        field_.setAcceptDrops(false);
        field_.installEventFilter(this);
    }
    ~PasswordKeeper() override { wipe(secret_); }
    PasswordKeeper(const PasswordKeeper&) = delete;
    PasswordKeeper& operator=(const PasswordKeeper&) = delete;

    // The secret in UTF-8, for the job; the caller wipes it. The room is reserved up front, so no
    // copy is left behind by a reallocation.
    std::string utf8() const {
        std::string out;
        out.reserve(static_cast<std::size_t>(secret_.size()) * 3);
        for (qsizetype i = 0; i < secret_.size(); ++i) {
            char32_t c = secret_[i].unicode();
            if (QChar::isHighSurrogate(c) && i + 1 < secret_.size() &&
                secret_[i + 1].isLowSurrogate())
                c = QChar::surrogateToUcs4(static_cast<char16_t>(c), secret_[++i].unicode());
            append_utf8(out, c); // a lone half of a pair becomes U+FFFD
        }
        return out;
    }

    void clear() {
        wipe(secret_);
        secret_.reserve(kSecretRoom);
        field_.setText({});
    }

    // Replaces the secret, as from the keyring.
    void set(const std::string& utf8) {
        QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
        clear();
        edit(0, 0, text);
        wipe(text);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &field_)
            return false;
        switch (event->type()) {
        case QEvent::KeyPress:
            return key(*static_cast<QKeyEvent*>(event));
        case QEvent::InputMethod: {
            auto* ime = static_cast<QInputMethodEvent*>(event);
            if (!ime->commitString().isEmpty())
                typed(ime->commitString());
            return true;
        }
        case QEvent::DragEnter:
        case QEvent::Drop:
            return true;
        default:
            return false;
        }
    }

private:
    bool key(QKeyEvent& event) {
        if (event.matches(QKeySequence::Paste)) {
            QString pasted = QApplication::clipboard()->text();
            typed(pasted.remove(QLatin1Char('\r')).remove(QLatin1Char('\n')));
            return true;
        }
        // The mask would be all a copy or an undo could give: they are refused.
        if (event.matches(QKeySequence::Copy) || event.matches(QKeySequence::Cut) ||
            event.matches(QKeySequence::Undo) || event.matches(QKeySequence::Redo))
            return true;
        const int at = field_.cursorPosition();
        if (event.key() == Qt::Key_Backspace || event.key() == Qt::Key_Delete) {
            if (field_.hasSelectedText())
                edit(field_.selectionStart(), field_.selectionLength(), {});
            else if (event.key() == Qt::Key_Backspace && at > 0)
                edit(at - 1, 1, {});
            else if (event.key() == Qt::Key_Delete && at < secret_.size())
                edit(at, 1, {});
            return true;
        }
        const QString text = event.text();
        if (text.isEmpty() || !text.at(0).isPrint() ||
            (event.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
            return false; // moves, Tab, Return, Escape, select all: the field's own
        typed(text);
        return true;
    }

    void typed(QStringView text) {
        if (field_.hasSelectedText())
            edit(field_.selectionStart(), field_.selectionLength(), text);
        else
            edit(field_.cursorPosition(), 0, text);
    }

    void edit(qsizetype at, qsizetype removed, QStringView text) {
        at = std::clamp<qsizetype>(at, 0, secret_.size());
        removed = std::clamp<qsizetype>(removed, 0, secret_.size() - at);
        const qsizetype before = secret_.size();
        const qsizetype after = before - removed + text.size();
        if (after > secret_.capacity()) {
            QString bigger;
            bigger.reserve(after * 2);
            bigger.append(secret_);
            wipe(secret_);
            secret_.swap(bigger);
        }
        secret_.remove(at, removed);
        secret_.insert(at, text);
        if (after < before) { // the characters moved off the end stay in the buffer otherwise
            secret_.resize(before);
            for (qsizetype i = after; i < before; ++i)
                secret_[i] = QChar();
            secret_.resize(after);
        }
        field_.setText(QString(secret_.size(), kMaskChar));
        field_.setCursorPosition(static_cast<int>(at + text.size()));
    }

    QLineEdit& field_;
    QString secret_;
};

FtpWindow::FtpWindow(QWidget* parent, net::FTPJob& job, Texts& texts, net::FtpJobSeams seams,
                     KeyringSeams keyring)
    : QDialog(parent), job_(job), texts_(texts), sender_(job, texts, std::move(seams)),
      keyring_(std::move(keyring)) {
    setWindowTitle(to_q(texts_.get("FTP\\Title.Send")));
    setProperty("windowId", kFtpWindowId);
    GadgetLayout layout = layout_new(kWidth);
    layout_build(*this, layout, kLines, texts_, controls_);
    laid_out_ = QSize(kWidth, layout.MaxY);
    setMinimumSize(laid_out_);
    resize(laid_out_);
    setSizeGripEnabled(true);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        placed_.emplace_back(child, child->geometry());

    check_date_ = controls_.get<QCheckBox>(kFtpCheckDate);
    remember_ = controls_.get<QCheckBox>(kFtpRemember);
    protocol_ = controls_.get<QComboBox>(kFtpProtocol);
    port_ = controls_.get<QLineEdit>(kFtpPort);
    client_ = controls_.get<QLineEdit>(kFtpClient);
    user_ = controls_.get<QLineEdit>(kFtpUser);
    pass_ = controls_.get<QLineEdit>(kFtpPass);
    send_ = controls_.get<QPushButton>(kFtpSend);
    cancel_ = controls_.get<QPushButton>(kFtpCancel);
    messages_ = controls_.get<QListWidget>(kFtpMessages);
    progress_ = controls_.get<QProgressBar>(kFtpProgress);
    password_ = std::make_unique<PasswordKeeper>(*pass_);
    // A server's reason is read whole, however long: lines wrap instead of being cut.
    messages_->setWordWrap(true);
    messages_->setTextElideMode(Qt::ElideNone);
    messages_->setResizeMode(QListView::Adjust);
    messages_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    check_date_->setChecked(true);
    for (const ProtocolItem& item : kChannelProtocols)
        protocol_->addItem(to_q(texts_.get(item.key)), protocol_number(item.value));
    shown_protocol_ = job_.protocol;
    ItemToCombo_ByData(protocol_, protocol_number(shown_protocol_), ComboMissing::SelectFirst);
    connect(protocol_, &QComboBox::currentIndexChanged, this, &FtpWindow::protocol_changed);
    name_account_fields();
    port_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,5}"), port_));
    port_->setText(QString::number(job_.port));
    client_->setText(to_q(job_.server));
    user_->setText(to_q(job_.user));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    send_->setDefault(true);
    (job_.server.empty() ? client_ : pass_)->setFocus();
    recall_password();

    sender_.set_line_sink([this](const std::string& line) {
        messages_->addItem(to_q(line));
        messages_->scrollToBottom();
    });
    // The job's threads ask for a pass of the loop whenever they have news.
    sender_.set_notify(
        [this] { QMetaObject::invokeMethod(this, &FtpWindow::ftp_poll, Qt::QueuedConnection); });
    connect(send_, &QPushButton::clicked, this, &FtpWindow::ftp_send);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &FtpWindow::ftp_poll);
    timer_->start(kPollMs);
}

FtpWindow::~FtpWindow() {
    shutdown();
}

void FtpWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int dx = std::max(0, width() - laid_out_.width());
    const int dy = std::max(0, height() - laid_out_.height());
    const QRect list = messages_ == nullptr ? QRect() : placed_rect(messages_);
    for (const auto& [widget, at] : placed_) {
        QRect r = at;
        const bool reaches_right = at.right() >= laid_out_.width() - kRightSlack;
        if (reaches_right && at.left() >= laid_out_.width() / 2)
            r.translate(dx, 0); // a button of the right-hand columns stays on the right
        else if (reaches_right)
            r.setWidth(at.width() + dx);
        if (widget == messages_)
            r.setHeight(at.height() + dy);
        else if (at.top() > list.top())
            r.translate(0, dy);
        widget->setGeometry(r);
    }
}

QRect FtpWindow::placed_rect(const QWidget* widget) const {
    for (const auto& [w, at] : placed_)
        if (w == widget)
            return at;
    return {};
}

void FtpWindow::ftp_send() {
    if (closed_ || sender_.connecting() || sender_.connected())
        return;
    job_.server = from_q(client_->text().trimmed());
    job_.user = from_q(user_->text());
    job_.port = port_->text().toInt();
    job_.protocol = protocol_from_number(protocol_->currentData().toInt());
    std::string secret = password_->utf8();
    job_.password.assign(secret);
    net::secret_wipe(secret);
    sender_.set_date_check(check_date_->isChecked());
    set_account_editable(false);
    sender_.begin_connect();
}

void FtpWindow::ftp_poll() {
    if (closed_)
        return;
    const bool was_connecting = sender_.connecting();
    sender_.poll();
    if (was_connecting && !sender_.connecting()) {
        if (sender_.connected()) {
            keep_password();
            cancel_->setText(to_q(texts_.get("FTP\\Win.Quit")));
            messages_->setFocus();
        } else {
            // Wrong account or password, or a server that could not be verified: the reason
            // goes beside the failure, as the command-line tool shows it, and the user may correct
            // the account and send again.
            if (QListWidgetItem* last = messages_->item(messages_->count() - 1);
                last != nullptr && !sender_.connect_error().empty())
                last->setText(last->text() + " (" + to_q(sender_.connect_error()) + ")");
            set_account_editable(true);
            pass_->setFocus();
            pass_->selectAll();
        }
    }
    // Also after a transfer, so the bar ends full beside the end report.
    progress_->setValue(sender_.progress());
    const QString title = to_q(sender_.title());
    if (windowTitle() != title)
        setWindowTitle(title);
    if (sender_.finished() && !reported_) {
        reported_ = true;
        cancel_->setText(to_q(texts_.get("FTP\\Win.Quit")));
    }
}

void FtpWindow::protocol_changed() {
    const Protocol chosen = protocol_from_number(protocol_->currentData().toInt());
    port_->setText(
        QString::number(protocol_proposed_port(shown_protocol_, chosen, port_->text().toInt())));
    shown_protocol_ = chosen;
    name_account_fields();
}

void FtpWindow::name_account_fields() {
    const AccountLabels keys = account_labels(shown_protocol_);
    set_label_of(*this, client_, to_q(texts_.get(keys.server)));
    set_label_of(*this, user_, to_q(texts_.get(keys.user)));
    set_label_of(*this, pass_, to_q(texts_.get(keys.password)));
    // The address of a store or share carries its port.
    port_->setEnabled(account_editable_ && !protocol_uses_address(shown_protocol_));
}

void FtpWindow::set_account_editable(bool on) {
    account_editable_ = on;
    for (QWidget* w : std::initializer_list<QWidget*>{send_, check_date_, protocol_, port_, client_,
                                                      user_, pass_})
        w->setEnabled(on);
    remember_->setEnabled(on && keyring_usable_);
    name_account_fields();
}

net::KeyringKey FtpWindow::keyring_key() const {
    return net::keyring_key(job_.protocol, job_.server, job_.port, job_.user);
}

void FtpWindow::recall_password() {
    const Status usable =
        keyring_.available ? keyring_.available() : make_error(ErrorKind::Failed, "no keyring");
    keyring_usable_ = usable.ok();
    remember_->setEnabled(keyring_usable_);
    if (!keyring_usable_) {
        remember_->setToolTip(to_q(texts_.get("FTP\\Win.NoKeyring", {usable.error_text()})));
        return;
    }
    if (job_.server.empty() || !keyring_.read)
        return;
    Result<std::string> kept = keyring_.read(keyring_key());
    if (!kept)
        return;
    std::string secret = std::move(kept).value();
    password_->set(secret);
    net::secret_wipe(secret);
    recalled_ = true;
    remember_->setChecked(true);
    send_->setFocus();
}

void FtpWindow::keep_password() {
    if (!keyring_usable_)
        return;
    Status done;
    if (remember_->isChecked() && keyring_.store) {
        std::string secret = password_->utf8();
        done = keyring_.store(keyring_key(), secret);
        net::secret_wipe(secret);
    } else if (recalled_ && keyring_.forget) {
        done = keyring_.forget(keyring_key());
    }
    if (!done) {
        messages_->addItem(to_q(texts_.get("FTP\\Win.KeyringFailed", {done.error_text()})));
        messages_->scrollToBottom();
    }
}

void FtpWindow::done(int r) {
    shutdown();
    QDialog::done(r);
}

void FtpWindow::shutdown() {
    if (closed_)
        return;
    timer_->stop();
    sender_.close();
    closed_ = true;
    password_->clear();
    net::secret_wipe(job_.password);
}

int FTP_SendFiles(net::FTPJob& job, QWidget* parent, Texts& texts, net::FtpJobSeams seams,
                  KeyringSeams keyring) {
    QWidget* owner = parent != nullptr ? parent->window() : nullptr;
    const QPointer<QWidget> focused = Window_Disable(owner);
    int result = 0;
    {
        FtpWindow window(owner, job, texts, std::move(seams), std::move(keyring));
        // A child window of the disabled owner starts disabled too.
        window.setEnabled(true);
        window.exec();
        window.done(QDialog::Rejected); // when the program quits, exec() ends without it
        result = window.succeeded() ? 1 : 0;
    }
    Window_Enable(focused, owner);
    return result;
}

bool Rss_Upload(const Doc& doc, const std::string& rss_path, net::FTPJob& job, QWidget* parent,
                Texts& texts, net::FtpJobSeams seams) {
    net::ftp_add_feed_files(job, doc, rss_path);
    return FTP_SendFiles(job, parent, texts, std::move(seams)) == 1;
}

} // namespace qp::ui
