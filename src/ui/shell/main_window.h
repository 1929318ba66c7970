// The main window: menus, pop-up menus, shortcuts, the status line, one workspace per open
// document, and the dispatch of every command number.
#pragma once

#include "ui/dialogs/pref_owner.h"
#include "ui/shell/shortcuts.h"
#include "ui/shell/workspace.h"

#include <QFont>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTimer;

namespace qp::ui {

struct AppContext;
class DocumentCommands;

// The window's state as the settings file stores it; the window converts at its placement only.
inline constexpr int kStoredStateNormal = 0;
inline constexpr int kStoredStateMaximised = 16777216;
inline constexpr const char* kModifiedMark = "*";

class MainWindow final : public QMainWindow, public PrefOwner {
    Q_OBJECT

public:
    explicit MainWindow(AppContext& context);
    ~MainWindow() override;

    QWidget& owner_widget() override { return *this; }
    AppContext& context() override { return ctx_; }
    DocumentCommands& documents() { return *documents_; }

    // Runs the command of a menu entry, pop-up entry or shortcut; unknown numbers do nothing.
    void Main_MenuEvent(int command);
    // The menu or pop-up entry of a command (the first one found), null when it has none.
    QAction* action(int command) const;
    QMenu* feed_popup() const { return feed_popup_; }
    QMenu* editor_popup() const { return editor_popup_; }
    QMenu* about_menu() const { return about_menu_; }
    ShortcutKeys& shortcuts() { return *shortcuts_; }

    // Keeping the window in step with the documents: ActualizeAll, Actualize_Tree and the Actu_*
    // family, named update_* here.
    void update_all();
    void update_display();
    void update_feed_row(int row);
    void update_editor();
    void update_controls();
    void update_window_title();
    // The "*" of a modified document in the title and the window list.
    void update_modified_marks();
    // Modified, or its editor holds an edit not yet committed.
    bool doc_shows_modified(const Doc& doc);
    // The title without the modified mark: what a later start compares with its own title.
    QString hand_over_title() const;
    void update_menu();
    void update_status_bar();
    void update_editor_popup_menu();
    void update_feed_popup_menu();
    // Stores the editor's pending text into its feed; true when there was any. Without a document
    // the current one is meant.
    bool Feed_CommitText(Doc* doc = nullptr);
    void PopUpMenuDisplay();
    void Edit_Command(int command);
    bool Edit_CanDo(int command, const QPlainTextEdit* editor) const;

    bool Doc_CreateGadgets(Doc& doc);
    void Doc_FreeGadgets(const Doc& doc);
    // The workspace of a document, null when it has none.
    Workspace* workspace(const Doc* doc);
    QString status_text() const;

    void Main_ApplyShortcuts() override;
    void Main_RemoveShortcuts() override;
    void Shortcut_MenuTexts(int menu);

    // Placement kept in the preferences: restored once, then stored while the window is normal.
    void placement_restore();
    void placement_moved(QPoint outer_top_left);
    void placement_resized(QSize inner);
    void placement_state_changed(Qt::WindowStates state);

    // Stores the last documents, then closes every document; false when the user kept one open.
    // Quit, Ctrl+Q and the close box come here.
    [[nodiscard]] bool quit_request();
    // Writes the list of open documents (the session manager's save request).
    void session_store();
    // The desktop session ends (log-out, SIGTERM, SIGHUP): stores the list and ends the program
    // without questions.
    void session_end();

    // A later start of the program hands over: 1 brings the window to the front, 2 also opens
    // the file.
    void hand_over_receive(int data, const std::string& path);
    void MainWindow_Activate();
    // Font slot 164 from the preference item 86 ("name;size"), else the default face at size 10.
    void EditorFont_Load() override;
    const QFont& editor_font() const override { return editor_font_; }

    // Tells the user that the window of a command is not there yet.
    void not_there_yet();
    // Opens a window of the system hooks, or tells that it is not there yet.
    void run_hook(const std::function<void()>& hook);

signals:
    // Every document is closed after a quit request: the program may end.
    void quit_confirmed();

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void MainMenu_Create();
    void PopupMenus_Create();
    void Main_FixedShortcuts();
    QAction* add_command(QMenu* menu, std::string_view key, int command);

    void place_workspace();
    QString document_entry_text(int index);
    Workspace* current_workspace();

    AppContext& ctx_;
    std::unique_ptr<DocumentCommands> documents_;
    std::unique_ptr<ShortcutKeys> shortcuts_;
    std::map<const Doc*, Workspace> workspaces_;
    QWidget* area_ = nullptr;
    QFont editor_font_;
    QLabel* status_ = nullptr;
    QTimer* timer_ = nullptr;
    QMenu* feed_popup_ = nullptr;
    QMenu* editor_popup_ = nullptr;
    QMenu* about_menu_ = nullptr;
    std::multimap<int, QAction*> actions_;
    bool placement_ready_ = false;
    bool quitting_ = false;
};

} // namespace qp::ui
