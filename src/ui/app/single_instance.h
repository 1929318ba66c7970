// One running program per user: a lock file marks the running instance, and a local socket beside
// it (readable by the user only) answers a second start with the window title and takes its
// hand-over, so a second `quillpost FILE` opens FILE in the running window and ends.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <string_view>

class QLocalServer;
class QLocalSocket;

namespace qp {
class Log;
}

namespace qp::ui {

// dwData of the hand-over message.
inline constexpr int kHandOverActivate = 1;
inline constexpr int kHandOverOpenFile = 2;

// The title rule of Window_FindByPattern for one window: class and title are lower-cased and
// trimmed of spaces; an empty class pattern matches every class; a title pattern starting and/or
// ending with "*" asks for the window text to contain the rest, otherwise to equal it.
bool window_matches_pattern(std::string_view window_class, std::string_view window_text,
                            std::string_view class_pattern, std::string_view title_pattern);

// The class name the running instance reports, as the main window's class was registered.
inline constexpr std::string_view kMainWindowClass = "WindowClass_0";

// The display the program shows on: the Wayland socket name on Wayland, else the X11 display
// name ($DISPLAY); empty when neither is known.
QString display_name();

// Where the instance lock lives: $XDG_RUNTIME_DIR when it is a folder of this user's that no one
// else may enter, else private_folder (a folder of the user's own, such as one under the main
// folder), which the instance check creates.
QString runtime_folder(const QString& private_folder);

class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Primary,    // this process is the running instance now (or runs beside one it did not find)
        HandedOver, // the running instance took the start file: end with exit status 0
        Failed,     // the lock could not be taken or created: see error(); end with status 2
    };

    // folder: where the lock file and the socket live (created with mode 0700). display: the
    // display the instance belongs to; one instance runs per user and display.
    explicit SingleInstance(QString folder, QString display = display_name(),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // SingleInstance_Check. app_title: "Quillpost" or "Quillpost-Portable"; start_file: the
    // path given on the command line (empty for none), handed over in its canonical form.
    Outcome SingleInstance_Check(const QString& app_title, const QString& start_file);
    // Why Failed was returned.
    const QString& error() const { return error_; }

    // The running instance answers a second start with this window title (the main window's
    // title); until it is set the answer is empty, which no pattern matches.
    void set_window_title_source(std::function<QString()> source) { title_ = std::move(source); }
    // MainWindow_Callback for the hand-over: logs "* WM_CopyData = " + dwData, then calls the
    // handler with dwData and the path (empty for dwData 1). The second instance waits until the
    // handler has returned, as it waited on the synchronous window message.
    void set_hand_over_handler(Log* log,
                               std::function<void(int dw_data, const QString& path)> handler);

    // The lock and socket paths, for tests and the log.
    QString lock_path() const;
    QString socket_path() const;

    // How long a second start waits for the running instance's answer and for the end of its
    // hand-over handling.
    static constexpr int kConnectTimeoutMs = 3000;
    static constexpr int kHandOverTimeoutMs = 60000;

private:
    void on_new_connection();
    void on_ready_read(QLocalSocket* socket);
    Outcome hand_over(const QString& app_title, const QString& start_file);

    QString folder_;
    QString key_;
    QString error_;
    int lock_fd_ = -1;
    QLocalServer* server_ = nullptr;
    std::function<QString()> title_;
    Log* log_ = nullptr;
    std::function<void(int, const QString&)> handler_;
};

} // namespace qp::ui
