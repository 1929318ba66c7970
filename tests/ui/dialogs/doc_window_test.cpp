#include "core/channel_settings.h"
#include "core/command_ids.h"
#include "core/dates.h"
#include "core/file_io.h"
#include "core/podcast_guid.h"
#include "ui/common/date_field.h"
#include "ui/dialogs/doc_window.h"
#include "ui/dialogs/modal.h"
#include "ui/support/shell_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

namespace qp {
// What a failed comparison shows instead of the record's bytes.
void PrintTo(const Doc& d, std::ostream* os) {
    *os << d.Format << '|' << d.Desc << '|' << d.Lang << '|' << d.TimeZone << '|' << d.TTL << '|'
        << d.MaxFeed << '|' << d.Flag << '|' << d.LastBuildDate << '|' << d.PathFTP;
}
} // namespace qp

namespace qp::ui::testing {
namespace {

// A value in every field, several of them outside what the window offers.
const Doc kSample{
    .FileName = "",
    .SuggestedName = {},
    .State = 0,
    .Feeds = {Feed{}},
    .CurrentFeed = -1,
    .Flag = kITunesInclude + kDocSpecialChar + 16,
    .Title = "Title",
    .Desc = "Line one\r\nLine two",
    .Link = "http://example.org/pod/",
    .RssName = "feed",
    .Format = "Atom",
    .FormatDate = "%dd/%mm",
    .TimeZone = 5,
    .TTL = 5000,
    .Lang = "de",
    .Copyright = "(c)",
    .LastBuildDate = date_from_fields(1969, 7, 20, 20, 17, 0),
    .WebMaster = "web@example.org",
    .Category = "a;b",
    .ImageUrl = "img.png",
    .ImageTitle = "Image",
    .ImageLink = "http://example.org/",
    .ImageFile = "",
    .iTunesAuthor = "Author",
    .iTunesSubTitle = "Sub",
    .iTunesSummary = "Summary",
    .iTunesKeyword = "k1,k2",
    .iTunesMail = "owner@example.org",
    .iTunesCategory = "Health & Fitness",
    .iTunesSubCategory = "Mental Health",
    .iTunesExplicit = "false",
    .iTunesType = "serial",
    .iTunesOwnerName = "Owner",
    .iTunesNewFeedUrl = "https://example.org/new.xml",
    .iTunesBlock = 1,
    .iTunesComplete = 1,
    .PodcastLocked = "yes",
    .PodcastLockedOwner = "owner@example.org",
    .PodcastFundingUrl = "https://example.org/support",
    .PodcastFundingText = "Support us",
    .PodcastGuid = {},
    .ExtraXml = {},
    .Client = " ftp.example.org ",
    .User = "user",
    .Port = 2121,
    .Protocol = Protocol::Sftp,
    .ProtocolText = {},
    .PathFTP = "www/pod/",
    .ProjectPrivate = 0,
    .MaxFeed = 500,
    .S3Region = "eu-west-3",
    .S3Bucket = "pod-bucket",
    .S3PathStyle = 1,
    .CacheFeed = "max-age=60",
    .CacheMedia = "max-age=999",
    .WebSubHub = "https://hub.example.org/",
    .NotifyDirectories = 1,
    .MeasurePrefix = "https://measure.example/e/",
    .Persons = {{"Ann", "guest", "", "", "https://example.org/ann"},
                {"Bo", "not a role", "odd", "b.png", ""}},
    .Location = "Lyon",
    .LocationGeo = "geo:45.75,4.84",
    .LocationOsm = "R120965",
    .Trailers = {{"Soon", "https://example.org/t.mp3", date_from_fields(2026, 9, 1, 8, 0, 30),
                  5000000000, "audio/mpeg", 2}},
    .License = "my own license",
    .LicenseUrl = "https://example.org/license",
    .Medium = "musicL",
    .UpdateFrequency = "Mondays",
    .UpdateFrequencyRule = "FREQ=WEEKLY",
    .UpdateFrequencyStart = "2025-01-06",
    .UpdateFrequencyComplete = 1,
    .Texts = {{"verify", "code"}},
    .Blocks = {{"", 1}, {"somewhere", 0}},
    .Podroll = {{"guid-1", "https://example.net/feed", "", "podcast", "Friends"}},
    .ValueType = "hive",
    .ValueMethod = "amp",
    .ValueSuggested = "0.00000005",
    .ValueRecipients = {{"Host", "node", "02abc", 95, 0, "", ""},
                        {"App", "lnaddress", "app@example.org", 5, 1, "7629169", "x"}}};

class DocWindowTest : public ShellTest {
protected:
    Doc doc_ = kSample;
    DocWindow window_of_doc_{nullptr, ctx_.lang, kSample};

