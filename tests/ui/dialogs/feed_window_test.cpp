#include "core/dates.h"
#include "ui/common/date_field.h"
#include "ui/dialogs/doc_window.h"
#include "ui/dialogs/feed_window.h"

#include "core/chapters.h"
#include "core/file_io.h"
#include "support/media_files.h"
#include "ui/support/shell_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace qp::ui::testing {
namespace {

QStringList items(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

class FeedWindowTest : public ShellTest {
protected:
    FeedWindowTest() {
        for (const char* t : {"A", "B", "C"}) {
            doc_.Feeds.emplace_back();
            doc_.Feeds.back().FeedTitle = t;
            doc_.Feeds.back().FeedGUID = std::string("guid-") + t;
        }
    }
    std::unique_ptr<FeedWindow> open(FeedWindowMode mode, int current = -1) {
        doc_.CurrentFeed = current;
        return std::make_unique<FeedWindow>(ctx_, doc_, mode, nullptr);
    }
    template <class T> static T* at(FeedWindow& w, int number) { return w.control<T>(number); }

    FixedClock clock_{date_from_fields(2026, 5, 1, 10, 0, 0), 0};
    ScopedClock fixed_{clock_};
    Doc doc_;
};

TEST_F(FeedWindowTest, ANewFeedOffersTheOtherFeedsValuesAndSelectsTheLastOne) {
    doc_.Feeds[0].FeedFileType = "audio/ogg";
    doc_.Feeds[1].FeedFileType = "AUDIO/MPEG"; // already offered
    doc_.Feeds[2].FeedFileType = "video/mp4";
    doc_.Feeds[0].FeedAuthor = "Ann";
    doc_.Feeds[1].FeedAuthor = "Bob";
    doc_.Feeds[2].FeedCategory = "news";
    doc_.Feeds[0].FeedFileOnFTP = "pod/a.mp3";
    auto w = open(FeedWindowMode::New);
    EXPECT_EQ(w->windowTitle().toStdString(), ctx_.lang.get("Feed\\Title.New"));

    const auto* type = at<QComboBox>(*w, kFeedWinType);
    EXPECT_EQ(items(type), (QStringList{"audio/mpeg", "", "audio/ogg", "video/mp4"}));
    EXPECT_EQ(type->currentText(), "video/mp4");
    EXPECT_EQ(at<QComboBox>(*w, kFeedWinAuthor)->currentText(), "Bob");
    const auto* category = at<QComboBox>(*w, kFeedWinCategory);
    EXPECT_EQ(items(category), (QStringList{"", "news"}));
    EXPECT_EQ(category->currentIndex(), 0); // a new feed starts without category
    const auto* ftp = at<QComboBox>(*w, kFeedWinFileOnFtp);
    EXPECT_EQ(items(ftp), (QStringList{"pod/", ""}));
    EXPECT_EQ(ftp->currentIndex(), 1);

    EXPECT_TRUE(at<QCheckBox>(*w, kFeedWinAutoPubDate)->isChecked());
    EXPECT_FALSE(w->date_field()->isEnabled());
    EXPECT_EQ(w->date_field()->value(), Now());
    EXPECT_EQ(at<QLineEdit>(*w, kFeedWinGuid)->text().toStdString(), Feed_NewGUID(doc_.Feeds));
    EXPECT_FALSE(at<QCheckBox>(*w, kFeedWinUploadFile)->isEnabled());
    for (int n : {kFeedWinSubTitle, kFeedWinSummary, kFeedWinDuration, kFeedWinKeyword})
        EXPECT_TRUE(at<QLineEdit>(*w, n)->isEnabled());
    const QStringList types = items(at<QComboBox>(*w, kFeedWinTranscriptType));
    EXPECT_EQ(types.size(), 5);
    EXPECT_TRUE(types.contains("application/x-subrip"));
    // Left as it opens, a new feed states none of the episode settings.
    EXPECT_EQ(w->store(), 1);
    const Feed& added = doc_.Feeds[0];
    EXPECT_EQ(added.FeedEpisode + added.FeedSeason, 0);
    EXPECT_EQ(added.FeedEpisodeType + added.FeedExplicit + added.FeedImage +
                  added.FeedTranscriptUrl + added.FeedTranscriptType + added.FeedDuration +
                  added.FeedSubTitle + added.FeedSummary + added.FeedKeyword,
              "");

    // Without any value in the other feeds: the empty type, no author.
    Doc bare;
    bare.Feeds.emplace_back();
    FeedWindow empty(ctx_, bare, FeedWindowMode::New, nullptr);
    EXPECT_EQ(at<QComboBox>(empty, kFeedWinType)->currentIndex(), 1);
    EXPECT_EQ(at<QComboBox>(empty, kFeedWinAuthor)->currentIndex(), -1);
}

TEST_F(FeedWindowTest, EditLoadsEveryFieldAndStoresWhatTheBoxesShow) {
    Feed& b = doc_.Feeds[1];
    b.FeedDesc = "kept text";
    b.FeedFlag = kUploadFile + 32;
    b.FeedFile = "%MyDoc%ep.mp3";
    b.FeedFileType = "audio/x-custom";
    b.FeedFileLength = 42;
    b.FeedCategory = "tech";
    b.FeedAuthor = "eve";
    b.FeedPubDate = date_from_fields(2041, 3, 4, 5, 6, 0);
    b.FeedSubTitle = "Sub";
    b.FeedSummary = "Sum";
    b.FeedDuration = "01:02:03";
    b.FeedKeyword = "k";
    b.FeedEpisode = 12;
    b.FeedSeason = 2;
    b.FeedEpisodeType = "teaser"; // hand-edited, unknown to the list
    b.FeedExplicit = "true";
    b.FeedImage = "https://example.org/12.jpg";
    b.FeedTranscriptUrl = "12.vtt";
    b.FeedTranscriptType = "text/x-custom";
    const Feed loaded = b;
    auto w = open(FeedWindowMode::Edit, 1);
    EXPECT_EQ(w->windowTitle().toStdString(), ctx_.lang.get("Feed\\Title.Edit"));
    EXPECT_EQ(at<QComboBox>(*w, kFeedWinType)->currentText(), "audio/x-custom");
    EXPECT_EQ(at<QComboBox>(*w, kFeedWinAuthor)->currentText(), "eve");
    EXPECT_EQ(at<QLineEdit>(*w, kFeedWinLength)->text(), "42");
    EXPECT_TRUE(at<QCheckBox>(*w, kFeedWinUploadFile)->isEnabled());
    EXPECT_EQ(at<QComboBox>(*w, kFeedWinEpisodeType)->currentText(), "teaser");
    EXPECT_EQ(at<QComboBox>(*w, kFeedWinExplicit)->currentText().toStdString(),
              ctx_.lang.get("Feed\\Episode.ExplicitYes"));
    EXPECT_EQ(at<QLineEdit>(*w, kFeedWinSeason)->text(), "2");
    auto* date = w->date_field();
    EXPECT_TRUE(date->isEnabled());
    EXPECT_EQ(date->value(), b.FeedPubDate);

    // Ticking AutoPubDate locks the date; unticking it again stores the date shown.
    at<QCheckBox>(*w, kFeedWinAutoPubDate)->setChecked(true);
    EXPECT_FALSE(date->isEnabled());
    at<QCheckBox>(*w, kFeedWinAutoPubDate)->setChecked(false);
    EXPECT_TRUE(date->isEnabled());
    const DateValue shown = date_from_fields(1965, 12, 31, 23, 59, 0);
    date->set_value(shown);
    at<QLineEdit>(*w, kFeedWinFile)->clear();
    EXPECT_FALSE(at<QCheckBox>(*w, kFeedWinUploadFile)->isEnabled());

    // Stored into a blank episode, so a control read into another field than its own shows.
    b = Feed{};
    b.FeedDesc = "kept text"; // the text is the editor's, not the window's
    EXPECT_EQ(w->store(), 2);
    EXPECT_EQ(b.FeedPubDate, shown);
    EXPECT_EQ(b.FeedFlag, kUploadFile); // the unknown bit is dropped
    EXPECT_EQ(b.FeedDesc, "kept text");
    EXPECT_EQ(doc_.Feeds.size(), 3U);
    Feed expected = loaded; // the episode settings come back untouched
    expected.FeedPubDate = shown;
    expected.FeedFlag = kUploadFile;
    expected.FeedFile.clear();
    EXPECT_EQ(b, expected);

    // Field by field: what is typed or chosen is what is stored.
    at<QLineEdit>(*w, kFeedWinEpisode)->clear();
    at<QLineEdit>(*w, kFeedWinSeason)->clear();
    QTest::keyClicks(at<QLineEdit>(*w, kFeedWinSeason), "x3-");
    at<QComboBox>(*w, kFeedWinEpisodeType)->setCurrentIndex(2);
    at<QComboBox>(*w, kFeedWinExplicit)->setCurrentIndex(0);
    at<QComboBox>(*w, kFeedWinTranscriptType)->setCurrentIndex(0);
    at<QLineEdit>(*w, kFeedWinDuration)->setText("00:42:07");
    w->store();
    EXPECT_EQ(b.FeedEpisode, 0);
    EXPECT_EQ(b.FeedSeason, 3);
    EXPECT_EQ(b.FeedEpisodeType, "trailer");
    EXPECT_EQ(b.FeedExplicit, "");
    EXPECT_EQ(b.FeedTranscriptType, "text/vtt");
    EXPECT_EQ(b.FeedDuration, "00:42:07");
}

// A published episode keeps its date until its title changes, whatever else OK stores.
// What an imported feed kept is read in a box of several lines that reaches down to the bottom
// of its page, in the feed window and in the document window alike.
TEST_F(FeedWindowTest, TheKeptXmlBoxesFillTheirPage) {
    auto feed_window = open(FeedWindowMode::Edit, 0);
    DocWindow doc_window(nullptr, ctx_.lang, doc_);
    const auto check = [](PropertyDialog& window, int number) {
        window.show();
        auto* box = window.control<QPlainTextEdit>(number);
        window.panel()->setCurrentWidget(box->parentWidget());
        QApplication::processEvents();
        const int row = layout_new(0).RowHeight;
        EXPECT_GE(box->height(), 4 * row);
        const int below = box->parentWidget()->height() - box->geometry().bottom();
        EXPECT_GT(below, 0);
        EXPECT_LT(below, row);
    };
    check(*feed_window, kFeedWinKept);
    check(doc_window, kDocCtlKeptXml);
}

TEST_F(FeedWindowTest, TheAutomaticDateMovesOnlyWithANewTitle) {
    const DateValue published = date_from_fields(2025, 1, 2, 3, 4, 5);
    for (Feed& f : doc_.Feeds) {
        f.FeedFlag = kAutoPubDate;
        f.FeedPubDate = published;
    }
    auto untouched = open(FeedWindowMode::Edit, 0);
    EXPECT_EQ(untouched->store(), 1);
    auto other_fields = open(FeedWindowMode::Edit, 1);
    at<QComboBox>(*other_fields, kFeedWinFileOnFtp)->setEditText("shows/");
    at<QLineEdit>(*other_fields, kFeedWinLink)->setText("https://example.org/b");
    other_fields->store();
    EXPECT_EQ(doc_.Feeds[0].FeedPubDate, published);
    EXPECT_EQ(doc_.Feeds[1].FeedPubDate, published);
    EXPECT_EQ(doc_.Feeds[1].FeedFileOnFTP, "shows/");

    auto retitled = open(FeedWindowMode::Edit, 2);
    at<QLineEdit>(*retitled, kFeedWinTitle)->setText("C, second cut");
    retitled->store();
    EXPECT_EQ(doc_.Feeds[2].FeedPubDate, date_from_fields(2026, 5, 1, 10, 0, 0));
}

TEST_F(FeedWindowTest, OkIsRefusedWhileAnotherFeedHasTheGuid) {
    doc_.Feeds[0].FeedGUID.clear();
    doc_.Feeds[2].FeedGUID.clear();
    auto w = open(FeedWindowMode::Edit, 0);
    w->show();
    w->accept(); // empty equals empty
    EXPECT_TRUE(w->isVisible());
    ASSERT_EQ(requester_.asked.size(), 1U);
    EXPECT_EQ(requester_.asked[0].title, "Error");
    EXPECT_EQ(requester_.asked[0].text.toStdString(), ctx_.lang.get("Feed\\Error.ExistGUID"));
    EXPECT_EQ(at<QLineEdit>(*w, kFeedWinTitle)->text(), "A"); // the fields survive

    // Two presses in one second give the same GUID; it is unused, so OK passes.
    at<QPushButton>(*w, kFeedWinNewGuid)->click();
    const QString first = at<QLineEdit>(*w, kFeedWinGuid)->text();
    at<QPushButton>(*w, kFeedWinNewGuid)->click();
    EXPECT_EQ(at<QLineEdit>(*w, kFeedWinGuid)->text(), first);
    w->accept();
    EXPECT_EQ(w->result(), QDialog::Accepted);

    // The edited feed is not compared with itself; a new feed is compared with every feed.
    auto own = open(FeedWindowMode::Edit, 1);
    own->show();
    own->accept();
    EXPECT_EQ(own->result(), QDialog::Accepted);
    auto fresh = open(FeedWindowMode::New);
    at<QLineEdit>(*fresh, kFeedWinGuid)->setText("GUID-b");
    fresh->show();
    fresh->accept();
    EXPECT_TRUE(fresh->isVisible());
    EXPECT_EQ(requester_.asked.size(), 2U);
}

TEST_F(FeedWindowTest, TheChapterListIsEditedMovedImportedAndStored) {
    doc_.Feeds[0].FeedChapters = {{0, "Intro", "", ""}, {3725.5, "Talk", "", "https://x.org/"}};
    auto w = open(FeedWindowMode::Edit, 0);
    w->show();
    auto* list = at<QTreeWidget>(*w, kFeedWinChapters);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(1)->text(0), "1:02:05.5");
    // A row added after the first starts where it starts; the last one moves up past it.
    list->setCurrentItem(list->topLevelItem(0));
    at<QPushButton>(*w, kFeedWinChapterAdd)->click();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(1)->text(0), "0:00");
    list->topLevelItem(1)->setText(0, "1:30");
    list->topLevelItem(1)->setText(1, "News");
    list->setCurrentItem(list->topLevelItem(2));
    at<QPushButton>(*w, kFeedWinChapterUp)->click();
    EXPECT_EQ(list->topLevelItem(1)->text(1), "Talk");

