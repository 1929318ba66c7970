// Finding, adding and selecting the entries of combo boxes and lists in the dialog windows.
// Each entry carries a whole-number data value besides its text.
#pragma once

#include <QtGlobal>

#include <span>
#include <string>
#include <string_view>

class QComboBox;
class QListWidget;
class QString;

namespace qp {
struct ChoiceItem;
class Texts;
} // namespace qp

namespace qp::ui {

// Flags of ItemToCombo, combined by adding them.
inline constexpr int kComboNoCase = 1;    // compare texts without regard to letter case
inline constexpr int kComboInsertTop = 2; // insert a missing text at the top
inline constexpr int kComboAppend = 4;    // append a missing text (wins over kComboInsertTop)

// Selects the first entry whose text equals text; when there is none and the flags allow it,
// adds the text with the data value and selects it (an entry that exists keeps its data).
// Returns the selected entry's index, or -1 (selection unchanged) when nothing matched or was
// added, or when there is no control.
int ItemToCombo(QComboBox* control, const QString& text, qint64 data, int flags);
int ItemToCombo(QListWidget* control, const QString& text, qint64 data, int flags);

// What ItemToCombo_ByData selects when no entry carries the data value.
enum class ComboMissing { KeepSelection, SelectFirst };

// Selects the first entry whose data value is data.
void ItemToCombo_ByData(QComboBox* control, qint64 data, ComboMissing missing);
void ItemToCombo_ByData(QListWidget* control, qint64 data, ComboMissing missing);

// Fills a closed choice: each entry shows its text and carries its value, and the entry of value
// is selected. A value no entry has (a hand-edited file) becomes an entry of its own, shown as it
// stands, so storing what the box shows keeps it.
void combo_set_choices(QComboBox* box, std::span<const ChoiceItem> choices, Texts& texts,
                       std::string_view value);
// The value of the selected entry of a closed choice; empty when none is selected.
std::string combo_choice_value(const QComboBox* box);

} // namespace qp::ui
