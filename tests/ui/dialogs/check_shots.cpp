// Writes PNGs of the check window before publishing and on demand, with errors and warnings, in
// French and in English: check_shots OUTPUT_FOLDER SOURCE_DIR.
#include "core/language.h"
#include "ui/dialogs/check_window.h"
#include "ui/dialogs/shot_save.h"

#include <QApplication>
#include <QDir>
#include <QTest>

using namespace qp::ui;

using qp::test::save_shot;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3)
        return 64;
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    const std::string source = argv[2];

    qp::Doc doc;
    for (const char* title : {"Pilot: how it all began", "Interview with a long-winded guest"}) {
        qp::Feed feed;
        feed.FeedTitle = title;
        doc.Feeds.push_back(feed);
    }
    using qp::CheckLevel;
    const std::vector<qp::CheckFinding> findings{
        {CheckLevel::Warning, 1, "Check.NoExplicit", {}},
        {CheckLevel::Error, -1, "Check.ITunesOff", {}},
        {CheckLevel::Error, -1, "Check.NoCategory", {}},
        {CheckLevel::Warning, 0, "Check.NoCategory", {}},
        {CheckLevel::Warning,
         -1,
         "Check.DateZone",
         {"Fri, 05 Apr 2024 09:07:03 GMT+02:00", "%dl, %dd %ml %yyyy %hh:%ii:%ss %zz"}},
    };
    for (const char* language : {"français", "english"}) {
        const QString tag = language[0] == 'e' ? "en" : "fr";
        qp::LangTable lang({source + "/data/Lang/"});
        lang.Lang_Select(language);
        QWidget main;
        main.resize(600, 400);
        for (const auto mode : {CheckMode::BeforePublish, CheckMode::OnDemand}) {
            CheckWindow window(&main, doc, findings, lang, mode);
            window.show();
            QApplication::processEvents();
            const QString name = mode == CheckMode::BeforePublish ? "check-publish-" : "check-";
            save_shot(&window, out + "/" + name + tag + ".png");
            window.close();
        }
        // A long feed: the window just after it opens, its list still being filled.
        std::vector<qp::CheckFinding> many;
        for (int i = 0; i < 5000; ++i)
            many.push_back({i % 3 == 0 ? CheckLevel::Error : CheckLevel::Warning,
                            i % 2,
                            "Check.NoExplicit",
                            {}});
        CheckWindow window(&main, doc, many, lang, CheckMode::OnDemand);
        window.show();
        QTest::qWait(100);
        save_shot(&window, out + "/check-long-" + tag + ".png");
    }
    return 0;
}