    // A start that is no time keeps the window open and says which.
    list->topLevelItem(0)->setText(0, "soon");
    w->accept();
    EXPECT_TRUE(w->isVisible());
    ASSERT_EQ(requester_.asked.size(), 1U);
    EXPECT_EQ(requester_.asked[0].text.toStdString(),
              ctx_.lang.get("Feed\\Chapters.BadStart", {"1", "soon"}));
    list->topLevelItem(0)->setText(0, "0");
    w->accept();
    EXPECT_EQ(w->result(), QDialog::Accepted);
    w->store();
    const std::vector<Chapter> want = {
        {0, "Intro", "", ""}, {3725.5, "Talk", "", "https://x.org/"}, {90, "News", "", ""}};
    EXPECT_EQ(doc_.Feeds[0].FeedChapters, want);

    // A label file replaces the list; deleting the chosen row takes it out.
    ASSERT_TRUE(write_file(tmp_.path() + "labels.txt", "12.5\t12.5\tOpening\n4\t9\tCold open\n"));
    files_.paths = {QString::fromStdString(tmp_.path() + "labels.txt")};
    auto again = open(FeedWindowMode::Edit, 0);
    at<QPushButton>(*again, kFeedWinChapterImport)->click();
    auto* imported = at<QTreeWidget>(*again, kFeedWinChapters);
    ASSERT_EQ(imported->topLevelItemCount(), 2);
    EXPECT_EQ(imported->topLevelItem(0)->text(1), "Cold open");
    imported->setCurrentItem(imported->topLevelItem(0));
    at<QPushButton>(*again, kFeedWinChapterDelete)->click();
    again->store();
    ASSERT_EQ(doc_.Feeds[0].FeedChapters.size(), 1U);
    EXPECT_EQ(doc_.Feeds[0].FeedChapters[0].Title, "Opening");
    EXPECT_EQ(chapter_start_of("1:02:05.5"), 3725.5);
    EXPECT_EQ(chapter_start_of("1:75"), std::nullopt); // minutes and seconds stay under 60
}

