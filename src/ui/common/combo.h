// Finding, adding and selecting the entries of combo boxes and lists in the dialog windows.
// Each entry carries a whole-number data value besides its text.
#pragma once

#include <QtGlobal>

class QComboBox;
class QListWidget;
class QString;

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

} // namespace qp::ui
