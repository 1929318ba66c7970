#include "core/command_ids.h"
#include "ui/common/long_work.h"
#include "ui/dialogs/feed_window.h"
#include "ui/dialogs/media_work.h"
#include "ui/shell/media_commands.h"
#include "ui/support/shell_fixture.h"

#include "support/media_files.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <algorithm>
#include <fstream>
#include <future>

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

    // Clicks Cancel in the progress window as soon as it shows; returns the moment of the click.
    std::shared_ptr<QElapsedTimer> cancel_when_shown(int after_ms) {
        auto clicked = std::make_shared<QElapsedTimer>();
        QTimer::singleShot(0, window_.get(), [this, clicked, after_ms] {
            QProgressDialog* wait = nullptr;
            // Work that ends before its progress shows has nothing to cancel.
            EXPECT_TRUE(QTest::qWaitFor(
                [&] {
                    for (auto* d : window_->findChildren<QProgressDialog*>())
                        if (d->isVisible())
                            wait = d;
                    return wait != nullptr || long_work_wait_all(0);
                },
                20000));
            if (wait == nullptr)
                return;
            QTest::qWait(after_ms);
            clicked->start();
            QTest::mouseClick(wait->findChild<QPushButton*>(), Qt::LeftButton);
        });
        return clicked;
    }

    QString bytes_;
};

// MPEG-4 made of empty boxes: its reading takes seconds and a lot of memory.
void write_hostile(const std::string& path, std::size_t bytes) {
    std::string data("\0\0\0\x18"
                     "ftypM4A \0\0\0\0M4A mp42",
                     24);
    while (data.size() < bytes)
        data.append("\0\0\0\x08"
                    "free",
                    8);
    std::ofstream(path, std::ios::binary) << data;
}

TEST_F(MediaTest, BrowseFillsLengthDurationAndTheTypeFromTheContent) {
    Doc doc;
    FeedWindow w(ctx_, doc, FeedWindowMode::New, nullptr);
    auto* type = w.control<QComboBox>(kFeedWinType);
    type->setEditText("");
    files_.paths = {QString::fromStdString(tmp_.path() + "ep.bin"),
                    QString::fromStdString(tmp_.path() + "ep.bin")};
    w.browse();
    EXPECT_EQ(w.control<QLineEdit>(kFeedWinLength)->text(), bytes_);
    EXPECT_EQ(w.control<QLineEdit>(kFeedWinDuration)->text(), "00:00:03");
    EXPECT_EQ(type->currentText(), "audio/x-m4a");

    // A type the user set stays; the playing time is read again.
    type->setEditText("video/mp4");
    w.control<QLineEdit>(kFeedWinDuration)->setText("1");
    w.browse();
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
    EXPECT_EQ(feed_list_selected_row(ws.list), 2);
    EXPECT_TRUE(window_->isEnabled());

    // Nothing new to read: the document stays unmodified.
    SetModified(doc(), false);
    window_->Main_MenuEvent(kCmdFeedRefreshMedia);
    ASSERT_EQ(requester_.asked.size(), 2U);
    EXPECT_EQ(requester_.asked[1].text.toStdString(), ctx_.lang.get("Media.Done", {"0", "1", "0"}));
    EXPECT_EQ(doc().State & kModified, 0);
}

