#include "cli/commands.h"
#include "core/file_io.h"
#include "core/language.h"
#include "core/paths.h"
#include "core/preferences.h"
#include "core/rss_create.h"
#include "core/text.h"
#include "net/ftp_job.h"
#include "net/keyring.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace qp {

namespace {

constexpr const char* kPasswordVariable = "QUILLPOST_FTP_PASSWORD";
// An S3 store's secret key comes from a variable of its own: scripts that publish to both kinds
// of server keep the two secrets apart.
constexpr const char* kSecretVariable = "QUILLPOST_S3_SECRET";

const char* secret_variable(const Doc& doc) {
    return doc.Protocol == Protocol::S3 ? kSecretVariable : kPasswordVariable;
}

// What the secret is called in the questions and errors.
std::string secret_name(const Doc& doc) {
    switch (doc.Protocol) {
    case Protocol::S3:
        return "S3 secret key";
    case Protocol::WebDav:
        return "WebDAV password";
    default:
        return "FTP password";
    }
}
// The longest wait for news from the job: the progress bar and Ctrl+C are looked at this often.
constexpr int kPollMs = 100;
constexpr int kBarWidth = 30;

// --- The password ------------------------------------------------------------------------------

// The terminal state to put back if the prompt is interrupted; only read by the handler.
int g_tty_fd = -1;
struct termios g_tty_saved {};

extern "C" void restore_tty_and_die(int sig) {
    ::tcsetattr(g_tty_fd, TCSAFLUSH, &g_tty_saved);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// Asks on the controlling terminal with echo off. Empty error text on success.
std::string prompt_password(const std::string& question, const Doc& doc, std::string& password) {
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return "no terminal to ask for the " + secret_name(doc) +
               ": give it with --password-file FILE or in the environment variable " +
               secret_variable(doc);
    struct termios saved {};
    if (::tcgetattr(fd, &saved) != 0) {
        ::close(fd);
        return "can't turn off the echo of the terminal to ask for the " + secret_name(doc);
    }
    struct termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    g_tty_fd = fd;
    g_tty_saved = saved;
    auto* old_int = std::signal(SIGINT, restore_tty_and_die);
    auto* old_term = std::signal(SIGTERM, restore_tty_and_die);
    auto* old_hup = std::signal(SIGHUP, restore_tty_and_die);
    std::string error;
    if (::tcsetattr(fd, TCSAFLUSH, &quiet) != 0) {
        error = "can't turn off the echo of the terminal to ask for the " + secret_name(doc);
    } else {
        (void)!::write(fd, question.data(), question.size());
        char c = 0;
        bool ended = false;
        for (;;) {
            const ssize_t n = ::read(fd, &c, 1);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            if (c == '\n' || c == '\r') {
                ended = true;
                break;
            }
            password += c;
        }
        c = 0;
        (void)!::write(fd, "\n", 1);
        if (!ended) {
            net::secret_wipe(password);
            error = "no " + secret_name(doc) + " was typed";
        }
    }
    ::tcsetattr(fd, TCSAFLUSH, &saved);
    std::signal(SIGINT, old_int);
    std::signal(SIGTERM, old_term);
    std::signal(SIGHUP, old_hup);
    g_tty_fd = -1;
    ::close(fd);
    return error;
}

// The first line of a password file (a pipe too), read straight into one buffer that is wiped
// afterwards, so no copy of it is left in freed memory.
std::string read_password_file(const std::string& path, std::string& password) {
    constexpr std::size_t kMaxBytes = 4096;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return "can't read the password file " + path + ": " + system_error(errno).text;
    std::string data(kMaxBytes, '\0');
    std::size_t got = 0;
    std::string error;
    while (got < data.size()) {
        const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            error = "can't read the password file " + path + ": " + system_error(errno).text;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (error.empty()) {
        const std::size_t end = std::string_view(data.data(), got).find_first_of("\r\n");
        if (end == std::string::npos && got == data.size())
            error = "the password file " + path + " has no line end in its first " +
                    std::to_string(kMaxBytes) + " bytes";
        else
            password.assign(data, 0, end == std::string::npos ? got : end);
    }
    net::secret_wipe(data);
    return error;
}

// --password-file, else the keyring when asked, else the environment, else the terminal. Empty
// error text on success.
std::string get_password(const std::string* file, bool keyring, const Doc& doc,
                         std::string& password) {
    if (file)
        return read_password_file(*file, password);
    if (keyring) {
        Result<std::string> kept =
            net::keyring_read(net::keyring_key(doc.Protocol, doc.Client, doc.Port, doc.User));
        if (kept) {
            password = std::move(kept).value();
            return {};
        }
        if (kept.kind() != ErrorKind::NotFound)
            return "can't read the keyring: " + kept.error_text();
        return "the keyring holds no " + secret_name(doc) + " for " + net::ftp_printable(doc.User) +
               "@" + net::ftp_printable(doc.Client);
    }
    const char* variable = secret_variable(doc);
    if (char* env = std::getenv(variable)) {
        password = env;
        // Other processes of the user read /proc/PID/environ, which shows the bytes as they
        // were at start: they are overwritten, not only taken out of the environment.
        volatile char* bytes = env;
        for (std::size_t i = 0; bytes[i] != '\0'; ++i)
            bytes[i] = '\0';
        ::unsetenv(variable);
        return {};
    }
    // The account comes from the project: shown escaped, it cannot steer the terminal.
    return prompt_password(secret_name(doc) + " for " + net::ftp_printable(doc.User) + "@" +
                               net::ftp_printable(doc.Client) + ": ",
                           doc, password);
}

// --- Progress on standard error ------------------------------------------------------------------

class ProgressBar {
public:
    ProgressBar() : on_(::isatty(STDERR_FILENO) == 1) {}
    void show(int percent, const std::string& title) {
        if (!on_)
            return;
        const int filled = std::clamp(percent, 0, 100) * kBarWidth / 100;
        std::fprintf(stderr, "\r\033[K[%s%s] %3d%% %s", std::string(filled, '#').c_str(),
                     std::string(kBarWidth - filled, '.').c_str(), percent, title.c_str());
        std::fflush(stderr);
        shown_ = true;
    }
    void clear() {
        if (on_ && shown_)
            std::fputs("\r\033[K", stderr);
        shown_ = false;
    }

private:
    bool on_;
    bool shown_ = false;
};

// --- The server's identity ----------------------------------------------------------------------

// The identities accepted in the program's window (its settings file is read, never written), and
// the one fingerprint --trust accepts for this run. Anything else is refused: a script has nobody
// to ask.
net::TrustSettings trust_settings(const Preferences& prefs, const std::string* trusted) {
    net::TrustSettings trust;
    trust.accepted = prefs.trusted();
    trust.prompt = [wanted = trusted ? *trusted : std::string()](const net::TrustQuestion& q) {
        if (net::trust_same_fingerprint(q.fingerprint, wanted))
            return net::TrustDecision::AcceptOnce;
        std::fprintf(stderr,
                     "quillpost-cli: %s cannot be verified (%s). Its fingerprint is %s; if your "
                     "host confirms it, publish again with --trust %s\n",
                     net::ftp_printable(q.server).c_str(), net::ftp_printable(q.reason).c_str(),
                     q.fingerprint.c_str(), q.fingerprint.c_str());
        return net::TrustDecision::Refuse;
    };
    trust.warn = [settings = prefs.settings_path()](const net::TrustQuestion& w) {
        // The old identity is removed where it is kept: the SSH client's file, or ours.
        const std::string remove =
            w.stored_in.empty()
                ? "its line \"Trust." + net::ftp_printable(w.server) + "\" from " + settings
                : "the old key (" + net::ftp_printable(w.stored_in) + ")";
        std::fprintf(stderr,
                     "quillpost-cli: warning: %s shows another identity than before (now %s, "
                     "before %s). Someone may be intercepting the connection: nothing is sent. If "
                     "your host confirms the change, remove %s\n",
                     net::ftp_printable(w.server).c_str(), w.fingerprint.c_str(),
                     net::ftp_printable(w.before).c_str(), remove.c_str());
    };
    return trust;
}

std::atomic<bool> g_interrupted{false};
// The running job's cancel flag: raising it from the handler ends whatever the job waits for.
std::atomic<std::atomic<bool>*> g_cancel{nullptr};

extern "C" void note_interrupt(int) {
    g_interrupted = true;
    if (std::atomic<bool>* cancel = g_cancel.load())
        cancel->store(true);
}

} // namespace

int cmd_publish(const std::vector<std::string>& args) {
    ParsedArgs parsed;
    if (const std::string error =
            parse_args(args, {"--password-file", "--lang", "--trust"},
                       {"--no-date-check", "--no-address-check", "--keyring"}, parsed);
        !error.empty())
        return usage_error(error);
    if (parsed.positional.size() != 1)
        return usage_error(parsed.positional.empty() ? "publish needs a PROJECT"
                                                     : "publish takes one PROJECT");

    // The folders are fixed before anything can change the current folder.
    const Paths paths = Paths::from_system(executable_folder());
    const std::string project = absolute_path(parsed.positional[0]);
    const std::string* password_file = parsed.option("--password-file");
    const std::string password_path = password_file ? absolute_path(*password_file) : "";

    LangTable texts(language_folders(paths.pref_folder(), executable_folder()));
    if (const std::string error = select_language(parsed.option("--lang"), paths, texts);
        !error.empty())
        return usage_error(error);

    Log log; // the tool never writes the program's log file
    Doc doc;
    if (const std::string error = load_project(project, doc, log, NewerBackup::Refuse);
        !error.empty())
        return fail(error);

    // No core file or debugger of another process of the user sees the password.
    const rlimit no_core{0, 0};
    (void)::setrlimit(RLIMIT_CORE, &no_core);
    (void)::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    net::FTPJob job;
    if (const std::string error =
            get_password(password_file ? &password_path : nullptr,
                         parsed.option("--keyring") != nullptr, doc, job.password);
        !error.empty())
        return fail(error);

    // The program's settings (read, never written): the accepted server identities and whether
    // the published addresses are checked.
    Preferences prefs(paths, log);
    pref_register_all(prefs);
    (void)prefs.load_preferences();
    net::ftp_set_account(job, doc);
    if (job.protocol == net::Protocol::Ftp)
        std::fprintf(stderr,
                     "quillpost-cli: warning: plain FTP sends the password to %s in the "
                     "clear; choose FTPS or SFTP in the project's channel settings\n",
                     net::ftp_printable(doc.Client).c_str());
    job.check_addresses = !parsed.option("--no-address-check") &&
                          Pref_IsOn(prefs.preference_value(kPrefCheckAddresses));
    net::FtpSender sender(job, texts,
                          net::ftp_client_seams(trust_settings(prefs, parsed.option("--trust"))));
    sender.set_date_check(!parsed.option("--no-date-check"));
    // The login (with its TLS or SSH handshake) runs while the project is saved and synced and the
    // RSS file written: neither waits for the other.
    sender.begin_connect();
    const RssCreateResult made = Rss_Create(doc, log, paths);
    if (!made.error.empty()) {
        sender.close();
        net::secret_wipe(job.password);
        return fail(made.error);
    }
    net::ftp_add_uploads(job, made.job, doc);
    net::ftp_add_channel_files(job, doc, made.rss_path);
    ProgressBar bar;
    sender.set_line_sink([&bar](const std::string& line) {
        bar.clear();
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    });
    // Ctrl+C stops the job wherever it waits; the files not sent make the result a failure.
    g_cancel = &job.cancel;
    auto* old_int = std::signal(SIGINT, note_interrupt);
    const auto restore = [&] {
        std::signal(SIGINT, old_int);
        g_cancel = nullptr;
    };
    if (const Status connected = sender.connect(); !connected) {
        restore();
        return fail(g_interrupted ? "interrupted"
                                  : sender.lines().back() + " (" + connected.error_text() + ")");
    }
    // The job wakes this loop whenever it has news, so one file follows the other at once.
    while (!sender.finished() && !g_interrupted) {
        sender.poll();
        if (sender.transferring())
            bar.show(sender.progress(), sender.title());
        if (!sender.finished())
            sender.wait(kPollMs);
    }
    bar.clear();
    sender.close();
    restore();
    if (g_interrupted)
        return fail("interrupted: not every file was sent");
    return sender.succeeded() ? kExitOk : kExitFailure;
}

} // namespace qp
