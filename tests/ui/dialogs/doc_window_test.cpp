#include "core/command_ids.h"
#include "core/dates.h"
#include "ui/common/date_field.h"
#include "ui/dialogs/doc_window.h"
#include "ui/dialogs/modal.h"
#include "ui/support/shell_fixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

namespace qp {
// The channel values a failed comparison shows, instead of the record's bytes.
void PrintTo(const Doc& d, std::ostream* os) {
    *os << "{Format=" << d.Format << " Title=" << d.Title << " Desc=" << d.Desc
        << " Link=" << d.Link << " RssName=" << d.RssName << " Lang=" << d.Lang
        << " TimeZone=" << d.TimeZone << " TTL=" << d.TTL << " MaxFeed=" << d.MaxFeed
        << " Flag=" << d.Flag << " LastBuildDate=" << d.LastBuildDate << " Port=" << d.Port
        << " PathFTP=" << d.PathFTP << " State=" << d.State << "}";
}
} // namespace qp

namespace qp::ui::testing {
namespace {

class DocWindowTest : public ShellTest {
protected:
    // A channel with a value in every field, several of them outside what the window offers.
    static Doc sample() {
        Doc doc;
        DocDefaults(doc);
        doc.Title = "Title";
        doc.Desc = "Line one\r\nLine two";
        doc.Link = "http://example.org/pod/";
        doc.RssName = "feed";
        doc.Format = "Atom";
        doc.FormatDate = "%dd/%mm";
        doc.TimeZone = 5;
        doc.TTL = 5000;
        doc.MaxFeed = 500;
        doc.Lang = "de";
        doc.Copyright = "(c)";
        doc.LastBuildDate = date_from_fields(1969, 7, 20, 20, 17, 0);
        doc.WebMaster = "web@example.org";
        doc.Category = "a;b";
        doc.ImageUrl = "img.png";
        doc.ImageTitle = "Image";
        doc.ImageLink = "http://example.org/";
        doc.iTunesAuthor = "Author";
        doc.iTunesSubTitle = "Sub";
        doc.iTunesSummary = "Summary";
        doc.iTunesKeyword = "k1,k2";
        doc.iTunesMail = "owner@example.org";
        doc.Client = " ftp.example.org ";
        doc.User = "user";
        doc.Port = 2121;
        doc.PathFTP = "www/pod/";
        doc.Flag = kITunesInclude + kDocSpecialChar + 16;
        doc.Feeds.push_back(Feed{});
        return doc;
    }

    template <class T> static T* field(DocWindow& w, int number) {
        T* control = w.control<T>(number);
        EXPECT_NE(control, nullptr) << number;
        return control;
    }
    static void setText(DocWindow& w, int number, const char* text) {
        field<QLineEdit>(w, number)->setText(QString::fromUtf8(text));
    }

