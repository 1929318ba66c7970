#include "ui/dialogs/requester.h"

#include "core/language.h"

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QScrollArea>
#include <QShortcut>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace qp::ui {
namespace {

LangTable english() {
    LangTable table({std::string(QP_SOURCE_DIR) + "/data/Lang/"});
    table.Lang_Select("english");
    return table;
}

void press(RequestDialog& box, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* target = box.focusWidget() != nullptr ? box.focusWidget() : &box;
    QTest::keyClick(target, key, mods);
}

int focusedNumber(const RequestDialog& box) {
    for (int number : {kRequestText, kRequestYes, kRequestNo, kRequestCancel}) {
        if (box.control(number) != nullptr && box.focusWidget() == box.control(number))
            return number;
    }
    return 0;
}

bool waitForFocus(const RequestDialog& box, int number) {
    return QTest::qWaitFor([&] { return focusedNumber(box) == number; }, 3000);
}

class RequesterTest : public ::testing::Test {
protected:
    // Opens a real box and runs act inside it; a box act leaves open is closed after a bound,
    // so a key that fails to answer fails the test instead of hanging it.
    int request(int buttons, const std::function<void(RequestDialog&)>& act,
                const QString& text = QStringLiteral("Save the changes?")) {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<RequestDialog*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                ADD_FAILURE() << "no box open";
                return;
            }
            QTimer::singleShot(5000, box, [box] {
                ADD_FAILURE() << "box left open";
                box->done(-1);
            });
            // Keys reach the box's shortcuts once it is the active window, as a user's do.
            EXPECT_TRUE(QTest::qWaitFor([box] { return box->isActiveWindow(); }, 3000));
            act(*box);
        });
        return requester_.RequestMessage(QStringLiteral("Title"), text, buttons, nullptr);
    }

    LangTable language_ = english();
    QMainWindow main_;
    MessageRequester requester_{language_, &main_};
};

TEST_F(RequesterTest, NextAndPreviousKeysWalkTheButtonsOfEachSet) {
    struct Walk {
        int buttons;
        std::vector<std::pair<Qt::Key, int>> steps; // key, control focused after it
    };
    const Qt::Key back = Qt::Key_Backtab; // with Shift, as Shift+Tab arrives
    const Walk walks[] = {
        {kRequestYesNoCancel,
         {{Qt::Key_Down, kRequestNo},
          {Qt::Key_Right, kRequestCancel},
          {Qt::Key_Tab, kRequestText},
          {Qt::Key_Tab, kRequestYes},
          {back, kRequestText},
          {back, kRequestCancel},
          {Qt::Key_Up, kRequestNo},
          {Qt::Key_Left, kRequestYes}}},
        // Tab from No goes back to the text, not round to Yes.
        {kRequestYesNo,
         {{Qt::Key_Tab, kRequestNo},
          {Qt::Key_Tab, kRequestText},
          {Qt::Key_Up, kRequestNo},
          {Qt::Key_Up, kRequestYes}}},
        {kRequestOk,
         {{Qt::Key_Down, kRequestText},
          {Qt::Key_Up, kRequestYes},
          {Qt::Key_Up, kRequestText},
          {Qt::Key_Down, kRequestYes}}},
    };
    for (const Walk& walk : walks) {
        SCOPED_TRACE(walk.buttons);
        std::vector<int> seen;
        std::vector<int> expected;
        request(walk.buttons, [&](RequestDialog& box) {
            // The default button takes the focus once the delay has passed.
            EXPECT_TRUE(waitForFocus(box, kRequestYes));
            for (const auto& [key, focused] : walk.steps) {
                press(box, key, key == back ? Qt::ShiftModifier : Qt::NoModifier);
                seen.push_back(focusedNumber(box));
                expected.push_back(focused);
            }
            box.done(kAnswerYes);
        });
        EXPECT_EQ(seen, expected);
    }
}

TEST_F(RequesterTest, ReturnAnswersForTheFocusedControl) {
    // At once, while the text holds the focus: Yes.
    EXPECT_EQ(request(kRequestYesNoCancel,
                      [](RequestDialog& box) {
                          EXPECT_EQ(focusedNumber(box), kRequestText);
                          press(box, Qt::Key_Return);
                      }),
              kAnswerYes);
    // A button chosen before the delay keeps the focus after it.
    EXPECT_EQ(request(kRequestYesNoCancel,
                      [](RequestDialog& box) {
                          press(box, Qt::Key_Tab);
                          press(box, Qt::Key_Tab);
                          QTest::qWait(kRequestFocusDelayMs + 200);
                          EXPECT_EQ(focusedNumber(box), kRequestNo);
                          press(box, Qt::Key_Enter);
                      }),
              kAnswerNo);
    EXPECT_EQ(request(kRequestYesNoCancel,
                      [](RequestDialog& box) {
                          press(box, Qt::Key_Up);
                          press(box, Qt::Key_Return);
                      }),
              kAnswerCancel);
}

TEST_F(RequesterTest, MnemonicsAnswerWithAltAndAlone) {
    struct Case {
        int buttons;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int answer;
    };
    const Case cases[] = {{kRequestYesNo, Qt::Key_N, Qt::NoModifier, kAnswerNo},
                          {kRequestYesNo, Qt::Key_N, Qt::AltModifier, kAnswerNo},
                          {kRequestYesNo, Qt::Key_Y, Qt::AltModifier, kAnswerYes},
                          {kRequestYesNoCancel, Qt::Key_C, Qt::NoModifier, kAnswerCancel},
                          {kRequestOk, Qt::Key_O, Qt::AltModifier, kAnswerYes}};
    for (const Case& c : cases) {
        EXPECT_EQ(request(c.buttons, [&](RequestDialog& box) { press(box, c.key, c.mods); }),
                  c.answer)
            << c.buttons << " " << c.key;
    }
}

