#include "ui/app/single_instance.h"

#include "core/log.h"
#include "support/temp_dir.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

using qp::ui::SingleInstance;
using qp::ui::Window_MatchesPattern;

TEST(WindowPattern, FollowsTheTitleRule) {
    EXPECT_TRUE(Window_MatchesPattern("WindowClass_0", " Ep1.qprj - QUILLPOST ", "windowclass_0",
                                      "*quillpost"));
    EXPECT_TRUE(Window_MatchesPattern("Other", "Quillpost", "", "Quillpost"));
    EXPECT_FALSE(Window_MatchesPattern("Other", "Quillpost", "WindowClass_0", "Quillpost"));
    EXPECT_TRUE(Window_MatchesPattern("c", "a quillpost b", "", "*quillpost*"));
    EXPECT_FALSE(Window_MatchesPattern("c", "a quillpost b", "", "quillpost"));
    EXPECT_TRUE(Window_MatchesPattern("c", "Quillpost-Portable", "", "quillpost*"));
    // A portable start finds no normal window; a normal start finds the portable one.
    EXPECT_FALSE(Window_MatchesPattern("c", "a.qprj - Quillpost", "", "*Quillpost-Portable*"));
    EXPECT_TRUE(Window_MatchesPattern("c", "a.qprj - Quillpost-Portable", "", "*Quillpost*"));
}

class SingleInstanceTest : public ::testing::Test {
protected:
    // Runs a real second start and keeps this process's event loop turning while it waits.
    int secondStart(const QStringList& args) {
        QProcess child;
        child.setProgram(QP_INSTANCE_CHILD);
        child.setArguments(QStringList{QString::fromStdString(dir.path()) + "run"} + args);
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

    void startPrimary(const QString& title) {
        instance = std::make_unique<SingleInstance>(QString::fromStdString(dir.path()) + "run");
        ASSERT_EQ(instance->SingleInstance_Check("Quillpost", {}),
                  SingleInstance::Outcome::Primary);
        instance->setWindowTitleSource([title] { return title; });
        instance->setHandOverHandler(
            &log, [this](int dw_data, const QString& path) { calls.emplace_back(dw_data, path); });
    }

    qp::test::TempDir dir;
    qp::Log log;
    std::unique_ptr<SingleInstance> instance;
    std::vector<std::pair<int, QString>> calls;
};

TEST_F(SingleInstanceTest, SecondStartHandsItsFileOverAndEnds) {
    startPrimary("ep.qprj - Quillpost");
    struct stat st {};
    ASSERT_EQ(::stat(instance->socketPath().toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u) << "the socket must be the user's alone";

    QFile file(QString::fromStdString(dir.path()) + "Épisode.qprj");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    // A relative path with ".." arrives in its canonical form.
    const QString indirect = QString::fromStdString(dir.path()) + "run/../Épisode.qprj";
    EXPECT_EQ(secondStart({"Quillpost", indirect}), 0);
    EXPECT_EQ(secondStart({"Quillpost"}), 0);

    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].first, qp::ui::kHandOverOpenFile);
    EXPECT_EQ(calls[0].second, file.fileName());
    EXPECT_EQ(calls[1].first, qp::ui::kHandOverActivate);
    EXPECT_TRUE(calls[1].second.isEmpty());
    EXPECT_EQ(log.text(), "* WM_CopyData = 2\r\n* WM_CopyData = 1\r\n");
}

TEST_F(SingleInstanceTest, PortableStartRunsBesideANormalInstance) {
    startPrimary("ep.qprj - Quillpost");
    EXPECT_EQ(secondStart({"Quillpost-Portable"}), 3);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(log.text().empty());
}

TEST_F(SingleInstanceTest, NormalStartHandsOverToAPortableInstance) {
    startPrimary("ep.qprj - Quillpost-Portable");
    EXPECT_EQ(secondStart({"Quillpost"}), 0);
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(SingleInstanceTest, WindowNotYetTitledIsNotFound) {
    startPrimary("");
    EXPECT_EQ(secondStart({"Quillpost"}), 3);
}

TEST_F(SingleInstanceTest, TheLockGoesWithTheInstance) {
    startPrimary("Quillpost");
    instance.reset();
    EXPECT_EQ(secondStart({"Quillpost"}), 3) << "a new start becomes the running instance";
}

// One instance per display: another display of the same user starts its own.
TEST_F(SingleInstanceTest, EachDisplayHasItsOwnInstance) {
    // The private folder and the main folder above it are made on a first start.
    const QString folder = QString::fromStdString(dir.path()) + "main/runtime";
    SingleInstance first(folder, ":1");
    ASSERT_EQ(first.SingleInstance_Check("Quillpost", {}), SingleInstance::Outcome::Primary);
    SingleInstance wayland(folder, "wayland-1");
    EXPECT_EQ(wayland.SingleInstance_Check("Quillpost", {}), SingleInstance::Outcome::Primary);
    EXPECT_NE(first.lockPath(), wayland.lockPath());
    // A runtime folder the user does not own alone is refused; the private one is used instead.
    const std::string shared = dir.path() + "shared";
    ASSERT_EQ(::mkdir(shared.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 0755), 0);
    ::setenv("XDG_RUNTIME_DIR", shared.c_str(), 1);
    EXPECT_EQ(qp::ui::Runtime_Folder(folder), folder);
    ASSERT_EQ(::chmod(shared.c_str(), 0700), 0);
    EXPECT_EQ(qp::ui::Runtime_Folder(folder), QString::fromStdString(shared));
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(qp::ui::Runtime_Folder(folder), folder);
    ASSERT_EQ(::chmod(shared.c_str(), 0755), 0);
    SingleInstance open_folder(QString::fromStdString(shared), ":1");
    EXPECT_EQ(open_folder.SingleInstance_Check("Quillpost", {}), SingleInstance::Outcome::Failed);
}
