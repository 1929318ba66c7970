#include "ui/dialogs/update_check.h"

#include "core/language.h"
#include "core/log.h"
#include "core/preferences.h"
#include "core/text.h"
#include "core/version.h"
#include "ui/common/qt_text.h"
#include "ui/context/seams.h"

#include <QDir>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProgressDialog>
#include <QTemporaryFile>

#include <charconv>

namespace qp::ui {

namespace {

constexpr std::string_view kMarker = "version :";
constexpr std::size_t kMarkerWindow = 50;
constexpr int kWaitShowDelayMs = 300;

std::string leading_digits(std::string_view field) {
    const std::string trimmed = trim_blanks(field);
    std::size_t n = 0;
    while (n < trimmed.size() && trimmed[n] >= '0' && trimmed[n] <= '9')
        ++n;
    return trimmed.substr(0, n);
}

std::string number_text(float value) {
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof(buf), value);
    return ec == std::errc() ? std::string(buf, end) : std::string("0");
}

// The page's lines, each ended by one LF, whatever line ends the file had.
std::string page_lines(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 1);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        out.append(text.substr(pos, end - pos)).push_back('\n');
        pos = end;
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    return out;
}

enum class Download { Done, Failed, Cancelled };

// Fetches url into file while a modal wait window with Cancel runs its own event loop.
Download download(QWidget* parent, LangTable& lang, const QString& url, int timeout_ms,
                  QIODevice& file) {
    QNetworkAccessManager network;
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(timeout_ms);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = network.get(request);

    QProgressDialog wait(to_q(lang.Lang_Get("CNV\\Msg.Wait")),
                         to_q(lang.Lang_Get("RequestButton.Cancel")), 0, 0, parent);
    wait.setWindowTitle(to_q(lang.Lang_Get("Menu\\About.CheckNewVersion")).remove('&'));
    wait.setWindowModality(Qt::ApplicationModal);
    wait.setMinimumDuration(kWaitShowDelayMs);
    wait.setAutoClose(false);
    wait.setAutoReset(false);
    wait.setValue(0);

    bool cancelled = false;
    bool write_failed = false;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        const QByteArray chunk = reply->readAll();
        if (file.write(chunk) != chunk.size())
            write_failed = true;
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&wait, &QProgressDialog::canceled, &loop, [&] {
        cancelled = true;
        reply->abort();
    });
    if (!reply->isFinished())
        loop.exec();
    if (reply->isOpen()) {
        const QByteArray rest = reply->readAll();
        if (file.write(rest) != rest.size())
            write_failed = true;
    }
    const bool ok = reply->error() == QNetworkReply::NoError && !write_failed;
    reply->deleteLater();
    if (cancelled)
        return Download::Cancelled;
    return ok && file.seek(0) ? Download::Done : Download::Failed;
}

} // namespace

void check_new_version_register(Preferences& prefs) {
    prefs.add_text_preference(kPrefVersionPageName, kPrefVersionPage, kWindowMain,
                              kDefaultVersionPage);
}

std::string version_from_page(std::string_view page) {
    const std::string lower = fold_case(page);
    const std::size_t at = lower.find(kMarker);
    if (at == std::string::npos)
        return {};
    std::string_view v = std::string_view(lower).substr(at, kMarkerWindow);
    const std::size_t first = v.find(':');
    v = v.substr(first + 1);
    v = v.substr(0, v.find(':'));
    v = v.substr(0, v.find('<'));
    std::string out;
    for (const char c : v)
        if (c != '\r' && c != '\n')
            out.push_back(c == '.' ? ',' : c);
    return trim_spaces(out);
}

float version_number(std::string_view version) {
    const std::size_t comma = version.find(',');
    const std::string major = leading_digits(version.substr(0, comma));
    const std::string minor =
        comma == std::string_view::npos ? std::string() : leading_digits(version.substr(comma + 1));
    const std::string text = (major.empty() ? "0" : major) + "." + (minor.empty() ? "0" : minor);
    float value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

UpdateCheckOutcome CheckNewVersion(QWidget* parent, LangTable& lang, Log& log, Requester& requester,
                                   const UpdateCheckSetup& setup) {
    log.add("* Check for new version");
    log.add(" Current Version : " + std::string(kProgramVersion));

    std::string error;
    std::string page;
    {
        // A private file of a fresh name: another user cannot plant it in the shared folder.
        QTemporaryFile file(QDir::tempPath() + "/Ver-Quillpost-XXXXXX.txt");
        if (!file.open()) {
            log.add("! Can't acces to Tamporary FileVersion !");
            error = lang.Lang_Get("CNV\\Msg.ErrorReadintTempVersionFile");
        } else {
            log.add(" Temporary Html File : " + from_q(file.fileName()));
            log.add(" URL File Page = " + from_q(setup.page_url));
            switch (download(parent, lang, setup.page_url, setup.timeout_ms, file)) {
            case Download::Cancelled:
                log.add("- Check for new version cancelled");
                return UpdateCheckOutcome::Cancelled;
            case Download::Failed:
                error = lang.Lang_Get("CNV\\Msg.DownloadErrorVersionFile");
                break;
            case Download::Done:
                page = page_lines(decode_text_file(file.readAll().toStdString()));
                break;
            }
        }
    }
    if (!error.empty()) {
        log.add("! " + error);
        requester.RequestMessage(to_q(lang.Lang_Get("Msg.Error")), to_q(error), RequestButtons::Ok,
                                 parent);
        return UpdateCheckOutcome::Failed;
    }

    const std::string remote_text = version_from_page(page);
    const float remote = version_number(remote_text);
    const float local = version_number(kProgramVersion);
    log.add(" New version : " + remote_text + " Distan=" + number_text(remote) +
            " Local=" + number_text(local));
    const QString info = to_q(lang.Lang_Get("Msg.Info"));
    if (remote > local) {
        if (requester.RequestMessage(info, to_q(lang.Lang_Get("CNV\\Msg.NewVersion", remote_text)),
                                     RequestButtons::YesNo, parent) == RequestAnswer::Yes)
            setup.open(QUrl(setup.page_url));
        return UpdateCheckOutcome::NewVersion;
    }
    requester.RequestMessage(info, to_q(lang.Lang_Get("CNV\\Msg.NoNewVersion")), RequestButtons::Ok,
                             parent);
    return UpdateCheckOutcome::NoNewVersion;
}

} // namespace qp::ui
