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
    setWindowTitle(toQ(ctx_.AppTitle));
    setMinimumSize(600, 400);
    area_ = new WorkspaceArea(this, [this] { placeWorkspace(); });
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

QAction* MainWindow::addCommand(QMenu* menu, std::string_view key, int command) {
    QAction* action = menu->addAction(key.empty() ? QString() : toQ(ctx_.lang.get(key)));
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
    auto title = [this](std::string_view key) { return toQ(ctx_.lang.get(key)); };

    QMenu* project = bar->addMenu(title("Menu.Project"));
    addCommand(project, "Menu\\Project.New", kCmdProjectNew);
    addCommand(project, "Menu\\Project.Open", kCmdProjectOpen);
    addCommand(project, "Menu\\Project.Save", kCmdProjectSave);
    addCommand(project, "Menu\\Project.SaveAs", kCmdProjectSaveAs);
    addCommand(project, "Menu\\Project.Close", kCmdProjectClose);
    addCommand(project, "Menu\\Project.CloseAll", kCmdProjectCloseAll);
    project->addSeparator();
    addCommand(project, "Menu\\Project.EditPref", kCmdEditPref);
    QMenu* recent = project->addMenu(title("Menu\\Project.LastOpened"));
    for (int n = kCmdRecentFirst; n <= kCmdRecentLast; ++n)
        addCommand(recent, {}, n);
    project->addSeparator();
    QAction* quit = addCommand(project, "Menu\\Project.Quit", kCmdQuit);
    // A fixed key, shown as the configurable ones are.
    quit->setText(toQ(Shortcut_MenuText(fromQ(quit->text()), kQuitKey, ctx_.lang)));

    QMenu* edit = bar->addMenu(title("Menu.Edit"));
    addCommand(edit, "Menu\\Edit.Undo", kCmdDocUndo);
    addCommand(edit, "Menu\\Edit.Redo", kCmdDocRedo);
    edit->addSeparator();
    addCommand(edit, "Menu\\Edit.FindText", kCmdFindText);
    addCommand(edit, "Menu\\Edit.FindNext", kCmdFindNext);
    addCommand(edit, "Menu\\Edit.FindPrevious", kCmdFindPrevious);

    QMenu* feed = bar->addMenu(title("Menu.Feed"));
    addCommand(feed, "Menu\\Feed.Add", kCmdFeedAdd);
    addCommand(feed, "Menu\\Feed.MoveUp", kCmdFeedMoveUp);
    addCommand(feed, "Menu\\Feed.MoveDown", kCmdFeedMoveDown);
    addCommand(feed, "Menu\\Feed.Del", kCmdFeedDel);
    QMenu* sort = feed->addMenu(title("Menu\\FeedSort"));
    addCommand(sort, "Menu\\Feed.SortAscending", kCmdFeedSortAscending);
    addCommand(sort, "Menu\\Feed.SortDescending", kCmdFeedSortDescending);
    addCommand(feed, "Menu\\Feed.Property", kCmdFeedProperty);
    feed->addSeparator();
    addCommand(feed, "Menu\\Feed.RefreshMedia", kCmdFeedRefreshMedia);

    QMenu* rss = bar->addMenu(title("Menu.RSS"));
    addCommand(rss, "Menu\\RSS.Create", kCmdRssCreate);
    addCommand(rss, "Menu\\RSS.Check", kCmdRssCheck);
    addCommand(rss, "Menu\\RSS.LinkToClipBoard", kCmdLinkToClipboard);
    rss->addSeparator();
    addCommand(rss, "Menu\\Rss.Property", kCmdRssProperty);

    QMenu* display = bar->addMenu(title("Menu.Display"));
    for (int n = kCmdDocumentFirst; n <= kCmdDocumentLast; ++n)
        addCommand(display, {}, n)->setCheckable(true);
    display->addSeparator();
    addCommand(display, "Menu\\Display.NextProject", kCmdNextProject);
    addCommand(display, "Menu\\Display.PrevProject", kCmdPrevProject);

    about_menu_ = bar->addMenu(title("Menu.About"));
    addCommand(about_menu_, "Menu\\About.Help", kCmdHelp);
    addCommand(about_menu_, "Menu\\About.CheckNewVersion", kCmdCheckNewVersion);
    // The entry exists only where the history of the language in use can be found.
    if (!WhatsNew_File(DataFolders(ctx_.paths.main_folder()), ctx_.lang).isEmpty())
        addCommand(about_menu_, "Menu\\About.WhatNews", kCmdWhatsNew);
    addCommand(about_menu_, "Menu\\About.About", kCmdAbout);
}

