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
#include <map>
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

int focused_number(const RequestDialog& box) {
    for (int number : {kRequestText, kRequestYes, kRequestNo, kRequestCancel}) {
        if (box.control(number) != nullptr && box.focusWidget() == box.control(number))
            return number;
    }
    return 0;
}

class RequesterTest : public ::testing::Test {
protected:
    // Opens a real box and runs act inside it; a box act leaves open is closed after a bound,
    // so a key that fails to answer fails the test instead of hanging it.
    RequestAnswer request(RequestButtons buttons, const std::function<void(RequestDialog&)>& act,
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
    // Keys: Down, Right, Tab, Up, Left, and B for Shift+Tab (which arrives as Backtab).
    const std::map<char, Qt::Key> keys = {{'D', Qt::Key_Down}, {'R', Qt::Key_Right},
                                          {'T', Qt::Key_Tab},  {'U', Qt::Key_Up},
                                          {'L', Qt::Key_Left}, {'B', Qt::Key_Backtab}};
    const int t = kRequestText, y = kRequestYes, n = kRequestNo, c = kRequestCancel;
    const struct {
        RequestButtons buttons;
        const char* keys;
        std::vector<int> focused; // after each key
    } walks[] = {
        {RequestButtons::YesNoCancel, "DRTTBBUL", {n, c, t, y, t, c, n, y}},
        {RequestButtons::YesNo, "TTUU", {n, t, n, y}}, // Tab from No goes back to the text
        {RequestButtons::Ok, "DUUD", {t, y, t, y}},
    };
    for (const auto& walk : walks) {
        std::vector<int> seen;
        request(walk.buttons, [&](RequestDialog& box) {
            // The default button takes the focus once the delay has passed.
            EXPECT_TRUE(QTest::qWaitFor([&] { return focused_number(box) == y; }, 3000));
            for (const char* k = walk.keys; *k != 0; ++k) {
                press(box, keys.at(*k), *k == 'B' ? Qt::ShiftModifier : Qt::NoModifier);
                seen.push_back(focused_number(box));
            }
            box.answer(RequestAnswer::Yes);
        });
        EXPECT_EQ(seen, walk.focused) << walk.keys;
    }
}

TEST_F(RequesterTest, KeysAnswerForTheFocusedControlAndTheMnemonics) {
    using Key = std::pair<Qt::Key, Qt::KeyboardModifiers>;
    const Key ret{Qt::Key_Return, Qt::NoModifier};
    const Key esc{Qt::Key_Escape, Qt::NoModifier};
    const struct {
        RequestButtons buttons;
        std::vector<Key> keys;
        RequestAnswer answer;
    } cases[] = {
        {RequestButtons::YesNoCancel, {ret}, RequestAnswer::Yes}, // before the delay, on the text
        {RequestButtons::YesNoCancel, {{Qt::Key_Up, Qt::NoModifier}, ret}, RequestAnswer::Cancel},
        {RequestButtons::YesNo, {{Qt::Key_N, Qt::NoModifier}}, RequestAnswer::No},
        {RequestButtons::YesNo, {{Qt::Key_N, Qt::AltModifier}}, RequestAnswer::No},
        {RequestButtons::YesNo, {{Qt::Key_Y, Qt::AltModifier}}, RequestAnswer::Yes},
        {RequestButtons::YesNoCancel, {{Qt::Key_C, Qt::NoModifier}}, RequestAnswer::Cancel},
        {RequestButtons::Ok, {{Qt::Key_O, Qt::AltModifier}}, RequestAnswer::Yes},
        {RequestButtons::YesNoCancel, {esc}, RequestAnswer::Cancel},
        // Without a Cancel button Escape does nothing: the next key answers.
        {RequestButtons::YesNo, {esc, {Qt::Key_N, Qt::NoModifier}}, RequestAnswer::No},
        {RequestButtons::Ok, {esc, ret}, RequestAnswer::Yes},
        // A risky Yes is never what Return gives by default.
        {RequestButtons::YesNoDefaultNo, {ret}, RequestAnswer::No},
        {RequestButtons::YesNoDefaultNo, {{Qt::Key_Y, Qt::NoModifier}}, RequestAnswer::Yes},
    };
    for (const auto& c : cases) {
        const RequestAnswer answer = request(c.buttons, [&](RequestDialog& box) {
            EXPECT_EQ(focused_number(box), kRequestText);
            for (const auto& [key, mods] : c.keys)
                press(box, key, mods);
        });
        EXPECT_EQ(answer, c.answer) << static_cast<int>(c.buttons) << " " << c.keys.front().first;
    }
    // A button chosen before the delay keeps the focus after it.
    EXPECT_EQ(request(RequestButtons::YesNoCancel,
                      [](RequestDialog& box) {
                          press(box, Qt::Key_Tab);
                          press(box, Qt::Key_Tab);
                          QTest::qWait(kRequestFocusDelayMs + 200);
                          press(box, Qt::Key_Enter);
                      }),
              RequestAnswer::No);
}

TEST_F(RequesterTest, TheDefaultNoTakesTheFocusAfterTheDelay) {
    EXPECT_EQ(request(RequestButtons::YesNoDefaultNo,
                      [](RequestDialog& box) {
                          QTest::qWait(kRequestFocusDelayMs + 200);
                          EXPECT_EQ(focused_number(box), kRequestNo);
                          press(box, Qt::Key_Return);
                      }),
              RequestAnswer::No);
}

TEST_F(RequesterTest, OwnerIsDisabledWhileOpenAndGetsItsFocusBack) {
    auto* edit = new QLineEdit(&main_);
    main_.setCentralWidget(edit);
    main_.setGeometry(100, 100, 600, 400);
    main_.show();
    main_.activateWindow();
    edit->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }, 3000));
    // The window's close request answers Cancel, even without a Cancel button.
    EXPECT_EQ(request(RequestButtons::Ok,
                      [&](RequestDialog& box) {
                          EXPECT_FALSE(main_.isEnabled());
                          const QPoint offset =
                              box.geometry().center() - main_.frameGeometry().center();
                          EXPECT_LE(offset.manhattanLength(), 2); // rounding of odd sizes
                          box.close();
                      }),
              RequestAnswer::Cancel);
    EXPECT_TRUE(main_.isEnabled());
    EXPECT_EQ(main_.focusWidget(), edit);
}

