#include "ui/common/pref_gadgets.h"

#include "core/preferences.h"
#include "core/text.h"
#include "ui/common/control_registry.h"
#include "ui/common/qt_text.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

namespace qp::ui {

namespace {

void state_to(QWidget* control, int state) {
    if (auto* box = qobject_cast<QAbstractButton*>(control); box && box->isCheckable())
        box->setChecked(state != 0);
    else if (auto* combo = qobject_cast<QComboBox*>(control))
        combo->setCurrentIndex(state);
    else if (auto* list = qobject_cast<QListWidget*>(control))
        list->setCurrentRow(state);
}

// Null when the control holds no state.
const int* state_of(const QWidget* control, int& state) {
    if (auto* box = qobject_cast<const QAbstractButton*>(control); box && box->isCheckable())
        state = box->isChecked() ? 1 : 0;
    else if (auto* combo = qobject_cast<const QComboBox*>(control))
        state = combo->currentIndex();
    else if (auto* list = qobject_cast<const QListWidget*>(control))
        state = list->currentRow();
    else
        return nullptr;
    return &state;
}

void text_to(QWidget* control, const std::string& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(to_q(text));
    else if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->isEditable())
        combo->setEditText(to_q(text));
}

// Null when the control holds no text.
const QString* text_of(const QWidget* control, QString& text) {
    if (auto* edit = qobject_cast<const QLineEdit*>(control))
        text = edit->text();
    else if (auto* combo = qobject_cast<const QComboBox*>(control); combo && combo->isEditable())
        text = combo->currentText();
    else
        return nullptr;
    return &text;
}

} // namespace

void Pref_ToGadgets(Preferences& prefs, int window, const ControlRegistry& controls) {
    for (const PrefItem& item : prefs.table()) {
        QWidget* control = item.Window == window ? controls.widget(item.Id) : nullptr;
        if (control == nullptr)
            continue;
        switch (item.Kind) {
        case PrefKind::Flag:
            if (auto* box = qobject_cast<QAbstractButton*>(control); box && box->isCheckable())
                box->setChecked(Pref_IsOn(item.Value));
            break;
        case PrefKind::State:
            state_to(control, parse_leading_int32(item.Value));
            break;
        case PrefKind::Text:
        case PrefKind::Path:
            text_to(control, item.Value);
            break;
        case PrefKind::Shortcut:
        case PrefKind::GlobalShortcut:
            break;
        }
    }
}

void Pref_FromGadgets(Preferences& prefs, int window, const ControlRegistry& controls) {
    // Values are gathered first: set_preference_value moves the table's current item.
    std::vector<std::pair<int, std::string>> values;
    for (const PrefItem& item : prefs.table()) {
        const QWidget* control = item.Window == window ? controls.widget(item.Id) : nullptr;
        if (control == nullptr)
            continue;
        int state = 0;
        QString text;
        switch (item.Kind) {
        case PrefKind::Flag:
            if (auto* box = qobject_cast<const QAbstractButton*>(control);
                box && box->isCheckable())
                values.emplace_back(item.Id, box->isChecked() ? "On" : "Off");
            break;
        case PrefKind::State:
            if (state_of(control, state))
                values.emplace_back(item.Id, std::to_string(state));
            break;
        case PrefKind::Text:
        case PrefKind::Path:
            if (text_of(control, text))
                values.emplace_back(item.Id, from_q(text));
            break;
        case PrefKind::Shortcut:
        case PrefKind::GlobalShortcut:
            break;
        }
    }
    for (const auto& [id, value] : values)
        prefs.set_preference_value(id, value);
}

} // namespace qp::ui