TEST_F(MediaTest, RefreshAndDropsAreOneUndoableStepEach) {
    ASSERT_EQ(qp::test::make_media(tmp_.path(), "ep2.mp3"), "");
    std::ofstream(tmp_.path() + "notes.txt") << "not audio";
    const std::string other = project("other", {"X"});
    docs().Document_Open(project("show", {"A", "B"}));
    doc().Feeds[0].FeedFile = "%MainApp%ep.bin";
    SetModified(doc(), false);
    window_->Main_MenuEvent(kCmdFeedRefreshMedia);
    EXPECT_EQ(doc().Feeds[0].FeedDuration, "00:00:03");
    window_->Main_MenuEvent(kCmdDocUndo);
    EXPECT_EQ(doc().Feeds[0].FeedDuration, "");
    EXPECT_EQ(doc().Feeds[0].FeedFileLength, 0);
    EXPECT_EQ(doc().State & kModified, 0);

    // Dropped in this order onto the list: two media files, a text file and a project.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(tmp_.path() + "ep2.mp3")),
                  QUrl::fromLocalFile(QString::fromStdString(tmp_.path() + "ep.bin")),
                  QUrl::fromLocalFile(QString::fromStdString(tmp_.path() + "notes.txt")),
                  QUrl::fromLocalFile(QString::fromStdString(other))});
    Doc* show = &doc();
    QWidget* target = window_->workspace(show)->list->viewport();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    ASSERT_EQ(show->Feeds.size(), 4U);
    const Feed& mp3 = show->Feeds[0];
    EXPECT_EQ(mp3.FeedTitle, "ep2");
    EXPECT_EQ(mp3.FeedFile, "%MainApp%ep2.mp3");
    EXPECT_EQ(mp3.FeedFileLength,
              static_cast<std::int64_t>(std::filesystem::file_size(tmp_.path() + "ep2.mp3")));
    EXPECT_EQ(mp3.FeedDuration, "00:00:03");
    EXPECT_EQ(mp3.FeedFileType, "audio/mpeg");
    EXPECT_EQ(show->Feeds[1].FeedTitle, "ep");
    EXPECT_EQ(show->Feeds[1].FeedFileType, "audio/x-m4a");
    EXPECT_NE(mp3.FeedGUID, show->Feeds[1].FeedGUID);
    ASSERT_EQ(requester_.asked.size(), 2U); // the refresh's counts, then the refused file
    EXPECT_NE(requester_.asked[1].text.indexOf("notes.txt"), -1);
    // The project opened after the episodes went to the list they were dropped on.
    EXPECT_EQ(ctx_.docs.count(), 2);
    EXPECT_EQ(doc().Title, "other");
    docs().SelectDoc(0, 0);
    window_->Main_MenuEvent(kCmdDocUndo);
    EXPECT_EQ(show->Feeds.size(), 2U);
    EXPECT_EQ(show->State & kModified, 0);
}

TEST_F(MediaTest, CancelAnswersWhileAHostileFileIsStillBeingRead) {
    // A read that never ends by itself: the window stops waiting for it on Cancel.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    docs().Document_New();
    auto clicked = cancel_when_shown(0);
    EXPECT_FALSE(
        media_work_run(ctx_, window_.get(), 3, [released](int i, const std::atomic<bool>*) {
            if (i == 1)
                released.wait();
        }));
    EXPECT_TRUE(window_->isEnabled());
    EXPECT_FALSE(long_work_wait_all(0)); // the worker is still in its read
    release.set_value();
    EXPECT_TRUE(long_work_wait_all(20000));

    // The real refresh over hostile files, with the window thread's longest pause measured.
    docs().Document_Open(project("hostile", {"A", "B", "C"}));
    for (int i = 0; i < 3; ++i) {
        write_hostile(tmp_.path() + "h" + std::to_string(i) + ".m4a", 3 << 20);
        doc().Feeds[static_cast<std::size_t>(i)].FeedFile =
            "%MainApp%h" + std::to_string(i) + ".m4a";
    }
    const Doc before = doc();
    QElapsedTimer gap;
    qint64 longest = 0;
    QTimer ping;
    QObject::connect(&ping, &QTimer::timeout, [&] { longest = std::max(longest, gap.restart()); });
    gap.start();
    ping.start(5);
    clicked = cancel_when_shown(100);
    window_->Main_MenuEvent(kCmdFeedRefreshMedia);
    const qint64 answered = clicked->isValid() ? clicked->elapsed() : -1;
    ping.stop();
    std::printf("cancel answered in %lld ms; longest pause of the window thread %lld ms\n",
                static_cast<long long>(answered), static_cast<long long>(longest));
    ASSERT_FALSE(requester_.asked.empty());
    // Read within a budget, such files are refused, often before the progress shows; those
    // refused before a Cancel are counted as unreadable.
    std::vector<std::string> told;
    for (const char* refused : {"0", "1", "2", "3"})
        told.push_back(ctx_.lang.get(clicked->isValid() ? "Media.Stopped" : "Media.Done",
                                     {"0", "0", refused}));
    if (!clicked->isValid())
        told.erase(told.begin(), told.end() - 1);
    const std::string shown = requester_.asked.back().text.toStdString();
    EXPECT_NE(std::find(told.begin(), told.end(), shown), told.end()) << shown;
    EXPECT_EQ(doc(), before);
    EXPECT_TRUE(window_->isEnabled());
    EXPECT_TRUE(long_work_wait_all(120000));
}

} // namespace
} // namespace qp::ui::testing
