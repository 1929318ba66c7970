#include "ui/common/window_state.h"

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

namespace qp::ui {
namespace {

TEST(ModalWindow, DisablingRemembersTheFocusAndEnablingGivesItBack) {
    EXPECT_EQ(Window_Disable(nullptr), nullptr);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* first = new QLineEdit(&window);
    auto* second = new QLineEdit(&window);
    layout->addWidget(first);
    layout->addWidget(second);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    second->setFocus();

    const QPointer<QWidget> remembered = Window_Disable(&window);
    EXPECT_EQ(remembered, second);
    EXPECT_FALSE(window.isEnabled());

    Window_Enable(remembered, &window);
    EXPECT_TRUE(window.isEnabled());
    EXPECT_TRUE(second->hasFocus());
}

} // namespace
} // namespace qp::ui