TEST(RequestDialogTest, GeometryFollowsTheTextsLines) {
    LangTable language = english();
    RequestDialog one(QStringLiteral("T"), QStringLiteral("One line"), RequestButtons::YesNoCancel,
                      language, nullptr);
    EXPECT_EQ(one.size(), QSize(300, 110));
    EXPECT_EQ(one.control(kRequestYes)->geometry(), QRect(10, 66, 86, 22));
    EXPECT_EQ(one.control(kRequestCancel)->geometry(), QRect(202, 66, 86, 22));
    RequestDialog ok(QStringLiteral("T"), QStringLiteral("One line"), RequestButtons::Ok, language,
                     nullptr);
    EXPECT_EQ(ok.control(kRequestYes)->geometry(), QRect(106, 66, 86, 22));
    EXPECT_EQ(ok.control(kRequestNo), nullptr);

    // Five lines with four line feeds, a path longer than a line, and 30 line feeds (the
    // largest box, where the text scrolls): all of the text above the buttons.
    const QString texts[] = {QStringLiteral("a\nb\nc\nd\ne"),
                             QStringLiteral("/home/") + QString(QLatin1Char('x')).repeated(200),
                             QStringLiteral("line\n").repeated(30)};
    for (const QString& message : texts) {
        RequestDialog box(QStringLiteral("T"), message, RequestButtons::Ok, language, nullptr);
        const QWidget* text = box.control(kRequestText);
        const QWidget* area = text; // the text, or the scroll area holding it
        while (area->parentWidget() != &box)
            area = area->parentWidget();
        EXPECT_GE(text->height(), text->heightForWidth(text->width()));
        EXPECT_LE(text->width(), area->width());
        EXPECT_LT(area->geometry().bottom(), box.control(kRequestYes)->y());
        EXPECT_EQ(box.height(), 22 * box.lines() + 44);
    }
    RequestDialog many(QStringLiteral("T"), QStringLiteral("line\n").repeated(30),
                       RequestButtons::YesNo, language, nullptr);
    EXPECT_EQ(many.lines(), 20);
}

TEST(RequestMessageAccel, TakesALetterAfterTheFirstAmpersandOnce) {
    QWidget window;
    const auto none = [] {};
    EXPECT_EQ(RequestMessage_Accel(QStringLiteral("An&nuler"), window, none), 0x4E);
    EXPECT_EQ(RequestMessage_Accel(QStringLiteral("&1 item"), window, none), 0);
    EXPECT_EQ(RequestMessage_Accel(QStringLiteral("trailing&"), window, none), 0);
    // A letter two captions share stays with the first, or neither would work.
    EXPECT_EQ(RequestMessage_Accel(QStringLiteral("&no"), window, none), 0);
    EXPECT_EQ(window.findChildren<QShortcut*>().size(), 2);
}

} // namespace
} // namespace qp::ui