TEST_F(RequesterTest, EscapeCancelsOnlyWithACancelButton) {
    EXPECT_EQ(request(kRequestYesNoCancel, [](RequestDialog& box) { press(box, Qt::Key_Escape); }),
              kAnswerCancel);
    for (int buttons : {kRequestYesNo, kRequestOk}) {
        EXPECT_EQ(request(buttons,
                          [](RequestDialog& box) {
                              press(box, Qt::Key_Escape);
                              EXPECT_TRUE(box.isVisible());
                              // The window's close request still answers Cancel.
                              box.close();
                          }),
                  kAnswerCancel);
    }
}

TEST_F(RequesterTest, OwnerIsDisabledWhileOpenAndGetsItsFocusBack) {
    auto* edit = new QLineEdit(&main_);
    main_.setCentralWidget(edit);
    main_.setGeometry(100, 100, 600, 400);
    main_.show();
    main_.activateWindow();
    edit->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }, 3000));
    EXPECT_EQ(request(kRequestOk,
                      [&](RequestDialog& box) {
                          EXPECT_FALSE(main_.isEnabled());
                          const QPoint offset =
                              box.geometry().center() - main_.frameGeometry().center();
                          EXPECT_LE(offset.manhattanLength(), 2); // rounding of odd sizes
                          box.done(kAnswerYes);
                      }),
              kAnswerYes);
    EXPECT_TRUE(main_.isEnabled());
    EXPECT_EQ(main_.focusWidget(), edit);
}

TEST(RequestDialogTest, GeometryFollowsTheTextsLines) {
    LangTable language = english();
    RequestDialog one(QStringLiteral("T"), QStringLiteral("One line"), kRequestYesNoCancel,
                      language, nullptr);
    EXPECT_EQ(one.size(), QSize(300, 110));
    EXPECT_EQ(one.control(kRequestYes)->geometry(), QRect(10, 66, 86, 22));
    EXPECT_EQ(one.control(kRequestNo)->geometry(), QRect(106, 66, 86, 22));
    EXPECT_EQ(one.control(kRequestCancel)->geometry(), QRect(202, 66, 86, 22));
    RequestDialog ok(QStringLiteral("T"), QStringLiteral("One line"), kRequestOk, language,
                     nullptr);
    EXPECT_EQ(ok.control(kRequestYes)->geometry(), QRect(106, 66, 86, 22));
    EXPECT_EQ(ok.control(kRequestNo), nullptr);

    // 30 line feeds: the largest box, and the text scrolls rather than being cut off.
    RequestDialog many(QStringLiteral("T"), QString(QStringLiteral("line\n")).repeated(30),
                       kRequestYesNo, language, nullptr);
    EXPECT_EQ(many.lines(), 20);
    EXPECT_EQ(many.size(), QSize(300, 484));
    QWidget* text = many.control(kRequestText);
    EXPECT_NE(qobject_cast<QScrollArea*>(text->parentWidget()->parentWidget()), nullptr);
    EXPECT_GE(text->height(), text->heightForWidth(text->width()));
}

TEST(RequestDialogTest, WholeTextIsShownAboveTheButtons) {
    LangTable language = english();
    // Five lines but four line feeds, and a path longer than a line.
    const QString texts[] = {QStringLiteral("a\nb\nc\nd\ne"),
                             QStringLiteral("/home/user/") +
                                 QString(QLatin1Char('x')).repeated(200),
                             QStringLiteral("word ").repeated(120)};
    for (const QString& message : texts) {
        RequestDialog box(QStringLiteral("T"), message, kRequestOk, language, nullptr);
        const QWidget* text = box.control(kRequestText);
        EXPECT_GE(text->height(), text->heightForWidth(text->width()));
        EXPECT_LE(text->width(), 280);
        EXPECT_LT(text->geometry().bottom(), box.control(kRequestYes)->y());
        EXPECT_EQ(box.height(), 22 * box.lines() + 44);
    }
}

TEST(RequestMessageAccel, TakesTheLetterAfterTheFirstAmpersand) {
    QWidget window;
    const auto none = [] {};
    EXPECT_EQ(RequestMessage_Accel(QStringLiteral("&Yes"), window, none), 0x59);
    EXPECT_EQ(RequestMessage_Accel(QStringLiteral("An&nuler"), window, none), 0x4E);
    EXPECT_EQ(RequestMessage_Accel(QStringLiteral("OK"), window, none), 0);
    EXPECT_EQ(RequestMessage_Accel(QStringLiteral("&1 item"), window, none), 0);
    EXPECT_EQ(RequestMessage_Accel(QStringLiteral("&\u00C9tape"), window, none), 0);
    EXPECT_EQ(RequestMessage_Accel(QStringLiteral("trailing&"), window, none), 0);
    // The first caption keeps a letter two captions share.
    EXPECT_EQ(RequestMessage_Accel(QStringLiteral("&yes again"), window, none), 0);
    EXPECT_EQ(window.findChildren<QShortcut*>().size(), 4);
}

} // namespace
} // namespace qp::ui
