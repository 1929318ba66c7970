// Writes a PNG of each window of the help menu, the log, the update check and the error
// messages, in French and in English: window_shots OUTPUT_FOLDER SOURCE_DIR.
// Runs on any Qt platform (offscreen or Xvfb); scripts/screenshots.sh may call it.
#include "core/language.h"
#include "core/log.h"
#include "ui/app/crash_report.h"
#include "ui/app/fatal_error.h"
#include "ui/context/seams.h"
#include "ui/dialogs/about_window.h"
#include "ui/dialogs/data_files.h"
#include "ui/dialogs/modal.h"
#include "ui/dialogs/text_window.h"
#include "ui/dialogs/update_check.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QTcpServer>

#include <cstdio>

using namespace qp::ui;

namespace {

struct SilentRequester : Requester {
    RequestAnswer RequestMessage(const QString&, const QString&, RequestButtons,
                                 QWidget*) override {
        return RequestAnswer::No;
    }
};

QString g_out;

void save(QWidget* w, const QString& name) {
    const QString path = g_out + "/" + name + ".png";
    w->grab().save(path);
    std::printf("%s\n", path.toLocal8Bit().constData());
}

// Grabs the modal window `run` opens, then closes it.
void shoot_modal(const QString& name, const std::function<void()>& run) {
    qp::test::when_modal([name](QWidget* w) {
        QApplication::processEvents();
        save(w, name);
        w->close();
    });
    run();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3)
        return 64;
    g_out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_out);
    const std::string source = argv[2];
    const QStringList folders{QString::fromStdString(source) + "/data/"};

    for (const char* language : {"français", "english"}) {
        const QString tag = language[0] == 'e' ? "en" : "fr";
        qp::LangTable lang({source + "/data/Lang/"});
        lang.Lang_Select(language);
        QWidget main;
        main.resize(600, 400);

        shoot_modal("history-" + tag, [&] { WhatsNew_Show(&main, folders, lang); });
        qp::Log log;
        log.add_header("Quillpost 0,28,1305,1700");
        log.add_header("System = " + qp::OSName());
        log.add("* Document_New");
        shoot_modal("log-" + tag, [&] { Log_Show(&main, log, "Quillpost"); });

        AboutWindow about(&main, lang, folders, [](const QUrl&) { return true; });
        about.show();
        QApplication::processEvents();
        save(&about, "about-" + tag);
        about.close();

        QTcpServer silent; // accepts and never answers, so the wait window stays up
        silent.listen(QHostAddress::LocalHost);
        SilentRequester requester;
        qp::Log check_log;
        shoot_modal("update-wait-" + tag, [&] {
            CheckNewVersion(
                &main, lang, check_log, requester,
                {QString("http://127.0.0.1:%1/Quillpost/index.php").arg(silent.serverPort()),
                 kVersionTimeoutMs, [](const QUrl&) { return true; }});
        });
    }

    QDir().mkpath(g_out + "/tmp");
    const QString report = g_out + "/tmp/report.txt";
    qp::ui::FaultFacts facts;
    facts.signal = 11; // an invalid access at a typical place
    facts.code_address = 0x55D2C3A41F2A;
    facts.target_address = 0;
    for (int i = 0; i < 16; ++i)
        facts.registers[i] = 0x1000ULL * static_cast<unsigned>(i);
    facts.registers[7] = 0x7FFC8E2D1A40;
    facts.have_registers = true;
    char text[4096];
    const std::size_t n = error_report_format(facts, text, sizeof(text));
    QFile file(report);
    if (file.open(QIODevice::WriteOnly))
        file.write(text, static_cast<qint64>(n));
    file.close();
    shoot_modal("error-report", [&] { error_report_show(report); });
    shoot_modal("fatal-line",
                [&] { show_system_message_box("Error", "! IsDpc(), no Doc() set ! "); });
    QDir(g_out + "/tmp").removeRecursively();
    return 0;
}
