// The preferences window: the language, the start-up behaviour, the editor font, the two
// status-line templates and the keyboard shortcuts of the main window. Nothing changes before
// OK; OK stores everything, applies the shortcuts at once and saves the settings file.
#pragma once

#include "core/shortcut_edit.h"
#include "ui/common/property_dialog.h"
#include "ui/dialogs/pref_owner.h"

#include <QFont>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;

namespace qp::ui {

struct AppContext;

// Controls of window 76; the numbers of flags and texts are those of their preference items.
inline constexpr int kPrefPanel = 78;
inline constexpr int kPrefLanguage = 80;
inline constexpr int kPrefFontButton = 86;
inline constexpr int kPrefShortcutList = 94;
inline constexpr int kPrefShortcutAlt = 96;
inline constexpr int kPrefShortcutCtrl = 98;
inline constexpr int kPrefShortcutShift = 100;
inline constexpr int kPrefShortcutWin = 102;
inline constexpr int kPrefShortcutKey = 104;
inline constexpr int kPrefShortcutSet = 106;
inline constexpr int kPrefWindowWidth = 400;

// Asks the user for a font, starting from current; nothing when the user cancelled.
using FontChooser = std::function<std::optional<QFont>(QWidget* parent, const QFont& current)>;
// The toolkit's font dialog.
std::optional<QFont> font_dialog_choose(QWidget* parent, const QFont& current);

class PrefWindow final : public PropertyDialog {
public:
    PrefWindow(PrefOwner& main, FontChooser choose_font);

    // Sets the controls from the preferences and lists the shortcuts.
    void PrefWindow_Fill();
    // Copies the controls, the chosen font and the language into the preferences (not the
    // shortcuts, which OK reinstalls).
    void PrefWindow_Collect();
    // Reinstalls the main window's shortcuts from the edited ones when any of them changed.
    void shortcuts_apply();

    // The font the chooser gave, "name;size"; empty while none was chosen.
    const std::string& chosen_font() const { return font_; }

private:
    void panel_show();
    void panel_read();
    void command_selected();
    void set_pressed();
    void font_choose();

    PrefOwner& main_;
    AppContext& ctx_;
    FontChooser choose_font_;
    ShortcutEdit edit_;
    ShortcutPanel model_;
    std::string font_;
    bool showing_ = false; // the list's own signals while panel_show sets it are not the user's

    QComboBox* language_ = nullptr;
    QListWidget* commands_ = nullptr;
    QComboBox* keys_ = nullptr;
    QCheckBox* alt_ = nullptr;
    QCheckBox* ctrl_ = nullptr;
    QCheckBox* shift_ = nullptr;
    QCheckBox* win_ = nullptr;
    QPushButton* set_ = nullptr;
};

// The command: runs the window over the main window, which stays disabled meanwhile.
void PrefWindow_Run(PrefOwner& main, const FontChooser& choose_font = font_dialog_choose);

} // namespace qp::ui
