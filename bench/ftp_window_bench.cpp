// One publishing run through the FTP window, offscreen, as the user makes it from the program:
// load the project, write its RSS file, then send every file through the window with the date
// check off, its loop driven by its own timer and the job's news. bench/ftp_window_vs_cli.sh
// starts the server and times the same run of the command-line tool beside it.
// QP_BENCH_PROJECT: the project; QP_BENCH_PASSWORD: the server's password.
#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/project_file.h"
#include "core/rss_create.h"
#include "core/texts.h"
#include "ui/dialogs/ftp_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {

using namespace qp;
using namespace qp::ui;

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

void BM_PublishThroughTheWindow(benchmark::State& state) {
    const std::string project = env("QP_BENCH_PROJECT");
    const QString password = QString::fromStdString(env("QP_BENCH_PASSWORD"));
    const std::string folder = folder_part(project);
    for (auto _ : state) {
        Log log;
        Doc doc;
        if (!LoadDoc(doc, project, log).ok()) {
            state.SkipWithError("QP_BENCH_PROJECT names no project");
            return;
        }
        doc.FileName = project;
        const RssCreateResult made = Rss_Create(doc, log, Paths(folder, folder, "/opt/", ""));
        if (!made.ok()) {
            state.SkipWithError(made.error.c_str());
            return;
        }
        net::FTPJob job;
        net::ftp_add_uploads(job, made.job, doc);
        net::ftp_add_feed_files(job, doc, made.rss_path);
        KeyTexts texts;
        FtpWindow window(nullptr, job, texts, net::ftp_client_seams());
        window.show();
        window.control<QCheckBox>(kFtpCheckDate)->setChecked(false);
        for (const QChar c : password) {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(window.control<QLineEdit>(kFtpPass), &key);
        }
        window.ftp_send();
        // A blocking loop as the window's own exec() runs; the check costs no CPU between ticks.
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            if (window.sender().finished())
                loop.quit();
        });
        check.start(10);
        loop.exec();
        if (!window.succeeded()) {
            state.SkipWithError("not every file was sent");
            return;
        }
    }
}
BENCHMARK(BM_PublishThroughTheWindow)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