void MainWindow::PopupMenus_Create() {
    editor_popup_ = new QMenu(this);
    addCommand(editor_popup_, "Menu.Undo", kCmdUndo);
    addCommand(editor_popup_, "Menu.Redo", kCmdRedo);
    addCommand(editor_popup_, "Menu.Cut", kCmdCut);
    addCommand(editor_popup_, "Menu.Copy", kCmdCopy);
    addCommand(editor_popup_, "Menu.Paste", kCmdPaste);

    feed_popup_ = new QMenu(this);
    addCommand(feed_popup_, "Menu\\Feed.Add", kCmdFeedAdd);
    addCommand(feed_popup_, "Menu\\Feed.Copy", kCmdFeedCopy);
    addCommand(feed_popup_, "Menu\\Feed.MoveUp", kCmdFeedMoveUp);
    addCommand(feed_popup_, "Menu\\Feed.MoveDown", kCmdFeedMoveDown);
    addCommand(feed_popup_, "Menu\\Feed.Del", kCmdFeedDel);
    addCommand(feed_popup_, "Menu\\Feed.Property", kCmdFeedProperty);
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
            entry->setText(toQ(Shortcut_MenuText(fromQ(entry->text()), code, ctx_.lang)));
        }
    }
    // The document's undo entries show the keys that reach them from the list.
    for (const auto& [entry, item] : {std::pair{kCmdDocUndo, kCmdUndo}, {kCmdDocRedo, kCmdRedo}}) {
        QAction* a = action(entry);
        if (a != nullptr && ctx_.prefs.Pref_Find(item))
            a->setText(toQ(Shortcut_MenuText(
                fromQ(a->text()), parse_leading_int32(ctx_.prefs.preference_value(item)), ctx_.lang)));
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
    editor_font_.setFamily(toQ(value.substr(0, semicolon)));
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

void MainWindow::HandOver_Receive(int data, const std::string& path) {
    ctx_.log.add("* WM_CopyData = " + std::to_string(data));
    if (data != 1 && data != 2)
        return;
    MainWindow_Activate();
    if (data == 2)
        documents_->Document_Open(path);
}

void MainWindow::NotThereYet() {
    ctx_.requester->RequestMessage(toQ(ctx_.lang.get("Msg.Info")),
                                   toQ(ctx_.lang.get("Msg.NotThereYet")), RequestButtons::Ok, this);
}

void MainWindow::runHook(const std::function<void()>& hook) {
    if (hook)
        hook();
    else
        NotThereYet();
}

void MainWindow::Placement_Restore() {
    const FixedSettings& f = ctx_.prefs.fixed();
    move(f.MainWindowX, f.MainWindowY);
    resize(std::max(f.MainWindowW, 600), std::max(f.MainWindowH, 400));
    if (f.MainWindowZ == kStoredStateMaximised)
        setWindowState(windowState() | Qt::WindowMaximized);
    placement_ready_ = true;
}

void MainWindow::Placement_Moved(QPoint outer_top_left) {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    FixedSettings& f = ctx_.prefs.fixed();
    if (f.MainWindowX == outer_top_left.x() && f.MainWindowY == outer_top_left.y())
        return;
    f.MainWindowX = outer_top_left.x();
    f.MainWindowY = outer_top_left.y();
    ctx_.prefs.set_save_needed();
}

void MainWindow::Placement_Resized(QSize inner) {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    FixedSettings& f = ctx_.prefs.fixed();
    if (f.MainWindowW == inner.width() && f.MainWindowH == inner.height())
        return;
    f.MainWindowW = inner.width();
    f.MainWindowH = inner.height();
    ctx_.prefs.set_save_needed();
}

void MainWindow::Placement_StateChanged(Qt::WindowStates state) {
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
        Placement_Moved(pos());
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (placement_ready_)
        Placement_Resized(size());
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && placement_ready_)
        Placement_StateChanged(windowState());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Ending the event loop closes every window once more; the session is stored by then and
    // the documents are closed, so that close must not store an empty list over it.
    if (quitting_) {
        event->accept();
        return;
    }
    event->ignore();
    if (Quit_Request())
        emit quitConfirmed();
}

bool MainWindow::Quit_Request() {
    if (quitting_)
        return true;
    Session_Store();
    quitting_ = documents_->Document_CloseAll() == CloseChoice::Close;
    return quitting_;
}

void MainWindow::Session_Store() {
    documents_->LastDoc_Store();
}

void MainWindow::Session_End() {
    if (quitting_)
        return;
    // No question can be asked any more: the list is kept and the documents stay as saved.
    Session_Store();
    quitting_ = true;
    emit quitConfirmed();
}

} // namespace qp::ui