TEST_F(FeedWindowTest, BrowseFillsNameLengthAndAGuessedTypeOnlyWhereNoneIsSet) {
    for (const char* name : {"Episode.MP3", "notes.xyz"})
        std::ofstream(tmp_.path() + name) << "12345";
    auto w = open(FeedWindowMode::New);
    auto* type = at<QComboBox>(*w, kFeedWinType);
    type->setEditText("");
    ctx_.StartFolder = "/start/";
    files_.paths = {QString::fromStdString(tmp_.path() + "Episode.MP3"),
                    QString::fromStdString(tmp_.path() + "notes.xyz"),
                    QString::fromStdString(tmp_.path())};
    w->browse();
    ASSERT_EQ(files_.asked.size(), 1U);
    EXPECT_EQ(files_.asked[0].proposed, "/start/");
    EXPECT_EQ(files_.asked[0].title.toStdString(), ctx_.lang.get("Feed\\File.BrowseTitle"));
    EXPECT_TRUE(files_.asked[0].filter.startsWith("Audio files ("));
    EXPECT_TRUE(files_.asked[0].filter.contains("*.m4a"));
    EXPECT_EQ(at<QLineEdit>(*w, kFeedWinFile)->text(), "%MainApp%Episode.MP3");
    EXPECT_EQ(at<QLineEdit>(*w, kFeedWinLength)->text(), "5");
    EXPECT_EQ(type->currentText(), "audio/mpeg");
    EXPECT_EQ(ctx_.StartFolder, tmp_.path());
    EXPECT_TRUE(at<QCheckBox>(*w, kFeedWinUploadFile)->isEnabled());

    // A set type stays; an unknown extension leaves an empty type empty.
    type->setEditText("video/webm");
    w->browse();
    EXPECT_EQ(files_.asked[1].proposed.toStdString(), tmp_.path() + "Episode.MP3");
    EXPECT_EQ(at<QLineEdit>(*w, kFeedWinFile)->text(), "%MainApp%notes.xyz");
    EXPECT_EQ(type->currentText(), "video/webm");
    type->setEditText("");
    at<QLineEdit>(*w, kFeedWinLength)->setText("9");
    w->browse(); // a folder: nothing changes
    EXPECT_EQ(at<QLineEdit>(*w, kFeedWinFile)->text(), "%MainApp%notes.xyz");
    EXPECT_EQ(at<QLineEdit>(*w, kFeedWinLength)->text(), "9");
    std::ofstream(tmp_.path() + "x.bin") << "1";
    files_.paths = {QString::fromStdString(tmp_.path() + "x.bin")};
    w->browse();
    EXPECT_EQ(type->currentText(), "");

    // An empty name starts in the project's folder, once the project has one.
    doc_.FileName = "/projects/show.qprj";
    at<QLineEdit>(*w, kFeedWinFile)->clear();
    w->browse();
    EXPECT_EQ(files_.asked.back().proposed, "/projects/");
}

