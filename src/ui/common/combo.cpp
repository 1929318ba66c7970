#include "ui/common/combo.h"

#include "core/channel_settings.h"
#include "core/texts.h"
#include "ui/common/qt_text.h"

#include <QComboBox>
#include <QListWidget>
#include <QString>

namespace qp::ui {
namespace {

// The few operations both kinds of control share, so the rules are written once.
struct ComboItems {
    QComboBox* box;
    int count() const { return box->count(); }
    QString text(int i) const { return box->itemText(i); }
    QVariant data(int i) const { return box->itemData(i); }
    void set_data(int i, qint64 value) const { box->setItemData(i, value); }
    void append(const QString& t) const { box->addItem(t); }
    void insert_top(const QString& t) const { box->insertItem(0, t); }
    void select(int i) const { box->setCurrentIndex(i); }
};

struct ListItems {
    QListWidget* list;
    int count() const { return list->count(); }
    QString text(int i) const { return list->item(i)->text(); }
    QVariant data(int i) const { return list->item(i)->data(Qt::UserRole); }
    void set_data(int i, qint64 value) const { list->item(i)->setData(Qt::UserRole, value); }
    void append(const QString& t) const { list->addItem(t); }
    void insert_top(const QString& t) const { list->insertItem(0, t); }
    void select(int i) const { list->setCurrentRow(i); }
};

template <class Items>
int item_to_combo(const Items& items, const QString& text, qint64 data, int flags) {
    const Qt::CaseSensitivity cs =
        (flags & kComboNoCase) != 0 ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const int old_count = items.count();
    int index = -1;
    for (int i = 0; i < old_count; ++i) {
        if (QString::compare(items.text(i), text, cs) == 0) {
            index = i;
            break;
        }
    }
    if (index < 0) {
        // Adding at both ends would shift the appended entry; the append alone is made.
        if ((flags & kComboAppend) != 0) {
            items.append(text);
            if (items.count() == old_count + 1)
                index = old_count;
        } else if ((flags & kComboInsertTop) != 0) {
            items.insert_top(text);
            if (items.count() == old_count + 1)
                index = 0;
        }
        if (index >= 0)
            items.set_data(index, data);
    }
    if (index >= 0)
        items.select(index);
    return index;
}

template <class Items>
void item_to_combo_by_data(const Items& items, qint64 data, ComboMissing missing) {
    for (int i = 0; i < items.count(); ++i) {
        const QVariant value = items.data(i);
        if (value.isValid() && value.toLongLong() == data) {
            items.select(i);
            return;
        }
    }
    if (missing == ComboMissing::SelectFirst && items.count() > 0)
        items.select(0);
}

} // namespace

int ItemToCombo(QComboBox* control, const QString& text, qint64 data, int flags) {
    return control != nullptr ? item_to_combo(ComboItems{control}, text, data, flags) : -1;
}

int ItemToCombo(QListWidget* control, const QString& text, qint64 data, int flags) {
    return control != nullptr ? item_to_combo(ListItems{control}, text, data, flags) : -1;
}

void ItemToCombo_ByData(QComboBox* control, qint64 data, ComboMissing missing) {
    if (control != nullptr)
        item_to_combo_by_data(ComboItems{control}, data, missing);
}

void ItemToCombo_ByData(QListWidget* control, qint64 data, ComboMissing missing) {
    if (control != nullptr)
        item_to_combo_by_data(ListItems{control}, data, missing);
}

void combo_set_choices(QComboBox* box, std::span<const ChoiceItem> choices, Texts& texts,
                       std::string_view value) {
    box->clear();
    int selected = -1;
    for (const ChoiceItem& choice : choices) {
        if (choice.value == value)
            selected = box->count();
        box->addItem(to_q(texts.get(choice.key)), to_q(choice.value));
    }
    if (selected < 0) {
        selected = box->count();
        box->addItem(to_q(value), to_q(value));
    }
    box->setCurrentIndex(selected);
}

std::string combo_choice_value(const QComboBox* box) {
    return box->currentIndex() < 0 ? std::string() : from_q(box->currentData().toString());
}

} // namespace qp::ui
