// The language editor (window 1000): translates the interface while the program runs. It works
// on the live language table, so windows built afterwards show the new texts; only "quit and
// save" writes the language file.
#pragma once

#include "core/lang_edit.h"
#include "ui/common/control_registry.h"

#include <QDialog>

#include <string>
#include <string_view>

class QLineEdit;
class QListWidget;

namespace qp::ui {

struct AppContext;

inline constexpr int kLangEditWindow = 1000;
inline constexpr int kLangEditList = 1004;
inline constexpr int kLangEditText = 1006;
inline constexpr int kLangEditUpdate = 1008;
inline constexpr int kLangEditDelete = 1010;
inline constexpr int kLangEditPrior = 1012;
inline constexpr int kLangEditNext = 1014;
inline constexpr int kLangEditQuitAndSave = 1016;
inline constexpr int kLangEditQuit = 1018;
// The window's own keys: Return, Ctrl+Up, Ctrl+Down.
inline constexpr int kLangEditReturn = 1020;
inline constexpr int kLangEditUp = 1022;
inline constexpr int kLangEditDown = 1024;

enum class TextAction {
    Show,  // the selected entry's text into the field
    Store, // the field into the selected entry
};

class LangEditor final : public QDialog {
public:
    // language: the file "quit and save" writes.
    LangEditor(AppContext& ctx, std::string language, QWidget* owner);

    // Sorts the table and refills the list, selecting row (none when it is out of range).
    void LangEdit_FillList(int row);
    void LangEdit_ShowText(TextAction action);
    // Selects the next (+1) or previous (-1) row without a text, past the selected one when the
    // list has the focus and from it otherwise; nothing changes when there is none.
    void LangEdit_FindEmpty(int direction);
    // Removes the selected entry from the table; the row above it becomes selected.
    void LangEdit_DeleteLabel();
    // A control's event; true when the window is to close.
    bool LangEdit_Gadget(int control);
    void LangEdit_Menu(int event);

    QWidget* control(int number) const { return controls_.widget(number); }
    QListWidget* list() const { return list_; }
    QLineEdit* field() const { return field_; }

private:
    void select_row(int row);
    // The selected row, -1 when none is.
    int selected_row() const;

    AppContext& ctx_;
    std::string language_;
    LangEditList rows_;
    ControlRegistry controls_;
    QListWidget* list_ = nullptr;
    QLineEdit* field_ = nullptr;
};

// The command: the editor on a language, modal to owner, which is disabled meanwhile.
void LangEdit_Run(AppContext& ctx, std::string_view language, QWidget* owner);

} // namespace qp::ui
