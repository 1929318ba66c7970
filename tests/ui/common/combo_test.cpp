#include "ui/common/combo.h"

#include <QComboBox>
#include <QListWidget>

#include <gtest/gtest.h>

namespace qp::ui {
namespace {

QComboBox* filled(QComboBox& box) {
    box.addItem(QStringLiteral("atom"), 10);
    box.addItem(QStringLiteral("rssv2"), 20);
    box.setCurrentIndex(0);
    return &box;
}

TEST(ItemToCombo, FindsBeforeItAdds) {
    QComboBox box;
    filled(box);
    EXPECT_EQ(ItemToCombo(&box, QStringLiteral("RssV2"), 99, kComboNoCase + kComboAppend), 1);
    EXPECT_EQ(box.count(), 2);
    EXPECT_EQ(box.itemData(1).toLongLong(), 20); // an entry that exists keeps its data

    EXPECT_EQ(ItemToCombo(&box, QStringLiteral("RssV2"), 99, kComboAppend), 2);
    EXPECT_EQ(box.currentIndex(), 2);
    EXPECT_EQ(box.itemData(2).toLongLong(), 99);

    EXPECT_EQ(ItemToCombo(&box, QStringLiteral("new"), 7, kComboInsertTop), 0);
    EXPECT_EQ(box.itemText(0), QStringLiteral("new"));
    EXPECT_EQ(box.itemData(0).toLongLong(), 7);

    // Nothing to add: the selection stays.
    EXPECT_EQ(ItemToCombo(&box, QStringLiteral("missing"), 1, 0), -1);
    EXPECT_EQ(box.currentIndex(), 0);
    EXPECT_EQ(ItemToCombo(static_cast<QComboBox*>(nullptr), QStringLiteral("x"), 1, 5), -1);
}

TEST(ItemToCombo, BothAddFlagsAddOnceAndSelectTheNewEntry) {
    QComboBox box;
    filled(box);
    const int index = ItemToCombo(&box, QStringLiteral("new"), 3, kComboAppend + kComboInsertTop);
    ASSERT_EQ(box.count(), 3);
    EXPECT_EQ(box.itemText(index), QStringLiteral("new"));
    EXPECT_EQ(box.itemData(index).toLongLong(), 3);
}

TEST(ItemToCombo, AFullBoxAddsNothing) {
    QComboBox box;
    filled(box);
    box.setMaxCount(2);
    EXPECT_EQ(ItemToCombo(&box, QStringLiteral("new"), 3, kComboAppend), -1);
    EXPECT_EQ(box.currentIndex(), 0);
}

TEST(ItemToCombo, ListsFollowTheSameRules) {
    QListWidget list;
    list.addItems({QStringLiteral("Alpha"), QStringLiteral("beta")});
    EXPECT_EQ(ItemToCombo(&list, QStringLiteral("BETA"), 5, kComboNoCase + kComboAppend), 1);
    EXPECT_EQ(list.currentRow(), 1);
    EXPECT_EQ(ItemToCombo(&list, QStringLiteral("gamma"), 5, kComboAppend), 2);
    ItemToCombo_ByData(&list, 5, ComboMissing::KeepSelection);
    EXPECT_EQ(list.currentRow(), 2);
}

TEST(ItemToComboByData, SelectsByDataOrFallsBack) {
    QComboBox box;
    filled(box);
    ItemToCombo_ByData(&box, 20, ComboMissing::KeepSelection);
    EXPECT_EQ(box.currentIndex(), 1);
    ItemToCombo_ByData(&box, 55, ComboMissing::KeepSelection);
    EXPECT_EQ(box.currentIndex(), 1);
    ItemToCombo_ByData(&box, 55, ComboMissing::SelectFirst);
    EXPECT_EQ(box.currentIndex(), 0);
    // An entry without data never matches the value 0.
    box.addItem(QStringLiteral("no data"));
    ItemToCombo_ByData(&box, 0, ComboMissing::KeepSelection);
    EXPECT_EQ(box.currentIndex(), 0);
}

} // namespace
} // namespace qp::ui
