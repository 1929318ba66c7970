// The window the preferences window runs over: it gives the context and the editor font, and
// takes the edited shortcuts and the chosen font. The main window is the program's owner; the
// preferences window needs nothing else of it.
#pragma once

class QFont;
class QWidget;

namespace qp::ui {

struct AppContext;

class PrefOwner {
public:
    virtual ~PrefOwner() = default;
    // The window itself: parent, placement and the window disabled while the preferences run.
    virtual QWidget& owner_widget() = 0;
    virtual AppContext& context() = 0;
    virtual const QFont& editor_font() const = 0;
    // Around a change of the shortcut table: the old keys go while the table still holds them.
    virtual void Main_RemoveShortcuts() = 0;
    virtual void Main_ApplyShortcuts() = 0;
    // Takes the font stored in the preferences.
    virtual void EditorFont_Load() = 0;
};

} // namespace qp::ui