    template <class T> T* field(int number) { return window_of_doc_.control<T>(number); }
    void type(int number, const char* text) { field<QLineEdit>(number)->setText(text); }
    Doc& open_doc() {
        docs().Document_New();
        return *ctx_.docs.current();
    }
};

TEST_F(DocWindowTest, AnUntouchedWindowStoresWhatItLoaded) {
    EXPECT_EQ(field<QComboBox>(kDocCtlLang)->count(), 6);
    EXPECT_EQ(field<QComboBox>(kDocCtlLang)->currentText(), "de");
    EXPECT_EQ(field<QComboBox>(kDocCtlTimeZone)->currentText(), "GMT5");
    EXPECT_EQ(field<QComboBox>(kDocCtlFormat)->currentText(), "Atom");
    const auto shown = [&](int number) { return field<QComboBox>(number)->currentText(); };
    EXPECT_EQ(shown(kDocCtlDirCategory).toStdString(), ctx_.lang.get("Category.HealthFitness"));
    EXPECT_EQ(shown(kDocCtlDirSubCategory).toStdString(),
              ctx_.lang.get("Category\\HealthFitness.MentalHealth"));
    EXPECT_EQ(shown(kDocCtlDirExplicit).toStdString(), ctx_.lang.get("Doc\\Directory.ExplicitNo"));
    EXPECT_EQ(shown(kDocCtlDirType).toStdString(), ctx_.lang.get("Doc\\Directory.Serial"));
    // Stored into a blank document, so a control read into another field than its own shows.
    Doc stored;
    stored.Feeds = kSample.Feeds; // the episodes are not the window's
    stored.CurrentFeed = kSample.CurrentFeed;
    window_of_doc_.store(stored);
    Doc expected = kSample;
    expected.Format = "RssV2";
    expected.Desc = "Line one Line two"; // one line, the words kept apart
    expected.Flag = kITunesInclude + kDocSpecialChar + kPodcastInclude;
    EXPECT_EQ(stored, expected); // spin values beyond the offered range are kept, not clamped
}

TEST_F(DocWindowTest, TypedValuesAreCleanedAsTheyAreStored) {
    type(kDocCtlRssName, " podcasts\\2024/news*.xml ");
    type(kDocCtlBaseLink, " /site\\pod ");
    type(kDocCtlTitle, "Tab\there");
    type(kDocCtlFtpPath, " \\www\\pod ");
    type(kDocCtlFtpPort, "");
    type(kDocCtlITunesOwnerName, "Ann\r\nLee");
    type(kDocCtlDirNewFeedUrl, " /https://example.org/new.xml\t "); // not made relative
    type(kDocCtlPodcastFundingText, "Give\ttoday");
    type(kDocCtlLocation, "Lyon\r\nFrance");
    type(kDocCtlLocationGeo, " geo:45.75,4.84 ");
    field<QComboBox>(kDocCtlValueMethod)->setCurrentText(" keysend\t");
    field<QComboBox>(kDocCtlDirExplicit)->setCurrentIndex(0);
    field<QComboBox>(kDocCtlPodcastLocked)->setCurrentIndex(2);
    field<QCheckBox>(kDocCtlDirBlock)->setChecked(false);
    field<QComboBox>(kDocCtlLang)->setCurrentIndex(3);
    field<QComboBox>(kDocCtlFormat)->setCurrentIndex(1);
    window_of_doc_.store(doc_);
    EXPECT_EQ(doc_.RssName, "news.xml");
    EXPECT_EQ(doc_.Link, "site/pod");
    EXPECT_EQ(doc_.Title, "Tabhere");
    EXPECT_EQ(doc_.PathFTP, "www/pod/");
    EXPECT_EQ(doc_.Port, 0);
    EXPECT_EQ(doc_.Lang, "it");
    EXPECT_EQ(doc_.Format, "RssV2");
    EXPECT_EQ(doc_.iTunesOwnerName, "Ann Lee");
    EXPECT_EQ(doc_.iTunesNewFeedUrl, "/https://example.org/new.xml");
    EXPECT_EQ(doc_.PodcastFundingText, "Givetoday");
    EXPECT_EQ(doc_.Location, "Lyon France");
    EXPECT_EQ(doc_.LocationGeo, "geo:45.75,4.84");
    EXPECT_EQ(doc_.ValueMethod, "keysend");
    EXPECT_EQ(doc_.iTunesExplicit, "");
    EXPECT_EQ(doc_.PodcastLocked, "no");
    EXPECT_EQ(doc_.iTunesBlock, 0);
    EXPECT_EQ(doc_.iTunesComplete, 1);

    type(kDocCtlFtpPath, "");
    window_of_doc_.store(doc_);
    EXPECT_EQ(doc_.PathFTP, "");
    QTest::keyClicks(field<QLineEdit>(kDocCtlFtpPort), "2x1-");
    EXPECT_EQ(field<QLineEdit>(kDocCtlFtpPort)->text(), "21");
}

// The port follows a change of protocol only while it is the old protocol's own.
TEST_F(DocWindowTest, TheProtocolProposesItsPort) {
    auto* protocol = field<QComboBox>(kDocCtlFtpProtocol);
    auto* port = field<QLineEdit>(kDocCtlFtpPort);
    EXPECT_EQ(protocol->currentText().toStdString(), ctx_.lang.get("Doc\\FTP.ProtocolSftp"));
    const struct {
        const char* typed; // before the change; null keeps the field
        Protocol chosen;
        const char* shown;
    } steps[] = {{nullptr, Protocol::Ftps, "2121"}, {"21", Protocol::Sftp, "22"},
                 {nullptr, Protocol::Ftp, "21"},    {nullptr, Protocol::Ftps, "21"},
                 {"990", Protocol::Sftp, "990"},    {nullptr, Protocol::Ftps, "990"}};
    for (const auto& step : steps) {
        if (step.typed != nullptr)
            type(kDocCtlFtpPort, step.typed);
        protocol->setCurrentIndex(protocol->findData(protocol_number(step.chosen)));
        EXPECT_EQ(port->text(), step.shown) << protocol_number(step.chosen);
    }
    window_of_doc_.store(doc_);
    EXPECT_EQ(doc_.Protocol, Protocol::Ftps);
    EXPECT_EQ(doc_.Port, 990);
    EXPECT_FALSE(field<QLineEdit>(kDocCtlS3Bucket)->isEnabled());

    // A store is named by an address and has a bucket; the labels say so.
    protocol->setCurrentIndex(protocol->findData(protocol_number(Protocol::S3)));
    EXPECT_TRUE(field<QLineEdit>(kDocCtlS3Bucket)->isEnabled());
    EXPECT_FALSE(port->isEnabled());
    const auto label_of = [&](int number) {
        for (const QLabel* label : window_of_doc_.findChildren<QLabel*>())
            if (label->buddy() == field<QWidget>(number))
                return label->text().toStdString();
        return std::string();
    };
    EXPECT_EQ(label_of(kDocCtlFtpClient), ctx_.lang.get("Doc\\FTP.ClientS3"));
    EXPECT_EQ(label_of(kDocCtlFtpUser), ctx_.lang.get("Doc\\FTP.UserS3"));
    protocol->setCurrentIndex(protocol->findData(protocol_number(Protocol::WebDav)));
    EXPECT_EQ(label_of(kDocCtlFtpClient), ctx_.lang.get("Doc\\FTP.ClientDav"));
    EXPECT_FALSE(field<QLineEdit>(kDocCtlS3Bucket)->isEnabled());
    protocol->setCurrentIndex(protocol->findData(protocol_number(Protocol::Ftps)));
    EXPECT_EQ(label_of(kDocCtlFtpClient), ctx_.lang.get("Doc\\FTP.Client"));
    EXPECT_TRUE(port->isEnabled());

    // A new document starts secure; a value no program wrote is shown as what it publishes as.
    DocWindow fresh(nullptr, ctx_.lang, open_doc());
    EXPECT_EQ(fresh.control<QComboBox>(kDocCtlFtpProtocol)->currentData().toInt(),
              protocol_number(Protocol::Ftps));
    doc_.Protocol = static_cast<Protocol>(7);
    DocWindow odd(nullptr, ctx_.lang, doc_);
    EXPECT_EQ(odd.control<QComboBox>(kDocCtlFtpProtocol)->currentData().toInt(),
              protocol_number(Protocol::Ftps));
}

TEST_F(DocWindowTest, AnUnknownTimeZoneOpensOnAutoAndStoresIt) {
    doc_.TimeZone = 13;
    DocWindow w(nullptr, ctx_.lang, doc_);
    auto* zone = w.control<QComboBox>(kDocCtlTimeZone);
    EXPECT_EQ(zone->currentText(), "Auto");
    EXPECT_EQ(zone->itemText(1), "GMT-12");
    EXPECT_EQ(zone->itemText(25), "GMT12");
    w.store(doc_);
    EXPECT_EQ(doc_.TimeZone, kAutoTimeZone);
    zone->setCurrentIndex(12);
    w.store(doc_);
    EXPECT_EQ(doc_.TimeZone, -1);
}

TEST_F(DocWindowTest, BoxesRuleTheFlagsAndTheEnablingButNoText) {
    EXPECT_TRUE(window_of_doc_.date_field()->isEnabled());
    const int itunes[] = {kDocCtlITunesAuthor,  kDocCtlITunesSubTitle, kDocCtlITunesSummary,
                          kDocCtlITunesKeyword, kDocCtlITunesMail,     kDocCtlITunesOwnerName,
                          kDocCtlDirCategory,   kDocCtlDirSubCategory, kDocCtlDirExplicit,
                          kDocCtlDirType,       kDocCtlDirNewFeedUrl,  kDocCtlDirBlock,
                          kDocCtlDirComplete};
    const int podcast[] = {kDocCtlPodcastLocked,     kDocCtlPodcastLockedOwner,
                           kDocCtlPodcastFundingUrl, kDocCtlPodcastFundingText,
                           kDocCtlPodcastGuid,       kDocCtlBlocks,
                           kDocCtlBlockAdd};
    for (int n : podcast)
        EXPECT_TRUE(field<QWidget>(n)->isEnabled()) << n;
    field<QCheckBox>(kDocCtlITunesInclude)->setChecked(false);
    field<QCheckBox>(kDocCtlAutoLastBuildDate)->setChecked(true);
    for (int n : itunes)
        EXPECT_FALSE(field<QWidget>(n)->isEnabled()) << n;
    for (int n : podcast)
        EXPECT_TRUE(field<QWidget>(n)->isEnabled()) << n;
    const int pages[] = {kDocPagePeople, kDocPageLicense, kDocPagePromotion, kDocPagePayments};
    for (int page : pages)
        EXPECT_TRUE(window_of_doc_.panel()->widget(page)->isEnabled()) << page;
    field<QCheckBox>(kDocCtlPodcastInclude)->setChecked(false);
    for (int n : podcast)
        EXPECT_FALSE(field<QWidget>(n)->isEnabled()) << n;
    for (int page : pages)
        EXPECT_FALSE(window_of_doc_.panel()->widget(page)->isEnabled()) << page;
    EXPECT_FALSE(window_of_doc_.date_field()->isEnabled());
    window_of_doc_.date_field()->set_value(date_from_fields(2040, 2, 29, 8, 30, 0));
    window_of_doc_.store(doc_);
    EXPECT_EQ(doc_.Flag, kAutoLastBuildDate + kDocSpecialChar);
    EXPECT_EQ(doc_.iTunesMail, kSample.iTunesMail);
    EXPECT_EQ(doc_.iTunesSubCategory, kSample.iTunesSubCategory);
    EXPECT_EQ(doc_.PodcastFundingUrl, kSample.PodcastFundingUrl);
    EXPECT_EQ(doc_.LastBuildDate, date_from_fields(2040, 2, 29, 8, 30, 0));
}

TEST_F(DocWindowTest, TheSubcategoriesFollowTheCategoryAndUnknownNamesSurvive) {
    auto* category = field<QComboBox>(kDocCtlDirCategory);
    auto* sub = field<QComboBox>(kDocCtlDirSubCategory);
    const auto choose = [&](const char* name) {
        category->setCurrentIndex(category->findData(QString(name)));
    };
    const auto offered = [&] {
        std::vector<std::string> values;
        for (int i = 0; i < sub->count(); ++i)
            values.push_back(sub->itemData(i).toString().toStdString());
        return values;
    };
    choose("Arts");
    EXPECT_EQ(offered(), (std::vector<std::string>{"", "Books", "Design", "Fashion & Beauty",
                                                   "Food", "Performing Arts", "Visual Arts"}));
    EXPECT_EQ(sub->currentText().toStdString(), ctx_.lang.get("Doc\\Directory.None"));
    sub->setCurrentIndex(2);
    choose("History"); // no subcategories
    EXPECT_EQ(offered(), (std::vector<std::string>{""}));
    choose("Health & Fitness");
    window_of_doc_.store(doc_);
    EXPECT_EQ(doc_.iTunesCategory, "Health & Fitness");
    EXPECT_EQ(doc_.iTunesSubCategory, "");
    choose("");
    window_of_doc_.store(doc_);
    EXPECT_EQ(doc_.iTunesCategory, "");
    EXPECT_EQ(doc_.iTunesSubCategory, "");

    // Hand-edited values the lists lack show as they stand and are stored back untouched.
    doc_ = kSample;
    doc_.iTunesCategory = "Podcasts";
    doc_.iTunesSubCategory = "Misc";
    doc_.iTunesType = "weekly";
    DocWindow w(nullptr, ctx_.lang, doc_);
    EXPECT_EQ(w.control<QComboBox>(kDocCtlDirCategory)->currentText(), "Podcasts");
    EXPECT_EQ(w.control<QComboBox>(kDocCtlDirSubCategory)->currentText(), "Misc");
    EXPECT_EQ(w.control<QComboBox>(kDocCtlDirType)->currentText(), "weekly");
    Doc stored = doc_;
    w.store(stored);
    EXPECT_EQ(stored.iTunesCategory, "Podcasts");
    EXPECT_EQ(stored.iTunesSubCategory, "Misc");
    EXPECT_EQ(stored.iTunesType, "weekly");
}

TEST_F(DocWindowTest, TheNamespaceTablesAreEditedAndABadCellKeepsOkBackOnItsPage) {
    DocWindow w(nullptr, ctx_.lang, kSample, &files_, &requester_);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    const auto click = [&](int number) { w.control<QPushButton>(number)->click(); };
    // A row added after the chosen one is typed into at once; rows move and go.
    auto* persons = w.control<QTreeWidget>(kDocCtlPersons);
    w.panel()->setCurrentIndex(kDocPagePeople);
    persons->setCurrentItem(persons->topLevelItem(0));
    click(kDocCtlPersonAdd);
    QTest::keyClicks(QApplication::focusWidget(), "Cy");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // committed once queued
    ASSERT_EQ(persons->topLevelItemCount(), 3);
    EXPECT_TRUE(QTest::qWaitFor([&] { return persons->topLevelItem(1)->text(0) == "Cy"; }, 2000));
    persons->topLevelItem(1)->setText(1, "cover art designer");
    persons->setCurrentItem(persons->topLevelItem(2));
    click(kDocCtlPersonUp);
    persons->setCurrentItem(persons->topLevelItem(0));
    click(kDocCtlPersonDelete);
    w.control<QLineEdit>(kDocCtlLocation)->setText("");
    auto* license = w.control<QComboBox>(kDocCtlLicense);
    EXPECT_GE(license->findText("CC-BY-4.0"), 0);
    license->setCurrentIndex(license->findText("CC-BY-4.0"));
    auto* medium = w.control<QComboBox>(kDocCtlMedium);
    medium->setCurrentIndex(medium->findText("video"));
    w.control<QCheckBox>(kDocCtlUpdateComplete)->setChecked(false);
    // A row added and left untouched gives no entry; a stored one unticked stays.
    auto* blocks = w.control<QTreeWidget>(kDocCtlBlocks);
    blocks->topLevelItem(0)->setCheckState(1, Qt::Unchecked);
    blocks->topLevelItem(1)->setCheckState(1, Qt::Checked);
    blocks->setCurrentItem(blocks->topLevelItem(1));
    click(kDocCtlBlockAdd);
    auto* podroll = w.control<QTreeWidget>(kDocCtlPodroll);
    podroll->setCurrentItem(podroll->topLevelItem(0));
    click(kDocCtlPodrollDelete);

    // A share that is no number keeps the window open on the payments page, on that cell.
    auto* recipients = w.control<QTreeWidget>(kDocCtlRecipients);
    recipients->setCurrentItem(recipients->topLevelItem(1));
    click(kDocCtlRecipientAdd);
    QTreeWidgetItem* added = recipients->topLevelItem(2);
    ASSERT_NE(added, nullptr);
    added->setText(0, "Guest");
    added->setText(3, "ten");
    added->setCheckState(4, Qt::Checked);
    w.panel()->setCurrentIndex(kDocPageGeneral);
    w.ok_button()->click();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.panel()->currentIndex(), kDocPagePayments);
    EXPECT_EQ(recipients->currentItem(), added);
    EXPECT_EQ(recipients->currentColumn(), 3);
    ASSERT_EQ(requester_.asked.size(), 1U);
    EXPECT_EQ(requester_.asked[0].text.toStdString(),
              ctx_.lang.get("List.BadCell", {"3", ctx_.lang.get("List.Split"), "ten"}));
    added->setText(3, "10");
    w.ok_button()->click();
    EXPECT_EQ(w.result(), QDialog::Accepted);
    w.store(doc_);
    EXPECT_EQ(doc_.Persons, (std::vector<Person>{kSample.Persons[1],
                                                 {"Cy", "cover art designer", "visuals", "", ""}}));
    EXPECT_EQ(doc_.Location, "");
    EXPECT_EQ(doc_.License, "CC-BY-4.0");
    EXPECT_EQ(doc_.Medium, "video");
    EXPECT_EQ(doc_.UpdateFrequencyComplete, 0);
    EXPECT_EQ(doc_.Blocks, (std::vector<ServiceBlock>{{"", 0}, {"somewhere", 1}}));
    EXPECT_TRUE(doc_.Podroll.empty());
    EXPECT_EQ(doc_.ValueRecipients,
              (std::vector<ValueRecipient>{kSample.ValueRecipients[0],
                                           kSample.ValueRecipients[1],
                                           {"Guest", "", "", 10, 1, "", ""}}));
    EXPECT_EQ(doc_.Trailers, kSample.Trailers);
}

TEST_F(DocWindowTest, TheFeedAddressAndThePodcastGuidFollowTheLinkAndTheFileName) {
    auto* guid = field<QLineEdit>(kDocCtlPodcastGuid);
    auto* file = field<QLineEdit>(kDocCtlRssFile);
    auto* address = field<QLineEdit>(kDocCtlFeedAddress);
    EXPECT_TRUE(guid->isReadOnly() && file->isReadOnly() && address->isReadOnly());
    EXPECT_EQ(guid->text().toStdString(), podcast_guid("http://example.org/pod/feed.Xml"));
    EXPECT_EQ(file->text(), "feed.Xml");
    type(kDocCtlBaseLink, "https://example.com/show");
    EXPECT_EQ(guid->text().toStdString(), podcast_guid("https://example.com/show/feed.Xml"));
    EXPECT_EQ(address->text(), "https://example.com/show/feed.Xml");
    type(kDocCtlRssName, " dir\\other ");
    EXPECT_EQ(guid->text().toStdString(), podcast_guid("https://example.com/show/other.Xml"));
    EXPECT_EQ(file->text(), "other.Xml");
    EXPECT_EQ(address->text(), "https://example.com/show/other.Xml");
    type(kDocCtlBaseLink, ""); // "other.Xml" is no address the feed is read at
    EXPECT_EQ(guid->text(), "");
    type(kDocCtlBaseLink, "https://example.com/show");
    type(kDocCtlRssName, ""); // and no project file to name it after: no address
    EXPECT_EQ(guid->text(), "");
    Doc saved = kSample;
    saved.FileName = "/data/show.qprj";
    saved.RssName = "";
    DocWindow w(nullptr, ctx_.lang, saved);
    EXPECT_EQ(w.control<QLineEdit>(kDocCtlPodcastGuid)->text().toStdString(),
              podcast_guid("http://example.org/pod/show.Xml"));
}

TEST_F(DocWindowTest, TheArtworkFileIsChosenShownAndStoredAndTheProjectStaysPrivate) {
    Doc& fresh = open_doc();
    EXPECT_EQ(fresh.ProjectPrivate, 1);
    fresh.FileName = tmp_.path() + "show.qprj";
    DocWindow w(nullptr, ctx_.lang, fresh, &files_);
    EXPECT_FALSE(w.control<QCheckBox>(kDocCtlPublishProject)->isChecked());
    // A PNG header of 1400 x 1400 pixels.
    std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x05\x78\0\0\x05\x78", 24);
    ASSERT_TRUE(write_file(tmp_.path() + "cover.png", png + std::string(20, '\0')));
    files_.paths.push_back(QString::fromStdString(tmp_.path() + "cover.png"));
    QTest::mouseClick(w.control<QPushButton>(kDocCtlImageBrowse), Qt::LeftButton);
    ASSERT_EQ(files_.asked.size(), 1U);
    EXPECT_EQ(files_.asked[0].proposed.toStdString(), tmp_.path());
    EXPECT_EQ(w.control<QLabel>(kDocCtlImageInfo)->text().toStdString(),
              ctx_.lang.get("Doc\\Image.Info", {"PNG", "1400", "1400"}));
    w.control<QLineEdit>(kDocCtlImageFile)->setText("missing.png");
    EXPECT_EQ(w.control<QLabel>(kDocCtlImageInfo)->text().toStdString(),
              ctx_.lang.get("Doc\\Image.Unreadable"));
    w.control<QLineEdit>(kDocCtlImageFile)->setText("cover.png"); // beside the project
    EXPECT_EQ(w.control<QLabel>(kDocCtlImageInfo)->text().toStdString(),
              ctx_.lang.get("Doc\\Image.Info", {"PNG", "1400", "1400"}));
    w.control<QCheckBox>(kDocCtlPublishProject)->setChecked(true);
    Doc stored = fresh;
    w.store(stored);
    EXPECT_EQ(stored.ImageFile, "cover.png");
    EXPECT_EQ(stored.ProjectPrivate, 0);
}

TEST_F(DocWindowTest, CancelLeavesTheDocumentAloneAndOkMarksIt) {
    Doc& doc = open_doc();
    const Doc before = doc;
    const std::function<void(DocWindow*)> cancels[] = {
        [](DocWindow* w) { QTest::keyClick(w, Qt::Key_Escape); }, [](DocWindow* w) { w->close(); },
        [](DocWindow* w) {
            w->cancel_button()->setFocus();
            QTest::keyClick(w->cancel_button(), Qt::Key_Return);
        }};
    for (const auto& cancel : cancels) {
        qp::test::when_modal([&](QWidget* modal) {
            auto* w = dynamic_cast<DocWindow*>(modal);
            if (w == nullptr) { // close it, so a wrong window fails the test instead of hanging it
                ADD_FAILURE() << "not the document window";
                modal->close();
                return;
            }
            EXPECT_FALSE(window_->isEnabled());
            EXPECT_EQ(w->panel()->currentIndex(), kDocPageDesc);
            EXPECT_EQ(w->focusWidget(), w->control<QLineEdit>(kDocCtlTitle));
            w->control<QLineEdit>(kDocCtlTitle)->setText("Changed");
            cancel(w);
        });
        window_->Main_MenuEvent(kCmdRssProperty);
        EXPECT_EQ(doc, before);
        EXPECT_TRUE(window_->isEnabled());
    }

    qp::test::when_modal([](QWidget* modal) {
        QTest::keyClicks(modal->focusWidget(), "Typed");
        QTest::keyClick(modal->focusWidget(), Qt::Key_Return);
    });
    window_->Main_MenuEvent(kCmdRssProperty);
    EXPECT_EQ(doc.Title, "Typed");
    EXPECT_EQ(doc.State & kModified, kModified);
    // Everything left alone comes back as it was: the directory settings stay empty.
    Doc untouched = doc;
    untouched.Title = before.Title;
    untouched.State = before.State;
    EXPECT_EQ(untouched, before);
}

TEST_F(DocWindowTest, LinkToClipboardJoinsTheFileNameToTheLink) {
    Doc& doc = open_doc();
    doc.RssName = "feed";
    // The copied address, or "" when the clipboard is left alone; a message comes with a copy
    // only, and names the address.
    const auto copied = [&](const char* link) {
        doc.Link = link;
        QGuiApplication::clipboard()->setText("untouched");
        requester_.asked.clear();
        window_->Main_MenuEvent(kCmdLinkToClipboard);
        std::string text = QGuiApplication::clipboard()->text().toStdString();
        text = text == "untouched" ? "" : text;
        const std::string shown = requester_.asked.size() == 1
                                      ? requester_.asked[0].title.toStdString() + "|" +
                                            requester_.asked[0].text.toStdString()
                                      : "";
        EXPECT_EQ(shown, text.empty()
                             ? ""
                             : "Information|" + ctx_.lang.get("Msg.LinkToClipboard", {text}));
        return text;
    };
    EXPECT_EQ(copied("http://example.org/pod"), "http://example.org/pod/feed.Xml");
    EXPECT_EQ(copied("http://example.org/pod/"), "http://example.org/pod/feed.Xml");
    EXPECT_EQ(copied(""), "feed.Xml");
    doc.RssName = "c:feed";
    EXPECT_EQ(copied("http://example.org/"), "c:feed.Xml");

    // No format, another one, or no name for the file: nothing is copied or shown.
    for (const char* format : {"", "Atom"}) {
        doc.Format = format;
        EXPECT_EQ(copied("http://example.org/"), "");
    }
    doc.Format = "rssv2";
    doc.RssName = "";
    EXPECT_EQ(copied("http://example.org/"), "");
    doc.FileName = tmp_.path() + "show.qprj";
    EXPECT_EQ(copied("http://example.org/"), "http://example.org/show.Xml");
}

} // namespace
} // namespace qp::ui::testing
