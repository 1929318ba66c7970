#include "ui/common/combo.h"

#include <QComboBox>
#include <QListWidget>

#include <gtest/gtest.h>

namespace qp::ui {
namespace {

void fill(QComboBox& box) {
    box.addItem(QStringLiteral("atom"), 10);
    box.addItem(QStringLiteral("rssv2"), 20);
    box.setCurrentIndex(0);
}

TEST(ItemToCombo, FindsBeforeItAddsAndKeepsTheSelectionWhenNothingMatches) {
    QComboBox box;
    fill(box);
    EXPECT_EQ(ItemToCombo(&box, QStringLiteral("RssV2"), 99, kComboNoCase + kComboAppend), 1);
    EXPECT_EQ(box.count(), 2);
    EXPECT_EQ(box.itemData(1).toLongLong(), 20); // an entry that exists keeps its data
    EXPECT_EQ(ItemToCombo(&box, QStringLiteral("RssV2"), 99, kComboAppend), 2);
    EXPECT_EQ(box.itemData(2).toLongLong(), 99);
    EXPECT_EQ(ItemToCombo(&box, QStringLiteral("new"), 7, kComboInsertTop), 0);
    EXPECT_EQ(box.itemData(0).toLongLong(), 7);
    EXPECT_EQ(ItemToCombo(&box, QStringLiteral("missing"), 1, 0), -1);
    EXPECT_EQ(box.currentIndex(), 0);

    // Both add flags add once, and the index names the new entry.
    const int index = ItemToCombo(&box, QStringLiteral("both"), 3, kComboAppend + kComboInsertTop);
    EXPECT_EQ(box.count(), 5);
    EXPECT_EQ(box.itemText(index), QStringLiteral("both"));
    // A full box adds nothing.
    box.setMaxCount(5);
    EXPECT_EQ(ItemToCombo(&box, QStringLiteral("more"), 3, kComboAppend), -1);
    EXPECT_EQ(box.currentIndex(), index);
}

TEST(ItemToCombo, SelectsByDataOrFallsBack) {
    QComboBox box;
    fill(box);
    box.addItem(QStringLiteral("no data"));
    ItemToCombo_ByData(&box, 20, ComboMissing::KeepSelection);
    EXPECT_EQ(box.currentIndex(), 1);
    ItemToCombo_ByData(&box, 0, ComboMissing::KeepSelection); // an entry without data is no 0
    EXPECT_EQ(box.currentIndex(), 1);
    ItemToCombo_ByData(&box, 55, ComboMissing::SelectFirst);
    EXPECT_EQ(box.currentIndex(), 0);

    QListWidget list;
    list.addItems({QStringLiteral("Alpha"), QStringLiteral("beta")});
    EXPECT_EQ(ItemToCombo(&list, QStringLiteral("BETA"), 5, kComboNoCase + kComboAppend), 1);
    EXPECT_EQ(ItemToCombo(&list, QStringLiteral("gamma"), 6, kComboAppend), 2);
    ItemToCombo_ByData(&list, 5, ComboMissing::KeepSelection); // beta kept no data
    EXPECT_EQ(list.currentRow(), 2);
}

} // namespace
} // namespace qp::ui
