#include "ui/app/fatal_error.h"

#include "core/language.h"
#include "support/temp_dir.h"
#include "ui/context/seams.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

struct RecordingRequester : qp::ui::Requester {
    qp::ui::RequestAnswer RequestMessage(const QString& title, const QString& text,
                                         qp::ui::RequestButtons buttons, QWidget*) override {
        calls.push_back({title, text, buttons});
        return qp::ui::RequestAnswer::Yes;
    }
    struct Call {
        QString title, text;
        qp::ui::RequestButtons buttons;
    };
    std::vector<Call> calls;
};

} // namespace

TEST(FatalError, ShowsTheFixedTextInTheLanguageAndEndsWithTwo) {
    qp::LangTable english({std::string(QP_SOURCE_DIR) + "/data/Lang/"});
    ASSERT_EQ(english.Lang_Select("english"), "english");
    qp::LangTable empty;
    RecordingRequester requester;
    std::vector<int> ends;
    const auto end = [&](int status) { ends.push_back(status); };

    qp::ui::FatalError(3, {}, english, requester, nullptr, end);
    qp::ui::FatalError(42, "x", empty, requester, nullptr, end);

    ASSERT_EQ(requester.calls.size(), 2u);
    EXPECT_EQ(requester.calls[0].title, "Error");
    EXPECT_EQ(requester.calls[0].text, "Can't create Menu \r\nThe program must stop ...");
    EXPECT_EQ(requester.calls[0].buttons, qp::ui::RequestButtons::Ok);
    EXPECT_EQ(requester.calls[1].title, "Erreur");
    EXPECT_EQ(requester.calls[1].text, "Error : x\r\nLe programme doit être arrêté ...");
    EXPECT_EQ(ends, (std::vector<int>{2, 2}));
}

TEST(FatalLine, WritesTheFileThenShowsTheLineAndEndsWithTwo) {
    qp::test::TempDir dir;
    qp::Log log(dir.path() + "Quillpost.Log");
    QString shown;
    int status = -1;
    log.set_fatal_handler(qp::ui::fatal_line_handler(
        [&](const QString& title, const QString& text) { shown = title + "|" + text; },
        [&](int s) { status = s; }));
    log.add_fatal("! IsDpc(), no Doc() set ! ");
    EXPECT_EQ(shown, "Error|! IsDpc(), no Doc() set ! ");
    EXPECT_EQ(status, 2);
    QFile file(QString::fromStdString(dir.path()) + "Quillpost.Log");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "! IsDpc(), no Doc() set ! \r\n!* Error Bug *!");
}
