#include "core/file_io.h"
#include "net/http_server.h"
#include "ui/dialogs/import_window.h"
#include "ui/dialogs/modal.h"
#include "ui/support/shell_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <filesystem>

namespace qp::ui::testing {
namespace {

constexpr std::string_view kFeed =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<rss version=\"2.0\"><channel><title>Night &amp; Day</title>"
    "<link>https://example.org/</link><description>About the night</description>"
    "<item><title>First</title><guid>g1</guid>"
    "<pubDate>Tue, 01 Dec 2026 10:00:00 +0000</pubDate></item>"
    "<item><title>Second</title><guid>g2</guid></item>"
    "</channel></rss>\n";

class ImportCommandTest : public ShellTest {
protected:
    // Runs the command; act fills the window and closes it.
    void import(const std::function<void(ImportWindow&)>& act) {
        bool acted = false;
        qp::test::when_modal([&](QWidget* w) {
            if (auto* window = dynamic_cast<ImportWindow*>(w)) {
                acted = true;
                act(*window);
            }
            if (w->isVisible())
                w->close();
        });
        docs().import_feed();
        EXPECT_TRUE(acted);
    }

    std::string write(const std::string& name, std::string_view bytes) {
        const std::string path = tmp_.path() + name;
        EXPECT_TRUE(write_file(path, bytes).ok());
        return path;
    }
};

TEST_F(ImportCommandTest, AFeedBecomesANewModifiedDocumentNamedAfterItsTitle) {
    const std::string feed = write("night.xml", kFeed);
    files_.paths.push_back(QString::fromStdString(feed));
    import([](ImportWindow& w) {
        EXPECT_FALSE(w.ok_button()->isEnabled()) << "nothing typed yet";
    w.browse_button()->click();
    EXPECT_TRUE(w.ok_button()->isEnabled());
    w.ok_button()->click();
});
ASSERT_EQ(ctx_.docs.count(), 1);
Doc& doc = *ctx_.docs.current();
EXPECT_EQ(doc.Title, "Night & Day");
ASSERT_EQ(doc.Feeds.size(), 2u);
EXPECT_EQ(doc.Feeds[1].FeedTitle, "Second");
EXPECT_EQ(doc.FileName, "");
EXPECT_NE(doc.State& kModified, 0);
EXPECT_EQ(DocDisplayName(doc, ctx_.lang), "Night & Day");
EXPECT_TRUE(requester_.asked.empty());
ASSERT_EQ(ctx_.prefs.import_sources().size(), 1u);
EXPECT_EQ(ctx_.prefs.import_sources().front(), feed);

// Saving proposes the title as the file's name.
docs().Document_Save(false);
ASSERT_EQ(files_.asked.size(), 2u);
EXPECT_TRUE(files_.asked[1].proposed.endsWith("Night & Day.qprj"))
    << files_.asked[1].proposed.toStdString();
} // namespace

TEST_F(ImportCommandTest, AFailureIsToldWithItsReasonAndCancelTellsNothing) {
    const std::string page = write("page.html", "<html><body>Not a feed</body></html>");
    import([&](ImportWindow& w) {
        w.source_box()->setEditText(QString::fromStdString("  " + page + " "));
    QTest::keyClick(w.source_box(), Qt::Key_Return);
});
EXPECT_EQ(ctx_.docs.count(), 0);
ASSERT_EQ(requester_.asked.size(), 1u);
EXPECT_TRUE(requester_.asked[0].text.startsWith("The feed cannot be imported."))
    << requester_.asked[0].text.toStdString();

// The last source is offered first; Cancel leaves everything as it was.
    import([&](ImportWindow& w) {
        EXPECT_EQ(w.source_box()->currentText().toStdString(), page);
    w.reject();
    } // namespace qp::ui::testing
);
EXPECT_EQ(ctx_.docs.count(), 0);
EXPECT_EQ(requester_.asked.size(), 1u);
}

// From an address, with the episodes downloaded: the one on the web comes home to be uploaded,
// checked against its stated length.
TEST_F(ImportCommandTest, AnAddressWithItsEpisodesDownloaded) {
    const std::string site = tmp_.path() + "site/";
    std::filesystem::create_directories(site);
    ASSERT_TRUE(write_file(site + "ep1.mp3", std::string(3000, 'a')).ok());
    test::HttpServer server(site);
    ASSERT_TRUE(server.running());
    ASSERT_TRUE(
        write_file(site + "feed.xml",
                   "<rss version=\"2.0\"><channel><title>Home</title><item><title>One</title>"
                   "<enclosure url=\"" +
                       server.url("ep1.mp3") +
                       "\" length=\"3000\" type=\"audio/mpeg\"/></item></channel></rss>")
            .ok());
    const std::string media = tmp_.path() + "media";
    import([&](ImportWindow& w) {
        w.source_box()->setEditText(QString::fromStdString(server.url("feed.xml")));
    EXPECT_FALSE(w.folder_field()->isEnabled());
    w.download_box()->setChecked(true);
    w.folder_field()->setText(QString::fromStdString(media));
    w.ok_button()->click();
});
ASSERT_EQ(ctx_.docs.count(), 1);
const Feed& episode = ctx_.docs.current()->Feeds.at(0);
EXPECT_EQ(episode.FeedFile, media + "/ep1.mp3");
EXPECT_EQ(episode.FeedFileOnFTP, "");
EXPECT_NE(episode.FeedFlag& kUploadFile, 0);
std::string got;
ASSERT_TRUE(read_file(media + "/ep1.mp3", got).ok());
EXPECT_EQ(got.size(), 3000u);
EXPECT_TRUE(requester_.asked.empty());
}

TEST_F(ImportCommandTest, AMissingFileIsNotFound) {
    const Result<ImportedFeed> read = import_read(ctx_, window_.get(), tmp_.path() + "none.xml");
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.kind(), ErrorKind::NotFound);
}

} // namespace
} // namespace qp::ui::testing
