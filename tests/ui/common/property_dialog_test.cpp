#include "core/language.h"
#include "ui/common/date_field.h"
#include "ui/common/property_dialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace qp::ui {
namespace {

TEST(DateField, MaskBecomesFormatAndValuesRoundTrip) {
    EXPECT_EQ(date_mask_to_format("Date %dd/%mm/%yyyy heure %hh:%ii").toStdString(),
              "'Date 'dd'/'MM'/'yyyy' heure 'HH':'mm");
    EXPECT_EQ(date_mask_to_format("%YY l'an %Ss %x").toStdString(), "yy' l''an 'ss' %x'");

    DateField field(nullptr, "Date %dd/%mm/%yyyy heure %hh:%ii");
    // Before 1970, after 2038, and seconds the mask hides.
    for (DateValue v : {date_from_fields(1969, 7, 20, 20, 17, 40),
                        date_from_fields(2040, 2, 29, 23, 59, 59), DateValue{0}}) {
        field.set_value(v);
        EXPECT_EQ(field.value(), v);
    }
    field.set_value(date_from_fields(2026, 3, 29, 2, 30, 0)); // a summer-time gap in Europe
    EXPECT_EQ(field.text().toStdString(), "Date 29/03/2026 heure 02:30");
}

class Dialog final : public PropertyDialog {
public:
    using PropertyDialog::PropertyDialog;
    bool allow = true;
    int checks = 0;

protected:
    bool validate() override {
        ++checks;
        return allow;
    }
};

const ControlLine kFirst[] = {{1, ControlKind::Edit, "CDE", LabelMode::WithLabel, "Feed.General"}};
const ControlLine kSecond[] = {{2, ControlKind::Button, "ABCDE", LabelMode::NoLabel, "Feed.File"}};
const PanelPage kPages[] = {{"Feed.General", kFirst}, {"Feed.File", kSecond}};

struct Opened {
    LangTable lang;
    Dialog dialog{nullptr, lang, 400};
    Opened() {
        dialog.build_panel(10, kPages);
        dialog.show();
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }
};

TEST(PropertyDialog, PagesStepWithoutWrapping) {
    Opened o;
    QTabWidget* panel = o.dialog.panel();
    QTest::keyClick(&o.dialog, Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(panel->currentIndex(), 0);
    QTest::keyClick(&o.dialog, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(panel->currentIndex(), 1);
    QTest::keyClick(&o.dialog, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(panel->currentIndex(), 1);
    EXPECT_TRUE(panel->hasFocus());
}

TEST(PropertyDialog, ReturnAcceptsUnlessOnCancelAndValidationHolds) {
    Opened o;
    auto* field = o.dialog.control<QLineEdit>(1);
    ASSERT_NE(field, nullptr);
    field->setFocus();
    o.dialog.allow = false;
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(o.dialog.checks, 1);
    EXPECT_TRUE(o.dialog.isVisible());

    o.dialog.cancel_button()->setFocus();
    QTest::keyClick(o.dialog.cancel_button(), Qt::Key_Return);
    EXPECT_EQ(o.dialog.result(), QDialog::Rejected);
    EXPECT_EQ(o.dialog.checks, 1);

    o.dialog.allow = true;
    o.dialog.show();
    o.dialog.step_page(1);
    auto* button = o.dialog.control<QPushButton>(2);
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_EQ(o.dialog.result(), QDialog::Accepted);
}

} // namespace
} // namespace qp::ui