    Doc& openDoc() {
        docs().Document_New();
        return *ctx_.docs.current();
    }
};

TEST_F(DocWindowTest, AnUntouchedWindowStoresWhatItLoaded) {
    const Doc doc = sample();
    DocWindow w(nullptr, ctx_.lang, doc);
    EXPECT_EQ(field<QComboBox>(w, kDocCtlLang)->currentText(), "de");
    EXPECT_EQ(field<QComboBox>(w, kDocCtlLang)->count(), 6);
    EXPECT_EQ(field<QComboBox>(w, kDocCtlTimeZone)->currentText(), "GMT5");
    EXPECT_EQ(field<QComboBox>(w, kDocCtlFormat)->currentText(), "Atom");
    EXPECT_EQ(field<QLineEdit>(w, kDocCtlFtpPort)->text(), "2121");

    Doc stored = doc;
    w.store(stored);
    Doc expected = doc;
    expected.Format = "RssV2";
    expected.Desc = "Line one Line two"; // one line, the words kept apart
    expected.Flag = kITunesInclude + kDocSpecialChar;
    EXPECT_EQ(stored, expected); // spin values beyond the offered range are kept, not clamped
}

TEST_F(DocWindowTest, TypedValuesAreCleanedAsTheyAreStored) {
    Doc doc = sample();
    DocWindow w(nullptr, ctx_.lang, doc);
    setText(w, kDocCtlRssName, " podcasts\\2024/news*.xml ");
    setText(w, kDocCtlBaseLink, " /site\\pod ");
    setText(w, kDocCtlTitle, "Tab\there");
    setText(w, kDocCtlFtpPath, " \\www\\pod ");
    setText(w, kDocCtlFtpPort, "");
    field<QComboBox>(w, kDocCtlLang)->setCurrentIndex(3);
    field<QComboBox>(w, kDocCtlFormat)->setCurrentIndex(1);
    w.store(doc);
    EXPECT_EQ(doc.RssName, "news.xml");
    EXPECT_EQ(doc.Link, "site/pod");
    EXPECT_EQ(doc.Title, "Tabhere");
    EXPECT_EQ(doc.PathFTP, "www/pod/");
    EXPECT_EQ(doc.Port, 0);
    EXPECT_EQ(doc.Lang, "it");
    EXPECT_EQ(doc.Format, "RssV2");

    setText(w, kDocCtlFtpPath, "");
    w.store(doc);
    EXPECT_EQ(doc.PathFTP, "");

    // The port field takes digits only.
    QLineEdit* port = field<QLineEdit>(w, kDocCtlFtpPort);
    QTest::keyClicks(port, "2x1-");
    EXPECT_EQ(port->text(), "21");
}

TEST_F(DocWindowTest, AnUnknownTimeZoneOpensOnAutoAndStoresIt) {
    Doc doc = sample();
    doc.TimeZone = 13;
    DocWindow w(nullptr, ctx_.lang, doc);
    auto* zone = field<QComboBox>(w, kDocCtlTimeZone);
    EXPECT_EQ(zone->currentIndex(), 0);
    EXPECT_EQ(zone->currentText(), "Auto");
    EXPECT_EQ(zone->itemText(1), "GMT-12");
    EXPECT_EQ(zone->itemText(25), "GMT12");
    w.store(doc);
    EXPECT_EQ(doc.TimeZone, kAutoTimeZone);
    zone->setCurrentIndex(12); // GMT-1
    w.store(doc);
    EXPECT_EQ(doc.TimeZone, -1);
}

TEST_F(DocWindowTest, BoxesRuleTheFlagsAndTheEnablingButNoText) {
    Doc doc = sample();
    DocWindow w(nullptr, ctx_.lang, doc);
    EXPECT_TRUE(field<QLineEdit>(w, kDocCtlITunesMail)->isEnabled());
    EXPECT_TRUE(w.dateField()->isEnabled());
    field<QCheckBox>(w, kDocCtlITunesInclude)->setChecked(false);
    field<QCheckBox>(w, kDocCtlAutoLastBuildDate)->setChecked(true);
    for (int n : {kDocCtlITunesAuthor, kDocCtlITunesSubTitle, kDocCtlITunesSummary,
                  kDocCtlITunesKeyword, kDocCtlITunesMail})
        EXPECT_FALSE(field<QLineEdit>(w, n)->isEnabled()) << n;
    EXPECT_FALSE(w.dateField()->isEnabled());
    w.dateField()->setValue(date_from_fields(2040, 2, 29, 8, 30, 0));
    w.store(doc);
    EXPECT_EQ(doc.Flag, kAutoLastBuildDate + kDocSpecialChar);
    EXPECT_EQ(doc.iTunesMail, "owner@example.org");
    EXPECT_EQ(doc.iTunesSummary, "Summary");
    EXPECT_EQ(doc.LastBuildDate, date_from_fields(2040, 2, 29, 8, 30, 0));
}

TEST_F(DocWindowTest, CancelLeavesTheDocumentAloneAndOkMarksIt) {
    Doc& doc = openDoc();
    const Doc before = doc;
    // Escape, the close box and Return on Cancel all cancel.
    const std::function<void(QWidget*)> cancels[] = {
        [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }, [](QWidget* w) { w->close(); },
        [](QWidget* w) {
            auto* dialog = dynamic_cast<DocWindow*>(w);
            ASSERT_NE(dialog, nullptr);
            dialog->cancelButton()->setFocus();
            QTest::keyClick(dialog->cancelButton(), Qt::Key_Return);
        }};
    for (const auto& cancel : cancels) {
        qp::test::whenModal([&](QWidget* w) {
            auto* dialog = dynamic_cast<DocWindow*>(w);
            ASSERT_NE(dialog, nullptr);
            EXPECT_FALSE(window_->isEnabled());
            EXPECT_EQ(dialog->panel()->currentIndex(), kDocPageDesc);
            EXPECT_EQ(dialog->focusWidget(), dialog->control<QLineEdit>(kDocCtlTitle));
            dialog->control<QLineEdit>(kDocCtlTitle)->setText("Changed");
            cancel(w);
        });
        window_->Main_MenuEvent(kCmdRssProperty);
        EXPECT_EQ(doc, before);
        EXPECT_TRUE(window_->isEnabled());
    }

    qp::test::whenModal([](QWidget* w) {
        auto* title = dynamic_cast<DocWindow*>(w)->control<QLineEdit>(kDocCtlTitle);
        QTest::keyClicks(title, "Typed");
        QTest::keyClick(title, Qt::Key_Return);
    });
    window_->Main_MenuEvent(kCmdRssProperty);
    EXPECT_EQ(doc.Title, "Typed");
    EXPECT_EQ(doc.State & kModified, kModified);
    EXPECT_TRUE(requester_.asked.empty());
}

TEST_F(DocWindowTest, LinkToClipboardJoinsTheFileNameToTheLink) {
    Doc& doc = openDoc();
    doc.RssName = "feed";
    // The copied address, or "" when the clipboard was left alone; a message comes exactly with
    // a copy and names the address.
    const auto copied = [&](const char* link) {
        doc.Link = link;
        QGuiApplication::clipboard()->setText("untouched");
        requester_.asked.clear();
        window_->Main_MenuEvent(kCmdLinkToClipboard);
        const std::string text = QGuiApplication::clipboard()->text().toStdString();
        if (text == "untouched") {
            EXPECT_TRUE(requester_.asked.empty());
            return std::string();
        }
        EXPECT_EQ(requester_.asked.size(), 1U);
        if (!requester_.asked.empty()) {
            EXPECT_EQ(requester_.asked[0].title, "Information");
            EXPECT_EQ(requester_.asked[0].text.toStdString(),
                      ctx_.lang.get("Msg.LinkToClipboard", {text}));
        }
        return text;
    };
    EXPECT_EQ(copied("http://example.org/pod"), "http://example.org/pod/feed.Xml");
    EXPECT_EQ(copied("http://example.org/pod/"), "http://example.org/pod/feed.Xml");
    EXPECT_EQ(copied(""), "feed.Xml");
    doc.RssName = "c:feed";
    EXPECT_EQ(copied("http://example.org/"), "c:feed.Xml");

    // Another format, no format, or no name for the file: nothing is copied or shown.
    doc.Format = "";
    EXPECT_EQ(copied("http://example.org/"), "");
    doc.Format = "Atom";
    EXPECT_EQ(copied("http://example.org/"), "");
    doc.Format = "rssv2";
    doc.RssName = "";
    EXPECT_EQ(copied("http://example.org/"), "");
    doc.FileName = tmp_.path() + "show.qprj";
    EXPECT_EQ(copied("http://example.org/"), "http://example.org/show.Xml");
}

} // namespace
} // namespace qp::ui::testing
