#include "ui/app/single_instance.h"

#include "core/file_io.h"
#include "core/log.h"
#include "core/text.h"
#include "ui/common/qt_text.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qp::ui {

namespace {

constexpr const char* kInstanceName = "Quillpost-OnlyOneInstance";
// A path longer than this is no path a second start sends; the connection is dropped.
constexpr qsizetype kMaxHandOverBytes = qsizetype{64} * 1024;
constexpr const char* kDone = "done\n";

bool text_matches(const std::string& text, std::string_view pattern) {
    const bool head = pattern.starts_with('*');
    const bool tail = pattern.size() > 1 && pattern.ends_with('*');
    if (head && tail)
        return text.find(pattern.substr(1, pattern.size() - 2)) != std::string::npos;
    if (tail)
        return text.find(pattern.substr(0, pattern.size() - 1)) != std::string::npos;
    if (head)
        return text.find(pattern.substr(1)) != std::string::npos;
    return text == pattern;
}

} // namespace

bool window_matches_pattern(std::string_view window_class, std::string_view window_text,
                            std::string_view class_pattern, std::string_view title_pattern) {
    const std::string want_class = fold_case(trim_spaces(class_pattern));
    if (!want_class.empty() && fold_case(trim_spaces(window_class)) != want_class)
        return false;
    return text_matches(fold_case(trim_spaces(window_text)), fold_case(trim_spaces(title_pattern)));
}

QString display_name() {
    const auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    const bool wayland = gui != nullptr && QGuiApplication::platformName().startsWith("wayland");
    QString x11 = qEnvironmentVariable("DISPLAY");
    QString wayland_socket = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (wayland || x11.isEmpty())
        return wayland_socket;
    return x11;
}

QString runtime_folder(const QString& private_folder) {
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    struct stat st {};
    if (!runtime.isEmpty() && ::stat(runtime.toLocal8Bit().constData(), &st) == 0 &&
        S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 0077) == 0)
        return runtime;
    return private_folder;
}

SingleInstance::SingleInstance(QString folder, QString display, QObject* parent)
    : QObject(parent), folder_(std::move(folder)), key_(kInstanceName) {
    // Two desktop sessions of one user each have their own instance; a name holds no "/".
    if (!display.isEmpty())
        key_ += "-" + display.replace('/', '_');
}

SingleInstance::~SingleInstance() {
    if (server_)
        server_->close();
    if (lock_fd_ >= 0)
        ::close(lock_fd_); // releases the lock
}

QString SingleInstance::lock_path() const {
    return folder_ + "/" + key_ + ".lock";
}

QString SingleInstance::socket_path() const {
    return folder_ + "/" + key_ + ".socket";
}

void SingleInstance::set_hand_over_handler(Log* log,
                                           std::function<void(int, const QString&)> handler) {
    log_ = log;
    handler_ = std::move(handler);
}

SingleInstance::Outcome SingleInstance::SingleInstance_Check(const QString& app_title,
                                                             const QString& start_file) {
    const std::string folder = from_q(folder_);
    // On a first start the main folder holding the private one may not be there yet.
    if (!folder.empty() && ::mkdir(folder.c_str(), 0700) != 0 && errno == ENOENT)
        (void)::mkdir(folder_part(folder).c_str(), 0700);
    if (folder.empty() || (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)) {
        error_ = "Can't create the folder " + folder_;
        return Outcome::Failed;
    }
    // A folder someone else made or may enter is no place for the lock of this user's program.
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 0077) != 0) {
        error_ = "The folder " + folder_ + " is not the user's alone";
        return Outcome::Failed;
    }
    // The lock closes with the process, so a crashed instance never blocks the next start; the
    // descriptor does not survive the error report's restart either.
    lock_fd_ = ::open(from_q(lock_path()).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock_fd_ < 0) {
        error_ = "Can't open the lock file " + lock_path();
        return Outcome::Failed;
    }
    if (::flock(lock_fd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(lock_fd_);
        lock_fd_ = -1;
        if (errno != EWOULDBLOCK) {
            error_ = "Can't lock the file " + lock_path();
            return Outcome::Failed;
        }
        return hand_over(app_title, start_file);
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socket_path()); // left behind by a run that crashed
    // Without the socket the program still runs; a second start then simply runs beside it.
    if (server_->listen(socket_path()))
        connect(server_, &QLocalServer::newConnection, this, &SingleInstance::on_new_connection);
    return Outcome::Primary;
}

SingleInstance::Outcome SingleInstance::hand_over(const QString& app_title,
                                                  const QString& start_file) {
    QLocalSocket socket;
    // The running instance may hold the lock a moment before it listens.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kConnectTimeoutMs);
    for (;;) {
        socket.connectToServer(socket_path());
        if (socket.waitForConnected(kConnectTimeoutMs))
            break;
        if (std::chrono::steady_clock::now() >= deadline)
            return Outcome::Primary; // no window found: start beside it
        QThread::msleep(50);
    }
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(kConnectTimeoutMs))
            return Outcome::Primary;
    }
    const std::string title = socket.readLine().trimmed().toStdString();
    if (!window_matches_pattern(kMainWindowClass, title, kMainWindowClass, from_q(app_title) + "*"))
        return Outcome::Primary;

    QByteArray path;
    if (!start_file.isEmpty())
        path = QByteArray::fromStdString(canonical_path(from_q(start_file)));
    const int dw_data = path.isEmpty() ? kHandOverActivate : kHandOverOpenFile;
    socket.write(QByteArray::number(dw_data) + ' ' + QByteArray::number(path.size()) + '\n' + path);
    socket.flush();
    // Like the synchronous window message: wait until the running window has handled it. The
    // outcome is the same either way; the running instance has the message.
    while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState)
        if (!socket.waitForReadyRead(kHandOverTimeoutMs))
            break;
    return Outcome::HandedOver;
}

void SingleInstance::on_new_connection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { on_ready_read(socket); });
        socket->write((title_ ? title_() : QString()).toUtf8().replace('\n', ' ') + '\n');
        socket->flush();
    }
}

void SingleInstance::on_ready_read(QLocalSocket* socket) {
    if (socket->property("handled").toBool())
        return;
    const QByteArray pending = socket->peek(kMaxHandOverBytes + 64);
    const qsizetype eol = pending.indexOf('\n');
    if (eol < 0) {
        if (pending.size() > 64)
            socket->abort();
        return;
    }
    const QList<QByteArray> head = pending.left(eol).split(' ');
    bool ok_data = false;
    bool ok_size = false;
    const int dw_data = head.value(0).toInt(&ok_data);
    const qsizetype size = head.value(1).toLongLong(&ok_size);
    if (head.size() != 2 || !ok_data || !ok_size || size < 0 || size > kMaxHandOverBytes) {
        socket->abort();
        return;
    }
    if (pending.size() < eol + 1 + size)
        return; // the rest of the path is still on its way
    socket->read(eol + 1 + size);
    socket->setProperty("handled", true);
    const QString path = QString::fromUtf8(pending.mid(eol + 1, size));
    if (log_)
        log_->add("* WM_CopyData = " + std::to_string(dw_data));
    if (handler_ && (dw_data == kHandOverActivate || dw_data == kHandOverOpenFile))
        handler_(dw_data, dw_data == kHandOverOpenFile ? path : QString());
    socket->write(kDone);
    socket->flush();
}

} // namespace qp::ui
