#include "ui/app/single_instance.h"

#include "core/log.h"
#include "support/temp_dir.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

using qp::ui::SingleInstance;
using qp::ui::window_matches_pattern;

TEST(WindowPattern, FollowsTheTitleRule) {
    EXPECT_TRUE(window_matches_pattern("WindowClass_0", " Ep1.qprj - QUILLPOST ", "windowclass_0",
                                       "*quillpost"));
    EXPECT_TRUE(window_matches_pattern("Other", "Quillpost", "", "Quillpost"));
    EXPECT_FALSE(window_matches_pattern("Other", "Quillpost", "WindowClass_0", "Quillpost"));
    EXPECT_TRUE(window_matches_pattern("c", "a quillpost b", "", "*quillpost*"));
    EXPECT_FALSE(window_matches_pattern("c", "a quillpost b", "", "quillpost"));
    EXPECT_TRUE(window_matches_pattern("c", "Quillpost-Portable", "", "quillpost*"));
    // A portable start finds no normal window; a normal start finds the portable one.
    EXPECT_FALSE(window_matches_pattern("c", "a.qprj - Quillpost", "", "*Quillpost-Portable*"));
    EXPECT_TRUE(window_matches_pattern("c", "a.qprj - Quillpost-Portable", "", "*Quillpost*"));
}

class SingleInstanceTest : public ::testing::Test {
protected:
    // Runs a real second start and keeps this process's event loop turning while it waits.
    int second_start(const QStringList& args) {
        QProcess child;
        child.setProgram(QP_INSTANCE_CHILD);
        child.setArguments(QStringList{QString::fromStdString(dir_.path()) + "run"} + args);
        child.start();
        if (!child.waitForStarted(5000))
            return -1;
        if (!QTest::qWaitFor([&] { return child.state() == QProcess::NotRunning; }, 20000)) {
            child.kill();
            child.waitForFinished();
            return -2;
        }
        return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -3;
    }

    void start_primary(const QString& title) {
        instance_ = std::make_unique<SingleInstance>(QString::fromStdString(dir_.path()) + "run");
        ASSERT_EQ(instance_->SingleInstance_Check("Quillpost", {}),
                  SingleInstance::Outcome::Primary);
        instance_->set_window_title_source([title] { return title; });
        instance_->set_hand_over_handler(&log_, [this](int dw_data, const QString& path) {
            calls_.emplace_back(dw_data, path);
        });
    }

    qp::test::TempDir dir_;
    qp::Log log_;
    std::unique_ptr<SingleInstance> instance_;
    std::vector<std::pair<int, QString>> calls_;
};

TEST_F(SingleInstanceTest, SecondStartHandsItsFileOverAndEnds) {
    start_primary("ep.qprj - Quillpost");
    struct stat st {};
    ASSERT_EQ(::stat(instance_->socket_path().toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u) << "the socket must be the user's alone";

    QFile file(QString::fromStdString(dir_.path()) + "Épisode.qprj");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    // A relative path with ".." arrives in its canonical form.
    const QString indirect = QString::fromStdString(dir_.path()) + "run/../Épisode.qprj";
    EXPECT_EQ(second_start({"Quillpost", indirect}), 0);
    EXPECT_EQ(second_start({"Quillpost"}), 0);

    ASSERT_EQ(calls_.size(), 2u);
    EXPECT_EQ(calls_[0].first, qp::ui::kHandOverOpenFile);
    EXPECT_EQ(calls_[0].second, file.fileName());
    EXPECT_EQ(calls_[1].first, qp::ui::kHandOverActivate);
    EXPECT_TRUE(calls_[1].second.isEmpty());
    EXPECT_EQ(log_.text(), "* WM_CopyData = 2\r\n* WM_CopyData = 1\r\n");
}

TEST_F(SingleInstanceTest, PortableStartRunsBesideANormalInstance) {
    start_primary("ep.qprj - Quillpost");
    EXPECT_EQ(second_start({"Quillpost-Portable"}), 3);
    EXPECT_TRUE(calls_.empty());
    EXPECT_TRUE(log_.text().empty());
}

TEST_F(SingleInstanceTest, NormalStartHandsOverToAPortableInstance) {
    start_primary("ep.qprj - Quillpost-Portable");
    EXPECT_EQ(second_start({"Quillpost"}), 0);
    EXPECT_EQ(calls_.size(), 1u);
}

TEST_F(SingleInstanceTest, WindowNotYetTitledIsNotFound) {
    start_primary("");
    EXPECT_EQ(second_start({"Quillpost"}), 3);
}

TEST_F(SingleInstanceTest, TheLockGoesWithTheInstance) {
    start_primary("Quillpost");
    instance_.reset();
    EXPECT_EQ(second_start({"Quillpost"}), 3) << "a new start becomes the running instance";
}

// One instance per display: another display of the same user starts its own.
TEST_F(SingleInstanceTest, EachDisplayHasItsOwnInstance) {
    // The private folder and the main folder above it are made on a first start.
    const QString folder = QString::fromStdString(dir_.path()) + "main/runtime";
    SingleInstance first(folder, ":1");
    ASSERT_EQ(first.SingleInstance_Check("Quillpost", {}), SingleInstance::Outcome::Primary);
    SingleInstance wayland(folder, "wayland-1");
    EXPECT_EQ(wayland.SingleInstance_Check("Quillpost", {}), SingleInstance::Outcome::Primary);
    EXPECT_NE(first.lock_path(), wayland.lock_path());
    // A runtime folder the user does not own alone is refused; the private one is used instead.
    const std::string shared = dir_.path() + "shared";
    ASSERT_EQ(::mkdir(shared.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 0755), 0);
    ::setenv("XDG_RUNTIME_DIR", shared.c_str(), 1);
    EXPECT_EQ(qp::ui::runtime_folder(folder), folder);
    ASSERT_EQ(::chmod(shared.c_str(), 0700), 0);
    EXPECT_EQ(qp::ui::runtime_folder(folder), QString::fromStdString(shared));
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(qp::ui::runtime_folder(folder), folder);
    ASSERT_EQ(::chmod(shared.c_str(), 0755), 0);
    SingleInstance open_folder(QString::fromStdString(shared), ":1");
    EXPECT_EQ(open_folder.SingleInstance_Check("Quillpost", {}), SingleInstance::Outcome::Failed);
}
