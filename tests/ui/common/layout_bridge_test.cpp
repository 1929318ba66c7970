#include "ui/common/layout_bridge.h"

#include "core/texts.h"
#include "ui/common/control_registry.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace qp::ui {
namespace {

const QLabel* label_of(const QWidget* control) {
    for (const QLabel* label : control->parentWidget()->findChildren<QLabel*>()) {
        if (label->buddy() == control)
            return label;
    }
    return nullptr;
}

TEST(LayoutBuild, PlacesEachLineWithItsLabel) {
    const ControlLine lines[] = {
        {1, ControlKind::Edit, "CDE", LabelMode::WithLabel, "Doc\\General.Title"},
        {2, ControlKind::Editor, "ABCDE 2", LabelMode::WithLabel, "Doc\\General.Description"},
        {3, ControlKind::Button, "DE", LabelMode::NoLabel, "Ok"},
        {4, ControlKind::Button, "ab -1", LabelMode::NoLabel, "Cancel"},
    };
    QWidget dialog;
    GadgetLayout layout = layout_new(400);
    ControlRegistry registry;
    KeyTexts texts;
    layout_build(dialog, layout, lines, texts, registry);

    const QRect fields[] = {
        {163, 0, 232, 22}, {5, 54, 390, 49}, {242, 108, 153, 22}, {5, 108, 153, 22}};
    for (int number = 1; number <= 4; ++number)
        EXPECT_EQ(registry.widget(number)->geometry(), fields[number - 1]) << number;
    EXPECT_EQ(layout.MaxY, 135);

    const QLabel* title = label_of(registry.get<QLineEdit>(1));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->geometry(), QRect(5, 0, 153, 22));
    EXPECT_EQ(title->text(), QStringLiteral("Doc\\General.Title"));
    EXPECT_EQ(title->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    // A field starting in column A has its label above, centred over the whole width.
    const QLabel* description = label_of(registry.widget(2));
    EXPECT_EQ(description->geometry(), QRect(5, 27, 390, 22));
    EXPECT_EQ(description->alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
    EXPECT_EQ(registry.get<QPushButton>(3)->text(), QStringLiteral("Ok"));
    EXPECT_EQ(label_of(registry.widget(3)), nullptr);

    EXPECT_EQ(registry.get<QPushButton>(1), nullptr); // another kind
    delete registry.widget(3);
    EXPECT_EQ(registry.widget(3), nullptr); // a control that is gone
}

TEST(LayoutBuild, PanelPagesStartAtTheirOwnTopAndHoldTheirControls) {
    const ControlLine first[] = {{10, ControlKind::Edit, "CDE", LabelMode::WithLabel, "a"}};
    const ControlLine second[] = {
        {20, ControlKind::Edit, "CDE", LabelMode::WithLabel, "b"},
        {21, ControlKind::Editor, "ABCDE 3", LabelMode::NoLabel, nullptr}};
    const PanelPage pages[] = {{"Page.One", first}, {"Page.Two", second}};
    const ControlLine below[] = {{30, ControlKind::Button, "DE", LabelMode::NoLabel, "Ok"}};
    QWidget dialog;
    GadgetLayout layout = layout_new(400);
    layout.NextY = 27; // a row above the panel
    ControlRegistry registry;
    KeyTexts texts;
    QTabWidget* panel = layout_build_panel(dialog, layout, 5, pages, texts, registry);
    layout_build(dialog, layout, below, texts, registry);

    EXPECT_EQ(registry.widget(5), panel);
    EXPECT_EQ(panel->tabText(1), QStringLiteral("Page.Two"));
    // Inside the panel's frame the columns are narrower: 72 pixels.
    EXPECT_EQ(registry.widget(20)->geometry(), QRect(159, 5, 226, 22));
    EXPECT_EQ(registry.widget(21)->geometry(), QRect(5, 32, 380, 76));
    EXPECT_EQ(panel->geometry().topLeft(), QPoint(5, 27));
    EXPECT_EQ(registry.widget(30)->y(), 27 + panel->height() + 5);

    // Shown, the tallest page's last control ends inside its page.
    dialog.resize(400, layout.MaxY);
    dialog.show();
    panel->setCurrentIndex(1);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QWidget* last = registry.widget(21);
    EXPECT_LE(last->geometry().bottom(), last->parentWidget()->height());
    EXPECT_LE(last->geometry().right(), last->parentWidget()->width());
}

} // namespace
} // namespace qp::ui
