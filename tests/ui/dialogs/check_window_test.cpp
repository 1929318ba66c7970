// The check window on hand-made findings: what it lists and how each way out answers.
#include "ui/dialogs/check_window.h"

#include "core/language.h"
#include "ui/common/qt_text.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

namespace qp::ui {
namespace {

class CheckWindowTest : public ::testing::Test {
protected:
    CheckWindowTest() : lang_({std::string(QP_SOURCE_DIR) + "/data/Lang/"}) {
        lang_.Lang_Select("english");
        for (const char* title : {"Pilot", "Second"}) {
            Feed feed;
            feed.FeedTitle = title;
            doc_.Feeds.push_back(feed);
        }
    }

    // Shown without exec(), so a test acts on it and reads its answer afterwards.
    std::unique_ptr<CheckWindow> open(const std::vector<CheckFinding>& findings, CheckMode mode) {
        auto w = std::make_unique<CheckWindow>(nullptr, doc_, findings, lang_, mode);
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        return w;
    }

    static void double_click(QListWidget* list, int row) {
        const QPoint at = list->visualItemRect(list->item(row)).center();
        // A real double-click starts with a click; the view acts on a line pressed first.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    LangTable lang_;
    Doc doc_;
    const CheckFinding channel_error_{CheckLevel::Error, -1, "Check.ITunesOff", {}};
    const CheckFinding channel_warning_{CheckLevel::Warning, -1, "Check.NoExplicit", {}};
    const CheckFinding episode_error_{CheckLevel::Error, 1, "Check.NoCategory", {}};
    const CheckFinding episode_warning_{CheckLevel::Warning, 0, "Check.NoExplicit", {}};
};

TEST_F(CheckWindowTest, ListsErrorsFirstWithTheirIconsAndWholeTexts) {
    const std::vector<CheckFinding> findings{episode_warning_, channel_error_, channel_warning_,
                                             episode_error_};
    const auto w = open(findings, CheckMode::OnDemand);
    QListWidget* list = w->list();
    ASSERT_EQ(list->count(), 4);
    const CheckFinding* expected[] = {&channel_error_, &episode_error_, &episode_warning_,
                                      &channel_warning_};
    const QImage error =
        w->style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(20).toImage();
    const QImage warning =
        w->style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(20).toImage();
    for (int row = 0; row < 4; ++row) {
        const CheckFinding& f = *expected[row];
        EXPECT_EQ(from_q(list->item(row)->text()), check_text(doc_, f, lang_)) << row;
        EXPECT_EQ(list->item(row)->icon().pixmap(20).toImage(),
                  f.level == CheckLevel::Error ? error : warning)
            << row;
    }
    EXPECT_EQ(w->windowTitle(), "Feed check");
    EXPECT_EQ(qobject_cast<QLabel*>(w->control(kCheckSummary))->text(), "2 error(s), 2 warning(s)");

    // Every explanation wraps inside the list, its line as high as its text needs.
    const QFontMetrics metrics(list->font());
    const int text_width = list->viewport()->width() - list->iconSize().width();
    for (int row = 0; row < 4; ++row) {
        const QRect line = list->visualItemRect(list->item(row));
        const QRect text = metrics.boundingRect(QRect(0, 0, text_width, 10000), Qt::TextWordWrap,
                                                list->item(row)->text());
        EXPECT_GE(line.height(), text.height()) << row;
        EXPECT_LE(line.right(), list->viewport()->width()) << row;
    }
    // The first explanation is long enough to need more than one line.
    EXPECT_GT(metrics.horizontalAdvance(list->item(0)->text()), text_width);
    EXPECT_EQ(list->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

// A long list comes in slices after the window is shown: every finding once, errors first.
TEST_F(CheckWindowTest, ALongListArrivesWholeAndInOrder) {
    std::vector<CheckFinding> findings;
    for (int i = 0; i < 3000; ++i)
        findings.push_back(
            {i % 3 == 0 ? CheckLevel::Error : CheckLevel::Warning, i % 2, "Check.NoExplicit", {}});
    const auto w = open(findings, CheckMode::OnDemand);
    QListWidget* list = w->list();
    EXPECT_LT(list->count(), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(!w->filling(), 60000);
    ASSERT_EQ(list->count(), 3000);
    EXPECT_EQ(list->currentRow(), 0); // the first line stays chosen while the others come
    for (int row = 0; row < 3000; ++row) {
        // Errors are the findings 0, 3, 6...: 1000 of them, then the warnings in their order.
        const int source = row < 1000 ? row * 3 : (row - 1000) / 2 * 3 + 1 + (row - 1000) % 2;
        EXPECT_EQ(list->item(row)->data(Qt::UserRole).toInt(), source % 2) << row;
        EXPECT_EQ(from_q(list->item(row)->text()), check_text(doc_, findings[source], lang_))
            << row;
    }
    EXPECT_EQ(qobject_cast<QLabel*>(w->control(kCheckSummary))->text(),
              "1000 error(s), 2000 warning(s)");
}

TEST_F(CheckWindowTest, BeforePublishingAnErrorMakesGoingBackTheDefault) {
    {
        const auto w = open({channel_warning_, channel_error_}, CheckMode::BeforePublish);
        EXPECT_TRUE(qobject_cast<QPushButton*>(w->control(kCheckBack))->isDefault());
        EXPECT_EQ(w->control(kCheckClose), nullptr);
        // Return on the channel's line, which names no episode, is the window's Return.
        QTest::keyClick(w->list(), Qt::Key_Return);
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(w->choice().answer, CheckAnswer::Back);
    }
    {
        const auto w = open({channel_warning_}, CheckMode::BeforePublish);
        EXPECT_TRUE(qobject_cast<QPushButton*>(w->control(kCheckPublish))->isDefault());
        QTest::keyClick(w->list(), Qt::Key_Return);
        EXPECT_EQ(w->choice().answer, CheckAnswer::Publish);
    }
    {
        const auto w = open({channel_warning_}, CheckMode::BeforePublish);
        QTest::keyClick(w->list(), Qt::Key_Escape);
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(w->choice().answer, CheckAnswer::Back);
    }
    {
        const auto w = open({channel_error_}, CheckMode::BeforePublish);
        QTest::mouseClick(qobject_cast<QPushButton*>(w->control(kCheckPublish)), Qt::LeftButton);
        EXPECT_EQ(w->choice().answer, CheckAnswer::Publish);
    }
}

TEST_F(CheckWindowTest, AnEpisodesLineChosenByDoubleClickOrReturnNamesThatEpisode) {
    const std::vector<CheckFinding> findings{channel_error_, episode_error_, episode_warning_};
    {
        const auto w = open(findings, CheckMode::OnDemand);
        EXPECT_EQ(w->control(kCheckPublish), nullptr);
        // The channel's line has no episode to go to: the window stays.
        double_click(w->list(), 0);
        EXPECT_TRUE(w->isVisible());
    }
    {
        const auto w = open(findings, CheckMode::OnDemand);
        double_click(w->list(), 2);
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(w->choice().answer, CheckAnswer::ShowFeed);
        EXPECT_EQ(w->choice().feed, 0);
    }
    {
        const auto w = open(findings, CheckMode::BeforePublish);
        QTest::keyClick(w->list(), Qt::Key_Down);
        QTest::keyClick(w->list(), Qt::Key_Return);
        EXPECT_EQ(w->choice().answer, CheckAnswer::ShowFeed);
        EXPECT_EQ(w->choice().feed, 1);
    }
    {
        // An index past the document's episodes stands for the channel, as its text does.
        const auto w = open({{CheckLevel::Error, 7, "Check.NoCategory", {}}}, CheckMode::OnDemand);
        QTest::keyClick(w->list(), Qt::Key_Return);
        EXPECT_EQ(w->choice().answer, CheckAnswer::Back);
    }
}

TEST_F(CheckWindowTest, TheProposedDateMaskIsOneClickAway) {
    // Offered only when the check proposes a mask.
    EXPECT_EQ(open({channel_warning_}, CheckMode::OnDemand)->control(kCheckUseDate), nullptr);
    const std::string mask = "%dl, %dd %ml %yyyy %hh:%ii:%ss %zz";
    const CheckFinding zone{CheckLevel::Warning, -1, "Check.DateZone", {"sample", mask}};
    for (const CheckMode mode : {CheckMode::OnDemand, CheckMode::BeforePublish}) {
        doc_.FormatDate.clear();
        doc_.State = 0;
        const auto w = open({channel_error_, zone}, mode);
        auto* use = qobject_cast<QPushButton*>(w->control(kCheckUseDate));
        ASSERT_NE(use, nullptr);
        EXPECT_EQ(use->text(), "&Use the standard date format");
        QTest::mouseClick(use, Qt::LeftButton);
        EXPECT_FALSE(w->isVisible());
        // The file built with the old dates is not published.
        EXPECT_EQ(w->choice().answer, CheckAnswer::DateMask);
        EXPECT_EQ(doc_.FormatDate, mask);
        EXPECT_EQ(doc_.State & kModified, kModified);
    }
}

} // namespace
} // namespace qp::ui