// Every namespace page: its fields and tables are loaded, edited in place and through their
// buttons, checked before OK, and stored.
TEST_F(FeedWindowTest, TheNamespacePagesEditTheirTablesAndFieldsAndStoreThem) {
    Feed& a = doc_.Feeds[0];
    a.FeedFile = "%MainApp%ep.mp3";
    a.FeedPersons = {{"Ann", "host", "", "", ""}};
    a.FeedValueSplits = {{60, 30, 50, 0, "feed-guid", "", "item-guid"}};
    a.FeedContent = "<p>one</p>\r\n<p>two</p>";
    auto w = open(FeedWindowMode::Edit, 0);
    w->show();
    const auto cell = [&](int table, int row, int column) {
        return at<QTreeWidget>(*w, table)->topLevelItem(row)->text(column).toStdString();
    };
    const auto add_row = [&](int table, const QStringList& cells) {
        at<QPushButton>(*w, table + kFeedWinListAdd)->click();
        auto* tree = at<QTreeWidget>(*w, table);
        QTreeWidgetItem* row = tree->currentItem();
        for (int i = 0; i < cells.size(); ++i)
            row->setText(i, cells[i]);
        return row;
    };
    EXPECT_EQ(cell(kFeedWinPersons, 0, 0), "Ann");
    EXPECT_EQ(cell(kFeedWinSplits, 0, 0), "1:00");
    EXPECT_EQ(at<QPlainTextEdit>(*w, kFeedWinContent)->toPlainText(), "<p>one</p>\n<p>two</p>");

    // Transcripts: a file from beside the episode's file, with its type, and an address.
    std::ofstream(tmp_.path() + "ep.srt") << "1";
    files_.paths = {QString::fromStdString(tmp_.path() + "ep.srt")};
    at<QPushButton>(*w, kFeedWinTranscriptFile)->click();
    ASSERT_EQ(files_.asked.size(), 1U);
    EXPECT_EQ(files_.asked[0].proposed.toStdString(), tmp_.path());
    add_row(kFeedWinTranscripts, {"https://ex.org/ep.vtt", "text/vtt", "fr"})
        ->setCheckState(3, Qt::Checked);
    // People: the role proposes the taxonomy and brings its group; a guest moved above the
    // host, whose empty group stays empty; then the place.
    const std::unique_ptr<QWidget> roles(
        at<QTreeWidget>(*w, kFeedWinPersons)
            ->itemDelegateForColumn(1)
            ->createEditor(nullptr, QStyleOptionViewItem(), QModelIndex()));
    EXPECT_GE(dynamic_cast<QComboBox&>(*roles).findText("sound designer"), 0);
    add_row(kFeedWinPersons, {"Bob", "guest"});
    at<QPushButton>(*w, kFeedWinPersons + kFeedWinListUp)->click();
    at<QLineEdit>(*w, kFeedWinLocation)->setText("Lyon");
    at<QLineEdit>(*w, kFeedWinLocationGeo)->setText("geo:45.76,4.83");
    at<QLineEdit>(*w, kFeedWinLocationOsm)->setText("R120965");
    at<QLineEdit>(*w, kFeedWinSeasonName)->setText("Winter");
    at<QLineEdit>(*w, kFeedWinEpisodeDisplay)->setText("Special 2");
    at<QLineEdit>(*w, kFeedWinItunesTitle)->setText("Short");
    // A soundbite whose start is no time yet; other forms from local files: a media file gives
    // its type and average bit rate, another its type from the extension.
    QTreeWidgetItem* bite = add_row(kFeedWinSoundbites, {"soon", "20", "Best bit"});
    ASSERT_EQ(qp::test::make_media(tmp_.path(), "ep.m4a"), "");
    const auto bytes =
        static_cast<std::int64_t>(std::filesystem::file_size(tmp_.path() + "ep.m4a"));
    std::ofstream(tmp_.path() + "ep.ogg") << "12345";
    files_.paths = {QString::fromStdString(tmp_.path() + "ep.m4a"),
                    QString::fromStdString(tmp_.path() + "ep.ogg")};
    at<QPushButton>(*w, kFeedWinAlternateFile)->click();
    at<QPushButton>(*w, kFeedWinAlternateFile)->click();
    EXPECT_EQ(cell(kFeedWinAlternates, 0, 2), "%MainApp%ep.m4a");
    EXPECT_EQ(cell(kFeedWinAlternates, 1, 2), "%MainApp%ep.ogg");
    // Notes and payments: a recipient added, the split deleted.
    at<QPlainTextEdit>(*w, kFeedWinContent)->appendPlainText("<p>three</p>");
    add_row(kFeedWinRecipients, {"Ann", "node", "02abc", "90"});
    at<QTreeWidget>(*w, kFeedWinSplits)
        ->setCurrentItem(at<QTreeWidget>(*w, kFeedWinSplits)->topLevelItem(0));
    at<QPushButton>(*w, kFeedWinSplits + kFeedWinListDelete)->click();

    // The bad start keeps the window open on its page, naming the cell.
    w->panel()->setCurrentIndex(0);
    w->accept();
    EXPECT_TRUE(w->isVisible());
    ASSERT_EQ(requester_.asked.size(), 1U);
    EXPECT_EQ(requester_.asked[0].text.toStdString(),
              ctx_.lang.get("List.BadCell", {"1", ctx_.lang.get("List.Start"), "soon"}));
    EXPECT_EQ(w->panel()->currentWidget(), at<QTreeWidget>(*w, kFeedWinSoundbites)->parentWidget());
    bite->setText(0, "1:30");
    w->accept();
    EXPECT_EQ(w->result(), QDialog::Accepted);
    w->store();

    const Feed& stored = doc_.Feeds[0];
    const std::vector<Transcript> transcripts = {
        {"%MainApp%ep.srt", "", "application/x-subrip", "", 0},
        {"", "https://ex.org/ep.vtt", "text/vtt", "fr", 1}};
    EXPECT_EQ(stored.FeedTranscripts, transcripts);
    const std::vector<Person> persons = {{"Bob", "guest", "cast", "", ""},
                                         {"Ann", "host", "", "", ""}};
    EXPECT_EQ(stored.FeedPersons, persons);
    EXPECT_EQ(stored.FeedLocation + "|" + stored.FeedLocationGeo + "|" + stored.FeedLocationOsm,
              "Lyon|geo:45.76,4.83|R120965");
    EXPECT_EQ(stored.FeedSeasonName + "|" + stored.FeedEpisodeDisplay + "|" +
                  stored.FeedItunesTitle,
              "Winter|Special 2|Short");
    EXPECT_EQ(stored.FeedSoundbites, (std::vector<Soundbite>{{90, 20, "Best bit"}}));
    ASSERT_EQ(stored.FeedAlternates.size(), 2U);
    EXPECT_EQ(stored.FeedAlternates[0].Type, "audio/x-m4a");
    EXPECT_EQ(stored.FeedAlternates[0].Length, bytes);
    EXPECT_EQ(stored.FeedAlternates[0].Bitrate, std::round(static_cast<double>(bytes) * 8 / 3));
    EXPECT_EQ(stored.FeedAlternates[1].Type, "audio/ogg");
    EXPECT_EQ(stored.FeedAlternates[1].Length, 5);
    EXPECT_EQ(stored.FeedAlternates[1].Bitrate, 0);
    EXPECT_EQ(stored.FeedContent, "<p>one</p>\r\n<p>two</p>\r\n<p>three</p>");
    EXPECT_EQ(stored.FeedValueRecipients,
              (std::vector<ValueRecipient>{{"Ann", "node", "02abc", 90, 0, "", ""}}));
    EXPECT_TRUE(stored.FeedValueSplits.empty());
}

} // namespace
} // namespace qp::ui::testing
