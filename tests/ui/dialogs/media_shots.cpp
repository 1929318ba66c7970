// Writes a PNG of the media refresh's wait window and of its closing messages (done and
// stopped), in French and in English, into the folder given on the command line, to look at:
// media_shots FOLDER
#include "ui/common/qt_text.h"
#include "ui/context/app_context.h"
#include "ui/dialogs/media_work.h"
#include "ui/dialogs/requester.h"
#include "ui/support/queued_seams.h"

#include <QApplication>
#include <QDir>
#include <QProgressDialog>

#include <cstdio>

using namespace qp;
using namespace qp::ui;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: media_shots FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    int failures = 0;
    const auto save = [&](QWidget& window, const QString& name) {
        window.show();
        QApplication::processEvents();
        const QString path = QStringLiteral("%1/%2.png").arg(out, name);
        if (!window.grab().save(path))
            ++failures;
        std::printf("%s\n", path.toLocal8Bit().constData());
    };
    for (const char* language : {"français", "english"}) {
        const QString tag = language[0] == 'e' ? "en" : "fr";
        AppContext ctx(Paths("/tmp/", "/tmp/", "/opt/", ""));
        testing::QueuedRequester requester;
        ctx.requester = &requester;
        ctx.lang.set_folders({std::string(QP_SOURCE_DIR) + "/data/Lang/"});
        (void)ctx.lang.Lang_Select(language);

        const auto wait = media_wait_create(ctx, nullptr, 10000);
        wait->setMinimumDuration(0);
        wait->setValue(4200);
        save(*wait, "media-wait-" + tag);
        wait->close();

        for (const char* key : {"Media.Done", "Media.Stopped"}) {
            RequestDialog box(to_q(ctx.lang.get("Msg.Info")),
                              to_q(ctx.lang.get(key, {"1204", "3", "12"})), RequestButtons::Ok,
                              ctx.lang, nullptr);
            save(box, QStringLiteral("media-%1-%2").arg(key[6] == 'D' ? "done" : "stopped", tag));
        }
    }
    return failures == 0 ? 0 : 1;
}
