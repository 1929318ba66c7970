#include "core/command_ids.h"
#include "ui/dialogs/feed_window.h"
#include "ui/support/shell_fixture.h"

#include "support/media_files.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>

namespace qp::ui::testing {
namespace {

class MediaTest : public ShellTest {
protected:
    void SetUp() override {
        ASSERT_EQ(qp::test::make_media(tmp_.path(), "ep.m4a"), "");
        // Named as nothing the extension guess knows: the type must come from the content.
        std::filesystem::rename(tmp_.path() + "ep.m4a", tmp_.path() + "ep.bin");
        bytes_ = QString::number(std::filesystem::file_size(tmp_.path() + "ep.bin"));
    }
    Doc& doc() { return *ctx_.docs.current(); }

    QString bytes_;
};

TEST_F(MediaTest, BrowseFillsLengthDurationAndTheTypeFromTheContent) {
    Doc doc;
    FeedWindow w(ctx_, doc, FeedWindowMode::New, nullptr);
    auto* type = w.control<QComboBox>(kFeedWinType);
    type->setEditText("");
    files_.paths = {QString::fromStdString(tmp_.path() + "ep.bin"),
                    QString::fromStdString(tmp_.path() + "ep.bin")};
    w.Browse();
    EXPECT_EQ(w.control<QLineEdit>(kFeedWinLength)->text(), bytes_);
    EXPECT_EQ(w.control<QLineEdit>(kFeedWinDuration)->text(), "00:00:03");
    EXPECT_EQ(type->currentText(), "audio/x-m4a");

    // A type the user set stays; the playing time is read again.
    type->setEditText("video/mp4");
    w.control<QLineEdit>(kFeedWinDuration)->setText("1");
    w.Browse();
    EXPECT_EQ(type->currentText(), "video/mp4");
    EXPECT_EQ(w.control<QLineEdit>(kFeedWinDuration)->text(), "00:00:03");
}

TEST_F(MediaTest, RefreshCommandUpdatesCountsAndMarksOnlyAChange) {
    window_->Main_MenuEvent(kCmdFeedRefreshMedia); // no document: nothing to ask
    EXPECT_TRUE(requester_.asked.empty());
    ASSERT_NE(window_->action(kCmdFeedRefreshMedia), nullptr);

    docs().Document_Open(project("show", {"A", "B", "C"}));
    doc().Feeds[0].FeedFile = "%MainApp%ep.bin";
    doc().Feeds[1].FeedFile = "%MainApp%gone.mp3";
    Workspace& ws = *window_->workspace(&doc());
    ws.list->setCurrentItem(ws.list->topLevelItem(2));
    ws.editor->moveCursor(QTextCursor::End);
    ws.editor->insertPlainText(" typed");

    window_->Main_MenuEvent(kCmdFeedRefreshMedia);
    ASSERT_EQ(requester_.asked.size(), 1U);
    EXPECT_EQ(requester_.asked[0].text.toStdString(), ctx_.lang.get("Media.Done", {"1", "1", "0"}));
    EXPECT_EQ(QString::number(doc().Feeds[0].FeedFileLength), bytes_);
    EXPECT_EQ(doc().Feeds[0].FeedDuration, "00:00:03");
    EXPECT_EQ(doc().Feeds[2].FeedDesc, "Text of C typed");
    EXPECT_NE(doc().State & kModified, 0);
    EXPECT_EQ(FeedList_SelectedRow(ws.list), 2);
    EXPECT_TRUE(window_->isEnabled());

    // Nothing new to read: the document stays unmodified.
    SetModified(doc(), false);
    window_->Main_MenuEvent(kCmdFeedRefreshMedia);
    ASSERT_EQ(requester_.asked.size(), 2U);
    EXPECT_EQ(requester_.asked[1].text.toStdString(), ctx_.lang.get("Media.Done", {"0", "1", "0"}));
    EXPECT_EQ(doc().State & kModified, 0);
}

} // namespace
} // namespace qp::ui::testing
