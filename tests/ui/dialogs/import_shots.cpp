// Writes a PNG of the import window with two feeds imported before, of the Project menu that
// opens it, and of the boxes that show what an imported feed kept as it stands (the document
// window's Podcast page, the feed window's Episode page), in French and in English:
// import_shots OUTPUT_FOLDER SOURCE_DIR.
#include "core/feed_import.h"
#include "ui/context/app_context.h"
#include "ui/dialogs/doc_window.h"
#include "ui/dialogs/feed_window.h"
#include "ui/dialogs/import_window.h"
#include "ui/dialogs/shot_save.h"
#include "ui/shell/main_window.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace qp::ui;

using qp::test::save_shot;

namespace {

// A feed with more than the document models, on the channel and on its episode.
constexpr std::string_view kKeptFeed =
    R"(<?xml version="1.0" encoding="UTF-8"?>
<rss version="2.0" xmlns:itunes="http://www.itunes.com/dtds/podcast-1.0.dtd"
     xmlns:podcast="https://podcastindex.org/namespace/1.0">
<channel><title>Night and day</title><link>https://night.example/</link>
<description>Talk after dark</description>
<podcast:location geo="geo:48.85,2.35">Paris</podcast:location>
<podcast:trailer pubdate="Mon, 01 Jul 2024 08:00:00 +0000" url="https://night.example/t.mp3"
 length="12345" type="audio/mpeg">Coming soon</podcast:trailer>
<podcast:medium>podcast</podcast:medium>
<podcast:podping usesPodping="true"/>
<podcast:images srcset="https://night.example/art-1400.jpg 1400w, https://night.example/art-3000.jpg 3000w"/>
<podcast:value type="lightning" method="keysend"><podcast:valueRecipient name="Host"
 type="node" address="02d5c1bf8b940dc9cadca86d1b0a3c37fbe39cee4c7e839e33bef9174531d27f11"
 split="90"/><podcast:valueRecipient name="Producer" type="node"
 address="032f4ffbbafffbe51726ad3c164a3d0d37ec27bc67b29a159b0f49ae8ac21b8508" split="10"/>
</podcast:value>
<item><title>Episode 1</title><guid>night-1</guid>
<pubDate>Mon, 01 Jul 2024 08:00:00 +0000</pubDate>
<enclosure url="https://night.example/1.mp3" length="1000" type="audio/mpeg"/>
<podcast:person role="host" img="https://night.example/anne.jpg">Anne</podcast:person>
<podcast:person role="guest" href="https://example.org/jules">Jules</podcast:person>
<podcast:chapters url="https://night.example/1.json" type="application/json+chapters"/>
<podcast:soundbite startTime="73.0" duration="60.0">The best minute</podcast:soundbite>
<podcast:season name="Summer">1</podcast:season>
<podcast:socialInteract uri="https://social.example/@night/1" protocol="activitypub" accountId="@night"/>
<podcast:contentLink href="https://video.example/night-1">Watch it</podcast:contentLink>
</item></channel></rss>)";

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3)
        return 64;
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    const std::string source = argv[2];
    QTemporaryDir work;
    const std::string folder = work.path().toStdString() + "/";

    for (const char* language : {"français", "english"}) {
        const QString tag = language[0] == 'e' ? "en" : "fr";
        AppContext ctx(qp::Paths(folder, folder, "/opt/", ""));
        ctx.lang.set_folders({source + "/data/Lang/"});
        ctx.prefs.fixed().MainLang = ctx.lang.Lang_Select(language);
        qp::pref_register_all(ctx.prefs);
        ctx.prefs.import_source_add("/home/anne/podcasts/old-host/feed.xml");
        ctx.prefs.import_source_add("https://feeds.example.org/night-and-day.rss");

        MainWindow main(ctx);
        main.resize(700, 420);
        main.show();
        QMenu* project = main.menuBar()->actions().first()->menu();
        project->popup(main.mapToGlobal(QPoint(0, main.menuBar()->height())));
        QApplication::processEvents();
        save_shot(project, out + "/import_menu_" + tag + ".png");
        project->hide();

        ImportWindow window(ctx, &main);
        window.show();
        QApplication::processEvents();
        save_shot(&window, out + "/import_" + tag + ".png");
        window.hide();

        qp::Result<qp::ImportedFeed> kept = qp::import_feed(kKeptFeed);
        if (!kept)
            return 1;
        qp::Doc& doc = kept->doc;
        doc.CurrentFeed = 0;
        {
            DocWindow doc_window(&main, ctx.lang, doc);
            doc_window.show();
            for (int page = 0; page < doc_window.panel()->count(); ++page)
                if (doc_window.panel()->tabText(page).contains("Podcast"))
                    doc_window.panel()->setCurrentIndex(page);
            QApplication::processEvents();
            save_shot(&doc_window, out + "/import_kept_doc_" + tag + ".png");
        }
        FeedWindow feed_window(ctx, doc, FeedWindowMode::Edit, &main);
        feed_window.show();
        // The page that holds the kept XML, wherever it stands among the tabs.
        for (int page = 0; page < feed_window.panel()->count(); ++page)
            if (feed_window.panel()->widget(page)->isAncestorOf(
                    feed_window.control<QWidget>(kFeedWinKept)))
                feed_window.panel()->setCurrentIndex(page);
        QApplication::processEvents();
        save_shot(&feed_window, out + "/import_kept_feed_" + tag + ".png");
    }
    return 0;
}
