// Writes a PNG of each page of the feed window, new and edit, in French and in English, into the
// folder given on the command line, to look at: feed_window_shots FOLDER
#include "core/dates.h"
#include "ui/context/app_context.h"
#include "ui/dialogs/feed_window.h"
#include "ui/support/queued_seams.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>

#include <cstdio>

using namespace qp;
using namespace qp::ui;

namespace {

Doc sample_doc() {
    Doc doc;
    DocDefaults(doc);
    Feed feed;
    feed.FeedTitle = "\xC3\x89pisode 12 : le retour des auditeurs";
    feed.FeedGUID = "65f1c2a0";
    feed.FeedPubDate = date_from_fields(2026, 3, 8, 9, 30, 0);
    feed.FeedLink = "episodes/12.html";
    feed.FeedAuthor = "host@example.org (H\xC3\xA9l\xC3\xA8ne)";
    feed.FeedCategory = "Culture; Musique";
    feed.FeedComments = "episodes/12.html#comments";
    feed.FeedFile = "%MyDoc%Podcast/episode-12.mp3";
    feed.FeedFileType = "audio/mpeg";
    feed.FeedFileLength = 24'117'248;
    feed.FeedFileOnFTP = "podcast/2026/";
    feed.FeedFlag = kUploadFile + kFeedSpecialChar;
    feed.FeedSubTitle = "Vos questions, nos r\xC3\xA9ponses";
    feed.FeedDuration = "00:42:07";
    feed.FeedKeyword = "musique, auditeurs";
    feed.FeedExplicit = "false";
    feed.FeedImage = "images/episode-12.jpg";
    feed.FeedEpisode = 12;
    feed.FeedSeason = 2;
    feed.FeedChapters = {
        {0, "Ouverture", "", ""},
        {95.5, "Vos questions", "", ""},
        {1260, "Le disque de la semaine", "images/disque.jpg", "https://example.org/disque"},
        {2400, "\xC3\x80 la semaine prochaine", "", ""}};
    feed.FeedEpisodeType = "full";
    feed.FeedTranscriptUrl = "transcripts/episode-12.vtt";
    feed.FeedTranscriptType = "text/vtt";
    feed.FeedTranscripts = {
        {"%MyDoc%Podcast/episode-12.srt", "", "application/x-subrip", "fr", 1},
        {"", "https://example.org/transcripts/episode-12-en.vtt", "text/vtt", "en", 0}};
    feed.FeedPersons = {{"H\xC3\xA9l\xC3\xA8ne Martin", "host", "cast", "images/helene.jpg", ""},
                        {"Samir Benali", "guest", "cast", "", "https://example.org/samir"},
                        {"Lou Perret", "audio editor", "audio post-production", "", ""}};
    feed.FeedLocation = "Lyon, France";
    feed.FeedLocationGeo = "geo:45.7578,4.8320";
    feed.FeedLocationOsm = "R120965";
    feed.FeedSeasonName = "Saison des auditeurs";
    feed.FeedEpisodeDisplay = "Sp\xC3\xA9"
                              "cial 12";
    feed.FeedItunesTitle = "Le retour des auditeurs";
    feed.FeedSoundbites = {{95.5, 42, "La question de Claire"}, {1300, 25, "Le disque"}};
    feed.FeedAlternates = {{"audio/opus", 12'400'000, 32000, 0, "fr", "Opus", "", "opus", 0,
                            "%MyDoc%Podcast/episode-12.opus", ""},
                           {"video/mp4", 310'000'000, 0, 720, "fr", "Vid\xC3\xA9o", "", "", 0, "",
                            "https://video.example.org/episode-12.mp4"}};
    feed.FeedContent = "<p>Vos questions de la semaine, et nos r\xC3\xA9ponses.</p>\r\n"
                       "<ul>\r\n  <li><a href=\"https://example.org/disque\">Le disque</a></li>\r\n"
                       "</ul>";
    feed.FeedValueRecipients = {
        {"H\xC3\xA9l\xC3\xA8ne", "node", "02d5c1bf8b940dc9ca", 90, 0, "", ""},
        {"H\xC3\xA9"
         "bergeur",
         "lnaddress", "pod@example.org", 10, 1, "", ""}};
    feed.FeedValueSplits = {{1260, 180, 80, 0, "917393e3-1b1e-5cef-ace4-edaa54e1f810", "",
                             "d8a2b4c7-0a51-4e7b-9f39-6e1e2e0b0c11"}};
    doc.Feeds.push_back(feed);
    return doc;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: feed_window_shots FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    const char* pages[] = {"general",  "source",      "file",   "itunes", "episode",
                           "chapters", "transcripts", "people", "notes",  "value"};
    int failures = 0;
    for (const char* language : {"français", "english"}) {
        const QString tag = language[0] == 'e' ? "en" : "fr";
        AppContext ctx(Paths("/tmp/", "/tmp/", "/opt/", ""));
        testing::QueuedRequester requester;
        testing::QueuedFilePicker files;
        ctx.requester = &requester;
        ctx.files = &files;
        ctx.lang.set_folders({std::string(QP_SOURCE_DIR) + "/data/Lang/"});
        (void)ctx.lang.Lang_Select(language);
        Doc doc = sample_doc();
        doc.CurrentFeed = 0;
        for (const auto mode : {FeedWindowMode::New, FeedWindowMode::Edit}) {
            FeedWindow window(ctx, doc, mode, nullptr);
            window.show();
            for (int page = 0; page < window.panel()->count(); ++page) {
                window.panel()->setCurrentIndex(page);
                QApplication::processEvents();
                const QString path =
                    QStringLiteral("%1/feed-%2-%3-%4.png")
                        .arg(out, mode == FeedWindowMode::New ? "new" : "edit", pages[page], tag);
                if (!window.grab().save(path))
                    ++failures;
                std::printf("%s\n", path.toLocal8Bit().constData());
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
