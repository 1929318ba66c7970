#include "ui/shell/main_window.h"

#include "core/command_ids.h"
#include "core/file_io.h"
#include "core/text.h"
#include "ui/common/qt_text.h"
#include "ui/context/app_context.h"
#include "ui/dialogs/data_files.h"
#include "ui/dialogs/help_windows.h"
#include "ui/shell/document_commands.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QUndoStack>

#include <functional>

namespace qp::ui {

namespace {

// The area under the menu bar; the current workspace follows its size.
class WorkspaceArea final : public QWidget {
public:
    WorkspaceArea(QWidget* parent, std::function<void()> on_resize)
        : QWidget(parent), on_resize_(std::move(on_resize)) {}

protected:
    void resizeEvent(QResizeEvent*) override { on_resize_(); }

private:
    std::function<void()> on_resize_;
};

constexpr KeyCode kQuitKey = kModCtrl | 'Q';

// Fixed keys of the main window, not configurable and not shown in menus (but Quit's).
struct FixedKey {
    KeyCode key;
    int command;
};
constexpr FixedKey kFixedKeys[] = {
    {kModCtrl | 'X', kCmdCut},
    {kModCtrl | 'C', kCmdCopy},
    {kModCtrl | 'V', kCmdPaste},
    {kModShift | kVkInsert, kCmdPasteInsert},
    {kVkApps, kCmdPopupMenu},
    {kModShift | (kVkF1 + 9), kCmdPopupMenu},
    {kModCtrl | kModShift | 'Z', kCmdRedo},
    {kQuitKey, kCmdQuit},
};

} // namespace

MainWindow::MainWindow(AppContext& context)
    : ctx_(context), documents_(std::make_unique<DocumentCommands>(context, *this)) {
    setObjectName(QStringLiteral("WindowClass_0"));
    setWindowTitle(to_q(ctx_.AppTitle));
    setMinimumSize(600, 400);
    area_ = new WorkspaceArea(this, [this] { place_workspace(); });
    setCentralWidget(area_);

    status_ = new QLabel(this);
    status_->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(status_, 1);
    statusBar()->setSizeGripEnabled(true);

    EditorFont_Load();
    MainMenu_Create();
    PopupMenus_Create();

    timer_ = new QTimer(this);
    timer_->setInterval(kMainTimerMs);
    connect(timer_, &QTimer::timeout, this, &MainWindow::update_status_bar);
    timer_->start();

    shortcuts_ =
        std::make_unique<ShortcutKeys>(this, [this](int command) { Main_MenuEvent(command); });
    Main_FixedShortcuts();
    Main_ApplyShortcuts();
    update_menu();
}

MainWindow::~MainWindow() {
    timer_->stop();
    // The stacks go with their lists, after this window has stopped being one.
    for (auto& [doc, w] : workspaces_)
        w.undo->blockSignals(true);
}

QAction* MainWindow::add_command(QMenu* menu, std::string_view key, int command) {
    QAction* action = menu->addAction(key.empty() ? QString() : to_q(ctx_.lang.get(key)));
    action->setData(command);
    connect(action, &QAction::triggered, this,
            [this, action] { Main_MenuEvent(action->data().toInt()); });
    actions_.emplace(command, action);
    return action;
}

QAction* MainWindow::action(int command) const {
    auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::MainMenu_Create() {
    QMenuBar* bar = menuBar();
    auto title = [this](std::string_view key) { return to_q(ctx_.lang.get(key)); };

    QMenu* project = bar->addMenu(title("Menu.Project"));
    add_command(project, "Menu\\Project.New", kCmdProjectNew);
    add_command(project, "Menu\\Project.Open", kCmdProjectOpen);
    add_command(project, "Menu\\Project.Import", kCmdProjectImport);
    add_command(project, "Menu\\Project.Save", kCmdProjectSave);
    add_command(project, "Menu\\Project.SaveAs", kCmdProjectSaveAs);
    add_command(project, "Menu\\Project.Close", kCmdProjectClose);
    add_command(project, "Menu\\Project.CloseAll", kCmdProjectCloseAll);
    project->addSeparator();
    add_command(project, "Menu\\Project.EditPref", kCmdEditPref);
    QMenu* recent = project->addMenu(title("Menu\\Project.LastOpened"));
    for (int n = kCmdRecentFirst; n <= kCmdRecentLast; ++n)
        add_command(recent, {}, n);
    project->addSeparator();
    QAction* quit = add_command(project, "Menu\\Project.Quit", kCmdQuit);
    // A fixed key, shown as the configurable ones are.
    quit->setText(to_q(shortcut_menu_text(from_q(quit->text()), kQuitKey, ctx_.lang)));

    QMenu* edit = bar->addMenu(title("Menu.Edit"));
    add_command(edit, "Menu\\Edit.Undo", kCmdDocUndo);
    add_command(edit, "Menu\\Edit.Redo", kCmdDocRedo);
    edit->addSeparator();
    add_command(edit, "Menu\\Edit.FindText", kCmdFindText);
    add_command(edit, "Menu\\Edit.FindNext", kCmdFindNext);
    add_command(edit, "Menu\\Edit.FindPrevious", kCmdFindPrevious);

    QMenu* feed = bar->addMenu(title("Menu.Feed"));
    add_command(feed, "Menu\\Feed.Add", kCmdFeedAdd);
    add_command(feed, "Menu\\Feed.MoveUp", kCmdFeedMoveUp);
    add_command(feed, "Menu\\Feed.MoveDown", kCmdFeedMoveDown);
    add_command(feed, "Menu\\Feed.Del", kCmdFeedDel);
    QMenu* sort = feed->addMenu(title("Menu\\FeedSort"));
    add_command(sort, "Menu\\Feed.SortAscending", kCmdFeedSortAscending);
    add_command(sort, "Menu\\Feed.SortDescending", kCmdFeedSortDescending);
    add_command(feed, "Menu\\Feed.Property", kCmdFeedProperty);
    feed->addSeparator();
    add_command(feed, "Menu\\Feed.RefreshMedia", kCmdFeedRefreshMedia);

    QMenu* rss = bar->addMenu(title("Menu.RSS"));
    add_command(rss, "Menu\\RSS.Create", kCmdRssCreate);
    add_command(rss, "Menu\\RSS.Check", kCmdRssCheck);
    add_command(rss, "Menu\\RSS.LinkToClipBoard", kCmdLinkToClipboard);
    rss->addSeparator();
    add_command(rss, "Menu\\Rss.Property", kCmdRssProperty);

    QMenu* display = bar->addMenu(title("Menu.Display"));
    for (int n = kCmdDocumentFirst; n <= kCmdDocumentLast; ++n)
        add_command(display, {}, n)->setCheckable(true);
    display->addSeparator();
    add_command(display, "Menu\\Display.NextProject", kCmdNextProject);
    add_command(display, "Menu\\Display.PrevProject", kCmdPrevProject);

    about_menu_ = bar->addMenu(title("Menu.About"));
    add_command(about_menu_, "Menu\\About.Help", kCmdHelp);
    add_command(about_menu_, "Menu\\About.CheckNewVersion", kCmdCheckNewVersion);
    // The entry exists only where the history of the language in use can be found.
    if (!whats_new_file(data_folders(ctx_.paths.main_folder()), ctx_.lang).isEmpty())
        add_command(about_menu_, "Menu\\About.WhatNews", kCmdWhatsNew);
    add_command(about_menu_, "Menu\\About.About", kCmdAbout);
}

void MainWindow::PopupMenus_Create() {
    editor_popup_ = new QMenu(this);
    add_command(editor_popup_, "Menu.Undo", kCmdUndo);
    add_command(editor_popup_, "Menu.Redo", kCmdRedo);
    add_command(editor_popup_, "Menu.Cut", kCmdCut);
    add_command(editor_popup_, "Menu.Copy", kCmdCopy);
    add_command(editor_popup_, "Menu.Paste", kCmdPaste);

    feed_popup_ = new QMenu(this);
    add_command(feed_popup_, "Menu\\Feed.Add", kCmdFeedAdd);
    add_command(feed_popup_, "Menu\\Feed.Copy", kCmdFeedCopy);
    add_command(feed_popup_, "Menu\\Feed.MoveUp", kCmdFeedMoveUp);
    add_command(feed_popup_, "Menu\\Feed.MoveDown", kCmdFeedMoveDown);
    add_command(feed_popup_, "Menu\\Feed.Del", kCmdFeedDel);
    add_command(feed_popup_, "Menu\\Feed.Property", kCmdFeedProperty);
}

void MainWindow::Main_FixedShortcuts() {
    for (const FixedKey& k : kFixedKeys)
        shortcuts_->install(k.key, k.command);
}

void MainWindow::Main_ApplyShortcuts() {
    Shortcut_Apply(*shortcuts_, ctx_.prefs, ctx_.hooks, ctx_.log, ctx_.lang, kWindowMain, {});
    Shortcut_MenuTexts(kMenuMain);
}

void MainWindow::Main_RemoveShortcuts() {
    Shortcut_Remove(*shortcuts_, ctx_.prefs, ctx_.hooks, ctx_.log, kWindowMain);
    // A configured key may have taken a fixed key over; freeing it gives the fixed one back.
    Main_FixedShortcuts();
}

void MainWindow::Shortcut_MenuTexts(int menu) {
    // Only the main menu shows key names; its entries are those outside the two pop-ups.
    if (menu != kMenuMain)
        return;
    for (const PrefItem& item : ctx_.prefs.table()) {
        if (item.Menu != menu)
            continue;
        const KeyCode code = parse_leading_int32(item.Value);
        auto [first, last] = actions_.equal_range(item.Id);
        for (auto it = first; it != last; ++it) {
            QAction* entry = it->second;
            if (feed_popup_->actions().contains(entry) || editor_popup_->actions().contains(entry))
                continue;
            entry->setText(to_q(shortcut_menu_text(from_q(entry->text()), code, ctx_.lang)));
        }
    }
    // The document's undo entries show the keys that reach them from the list.
    for (const auto& [entry, item] : {std::pair{kCmdDocUndo, kCmdUndo}, {kCmdDocRedo, kCmdRedo}}) {
        QAction* a = action(entry);
        if (a != nullptr && ctx_.prefs.Pref_Find(item))
            a->setText(to_q(shortcut_menu_text(
                from_q(a->text()), parse_leading_int32(ctx_.prefs.preference_value(item)),
                ctx_.lang)));
    }
}

void MainWindow::EditorFont_Load() {
    editor_font_ = QFont();
    editor_font_.setPointSize(10);
    if (!ctx_.prefs.Pref_Find(kEditorFontItem))
        return;
    const std::string value = ctx_.prefs.preference_value(kEditorFontItem);
    const auto semicolon = value.find(';');
    if (semicolon == std::string::npos)
        return;
    const int size = parse_leading_int32(std::string_view(value).substr(semicolon + 1));
    editor_font_.setFamily(to_q(value.substr(0, semicolon)));
    if (size > 0)
        editor_font_.setPointSize(size);
    for (auto& [doc, w] : workspaces_) {
        w.list->setFont(editor_font_);
        w.editor->setFont(editor_font_);
    }
}

void MainWindow::MainWindow_Activate() {
    setEnabled(true);
    if (windowState() & Qt::WindowMinimized)
        setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

void MainWindow::hand_over_receive(int data, const std::string& path) {
    ctx_.log.add("* WM_CopyData = " + std::to_string(data));
    if (data != 1 && data != 2)
        return;
    MainWindow_Activate();
    if (data == 2)
        documents_->Document_Open(path);
}

void MainWindow::not_there_yet() {
    ctx_.requester->RequestMessage(to_q(ctx_.lang.get("Msg.Info")),
                                   to_q(ctx_.lang.get("Msg.NotThereYet")), RequestButtons::Ok,
                                   this);
}

void MainWindow::run_hook(const std::function<void()>& hook) {
    if (hook)
        hook();
    else
        not_there_yet();
}

void MainWindow::placement_restore() {
    const FixedSettings& f = ctx_.prefs.fixed();
    move(f.MainWindowX, f.MainWindowY);
    resize(std::max(f.MainWindowW, 600), std::max(f.MainWindowH, 400));
    if (f.MainWindowZ == kStoredStateMaximised)
        setWindowState(windowState() | Qt::WindowMaximized);
    placement_ready_ = true;
}

void MainWindow::placement_moved(QPoint outer_top_left) {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    FixedSettings& f = ctx_.prefs.fixed();
    if (f.MainWindowX == outer_top_left.x() && f.MainWindowY == outer_top_left.y())
        return;
    f.MainWindowX = outer_top_left.x();
    f.MainWindowY = outer_top_left.y();
    ctx_.prefs.set_save_needed();
}

void MainWindow::placement_resized(QSize inner) {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    FixedSettings& f = ctx_.prefs.fixed();
    if (f.MainWindowW == inner.width() && f.MainWindowH == inner.height())
        return;
    f.MainWindowW = inner.width();
    f.MainWindowH = inner.height();
    ctx_.prefs.set_save_needed();
}

void MainWindow::placement_state_changed(Qt::WindowStates state) {
    if (state & Qt::WindowMinimized)
        return;
    const int z = (state & Qt::WindowMaximized) ? kStoredStateMaximised : kStoredStateNormal;
    FixedSettings& f = ctx_.prefs.fixed();
    if (f.MainWindowZ == z)
        return;
    f.MainWindowZ = z;
    ctx_.prefs.set_save_needed();
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (placement_ready_)
        placement_moved(pos());
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (placement_ready_)
        placement_resized(size());
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && placement_ready_)
        placement_state_changed(windowState());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Ending the event loop closes every window once more; the session is stored by then and
    // the documents are closed, so that close must not store an empty list over it.
    if (quitting_) {
        event->accept();
        return;
    }
    event->ignore();
    if (quit_request())
        emit quit_confirmed();
}

bool MainWindow::quit_request() {
    if (quitting_)
        return true;
    session_store();
    quitting_ = documents_->Document_CloseAll() == CloseChoice::Close;
    return quitting_;
}

void MainWindow::session_store() {
    documents_->LastDoc_Store();
}

void MainWindow::session_end() {
    if (quitting_)
        return;
    // No question can be asked any more: the list is kept and the documents stay as saved.
    session_store();
    quitting_ = true;
    emit quit_confirmed();
}

} // namespace qp::ui
