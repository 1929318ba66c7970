// The FTP window (window 2500): the user checks the account of the document, types the password,
// sends, and watches the message list, the progress bar and the title count through the files.
// Everything that talks to the server runs on the job's own threads, so the window repaints and
// its buttons answer at every moment.
#pragma once

#include "core/document.h"
#include "net/ftp_job.h"
#include "net/keyring.h"
#include "ui/common/control_registry.h"

#include <QDialog>
#include <QRect>
#include <QSize>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;

namespace qp {
class Texts;
}

namespace qp::ui {

inline constexpr int kFtpWindowId = 2500;
inline constexpr int kFtpCheckDate = 2501;
inline constexpr int kFtpPort = 2502;
inline constexpr int kFtpClient = 2503;
inline constexpr int kFtpUser = 2504;
inline constexpr int kFtpPass = 2505;
inline constexpr int kFtpSend = 2506;
inline constexpr int kFtpCancel = 2507;
inline constexpr int kFtpMessages = 2508;
inline constexpr int kFtpProgress = 2509;
inline constexpr int kFtpProtocol = 2510;
inline constexpr int kFtpRemember = 2511;

// The desktop's keyring as the window uses it; tests give their own.
struct KeyringSeams {
    std::function<Status()> available = net::keyring_available;
    std::function<Result<std::string>(const net::KeyringKey&)> read = net::keyring_read;
    std::function<Status(const net::KeyringKey&, const std::string&)> store = net::keyring_store;
    std::function<Status(const net::KeyringKey&)> forget = net::keyring_forget;
};

class PasswordKeeper;

class FtpWindow : public QDialog {
    Q_OBJECT
public:
    FtpWindow(QWidget* parent, net::FTPJob& job, Texts& texts, net::FtpJobSeams seams,
              KeyringSeams keyring = {});
    ~FtpWindow() override;

    // One pass of the window's loop: the job's news, the progress, the title and the buttons.
    // The timer and the job's notify run it; a test may call it directly.
    void ftp_poll();
    // The send button: takes the account from the fields and connects off the window's thread.
    void ftp_send();

    // True when no file is left unsent.
    bool succeeded() const { return sender_.succeeded(); }
    const net::FtpSender& sender() const { return sender_; }
    const net::FTPJob& job() const { return job_; }
    const ControlRegistry& controls() const { return controls_; }
    template <class T> T* control(int number) const { return controls_.get<T>(number); }

    void done(int r) override;

protected:
    // The fields and the lists follow the window's width, the message list takes the extra
    // height, and what lies below it moves down.
    void resizeEvent(QResizeEvent* event) override;

private:
    // While connecting or connected the account, the date check and the send button are fixed.
    void set_account_editable(bool on);
    // Ends the job, closes the connection and wipes the password: on every way out.
    void shutdown();
    // Proposes the new protocol's port when the port was the old one's.
    void protocol_changed();
    // Names the account's fields as the shown protocol calls them.
    void name_account_fields();
    // The keyring's entry for the account of the job.
    net::KeyringKey keyring_key() const;
    // Fills the password from the keyring when it holds one for the account.
    void recall_password();
    // Once logged in: keeps the password in the keyring, or forgets it when the box was unticked.
    void keep_password();
    QRect placed_rect(const QWidget* widget) const;

    net::FTPJob& job_;
    Texts& texts_;
    net::FtpSender sender_;
    ControlRegistry controls_;
    QCheckBox* check_date_ = nullptr;
    QCheckBox* remember_ = nullptr;
    KeyringSeams keyring_;
    bool keyring_usable_ = false;
    bool recalled_ = false; // the keyring held the password shown
    QComboBox* protocol_ = nullptr;
    Protocol shown_protocol_ = Protocol::Ftp;
    QLineEdit* port_ = nullptr;
    QLineEdit* client_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* pass_ = nullptr;
    QPushButton* send_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QListWidget* messages_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTimer* timer_ = nullptr;
    std::unique_ptr<PasswordKeeper> password_;
    bool account_editable_ = true;
    bool reported_ = false;
    bool closed_ = false;
    QSize laid_out_;                                 // the size the layout engine gave
    std::vector<std::pair<QWidget*, QRect>> placed_; // each child where the engine put it
};

// Runs the FTP window on the job, modal to parent (disabled meanwhile). 1 when every file was
// sent or skipped, else 0.
int FTP_SendFiles(net::FTPJob& job, QWidget* parent, Texts& texts,
                  net::FtpJobSeams seams = net::ftp_client_seams(), KeyringSeams keyring = {});

// Adds the document's account, its RSS file and its project file to the job, then runs the FTP
// window with parent. True when FTP_SendFiles returns 1.
bool Rss_Upload(const Doc& doc, const std::string& rss_path, net::FTPJob& job, QWidget* parent,
                Texts& texts, net::FtpJobSeams seams = net::ftp_client_seams());

} // namespace qp::ui
