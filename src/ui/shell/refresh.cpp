// Bringing the main window back in step with the documents after every command.
#include "core/command_ids.h"
#include "core/dates.h"
#include "core/file_io.h"
#include "core/text.h"
#include "ui/common/qt_text.h"
#include "ui/context/app_context.h"
#include "ui/shell/feed_commands.h"
#include "ui/shell/main_window.h"
#include "ui/shell/media_commands.h"
#include "ui/shell/status_line.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTreeWidget>
#include <QUndoStack>

#include <cmath>

namespace qp::ui {

namespace {

// Menu texts show "&" as a mnemonic marker.
QString menu_escaped(const std::string& text) {
    return to_q(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// Whether the focus is on control or on one of its parts (a list's viewport).
bool has_focus(const QWidget* focus, const QWidget* control) {
    return focus != nullptr && (focus == control || focus->parentWidget() == control);
}

} // namespace

bool MainWindow::Doc_CreateGadgets(Doc& doc) {
    Workspace w = qp::ui::Doc_CreateGadgets(area_, ctx_.lang, editor_font_);
    QTreeWidget* list = w.list;
    connect(list, &QTreeWidget::itemSelectionChanged, this, [this, list] {
        // Only the current document's list drives the editor.
        Workspace* current = current_workspace();
        if (current != nullptr && current->list == list)
            update_editor();
    });
    connect(list, &QWidget::customContextMenuRequested, this, &MainWindow::PopUpMenuDisplay);
    feed_list_accept_drops(*this, list);
    connect(w.editor, &QWidget::customContextMenuRequested, this, &MainWindow::PopUpMenuDisplay);
    // The first keystroke marks the document in the title, not the next timer tick.
    connect(w.editor->document(), &QTextDocument::modificationChanged, this,
            &MainWindow::update_modified_marks);
    // The document is modified exactly while its changes are not those of its last save.
    Doc* changed = &doc;
    const auto follow = [this, changed, stack = w.undo] {
        SetModified(*changed, !stack->isClean());
        update_modified_marks();
        if (changed == ctx_.docs.current())
            update_menu();
    };
    connect(w.undo, &QUndoStack::indexChanged, this, follow);
    connect(w.undo, &QUndoStack::cleanChanged, this, follow);
    if (doc.State & kModified)
        w.undo->resetClean();
    workspaces_[&doc] = w;
    return true;
}

void MainWindow::Doc_FreeGadgets(const Doc& doc) {
    auto it = workspaces_.find(&doc);
    if (it == workspaces_.end())
        return;
    qp::ui::Doc_FreeGadgets(it->second);
    workspaces_.erase(it);
}

Workspace* MainWindow::workspace(const Doc* doc) {
    auto it = workspaces_.find(doc);
    return it == workspaces_.end() ? nullptr : &it->second;
}

Workspace* MainWindow::current_workspace() {
    return workspace(ctx_.docs.current());
}

void MainWindow::place_workspace() {
    Workspace* w = current_workspace();
    if (w == nullptr)
        return;
    const int a = area_->width();
    const int h = area_->height();
    const int g = static_cast<int>(std::lround(h * 0.3));
    w->list->setGeometry(0, 0, a, g);
    // Columns share the inside of the frame, so the three fit without a horizontal scroll bar.
    const int inside = a - 2 * w->list->frameWidth();
    w->list->setColumnWidth(0, inside / 2);
    w->list->setColumnWidth(1, inside / 4);
    w->list->setColumnWidth(2, inside / 4);
    w->editor->setGeometry(0, g, a, h - g);
}

void MainWindow::update_all() {
    update_controls();
    update_window_title();
    place_workspace();
    update_menu();
    QTreeWidget* focus_list = nullptr;
    if (ctx_.docs.can_run_document_command("ActualizeAll", ctx_.log)) {
        Workspace* w = current_workspace();
        const QSignalBlocker block(w->list);
        FeedList_Fill(w->list, *ctx_.docs.current(), -1);
        focus_list = w->list;
    }
    update_editor();
    update_status_bar();
    if (focus_list != nullptr)
        focus_list->setFocus();
}

void MainWindow::update_display() {
    update_controls();
    update_window_title();
    place_workspace();
    update_menu();
    update_status_bar();
}

void MainWindow::update_feed_row(int row) {
    if (Workspace* w = current_workspace()) {
        const QSignalBlocker block(w->list);
        FeedList_Fill(w->list, *ctx_.docs.current(), row);
    }
    update_editor();
    update_status_bar();
}

void MainWindow::update_editor() {
    Doc* doc = ctx_.docs.current();
    Workspace* w = current_workspace();
    if (doc == nullptr || w == nullptr)
        return;
    Feed_CommitText(doc);
    const int p = ListRowData(w->list, feed_list_selected_row(w->list));
    const int old = w->bound;
    QString text;
    int bound = -1;
    // A row whose feed is gone binds nothing: binding another feed would let the next commit
    // write this editor's text into it.
    if (p >= 0 && p < static_cast<int>(doc->Feeds.size())) {
        text = editor_text_of(doc->Feeds[static_cast<std::size_t>(p)].FeedDesc);
        bound = p;
    }
    w->editor->setPlainText(text); // also empties the undo history
    if (bound < 0)
        w->editor->setEnabled(false);
    else if (old < 0)
        w->editor->setEnabled(true);
    w->bound = bound;
    w->editor->document()->setModified(false);
}

bool MainWindow::Feed_CommitText(Doc* doc) {
    if (doc == nullptr)
        doc = ctx_.docs.current();
    Workspace* w = workspace(doc);
    if (doc == nullptr || w == nullptr || !w->editor->document()->isModified())
        return false;
    w->editor->document()->setModified(false);
    if (w->bound >= 0 && w->bound < static_cast<int>(doc->Feeds.size())) {
        Feed& feed = doc->Feeds[static_cast<std::size_t>(w->bound)];
        std::vector<FeedBefore> before;
        before.emplace_back(w->bound, feed);
        std::string text = editor_feed_text(w->editor);
        // Typing and undoing back to the stored text is no new text: the date stays.
        if ((feed.FeedFlag & kAutoPubDate) && text != feed.FeedDesc)
            feed.FeedPubDate = now_in(doc->TimeZone);
        feed.FeedDesc = std::move(text);
        // The editor undoes typing; the document undoes the text once it is stored.
        doc_record(*this, *doc, edit_feeds_changed(*doc, std::move(before)));
    }
    return true;
}

void MainWindow::update_controls() {
    const int current = ctx_.docs.current_index();
    for (int i = 0; i < ctx_.docs.count(); ++i) {
        Workspace* w = workspace(&ctx_.docs.at(i));
        if (w == nullptr)
            continue;
        const bool shown = i == current;
        w->list->setVisible(shown);
        w->list->setEnabled(shown);
        w->editor->setVisible(shown);
        // An editor bound to no feed stays disabled: what it took would be dropped.
        w->editor->setEnabled(shown && w->bound >= 0);
    }
    ctx_.docs.set_current(current);
    if (Workspace* w = current_workspace())
        w->editor->setFocus();
}

bool MainWindow::doc_shows_modified(const Doc& doc) {
    if ((doc.State & kModified) != 0)
        return true;
    const Workspace* w = workspace(&doc);
    return w != nullptr && w->bound >= 0 && w->editor->document()->isModified();
}

void MainWindow::update_window_title() {
    std::string title = ctx_.AppTitle;
    if (const Doc* doc = ctx_.docs.current())
        title = std::string(doc_shows_modified(*doc) ? kModifiedMark : "") +
                DocDisplayName(*doc, ctx_.lang) + " - " + ctx_.AppTitle;
    setWindowTitle(to_q(title));
}

void MainWindow::update_modified_marks() {
    update_window_title();
    for (int i = 0; i < ctx_.docs.count() && i < Docs::kMaxDocs; ++i)
        action(kCmdDocumentFirst + i)->setText(document_entry_text(i));
}

QString MainWindow::document_entry_text(int index) {
    const Doc& doc = ctx_.docs.at(index);
    std::string name = file_part(doc.FileName);
    if (name.empty())
        name = ctx_.lang.get("Msg.NoFileName");
    return menu_escaped(std::to_string(index + 1) + "- " +
                        (doc_shows_modified(doc) ? kModifiedMark : "") + name);
}

QString MainWindow::hand_over_title() const {
    QString title = windowTitle();
    if (title.startsWith(QLatin1String(kModifiedMark)))
        title.remove(0, 1);
    return title;
}

void MainWindow::update_menu() {
    const int current = ctx_.docs.current_index();
    for (int i = 0; i < Docs::kMaxDocs; ++i) {
        QAction* entry = action(kCmdDocumentFirst + i);
        if (i >= ctx_.docs.count()) {
            entry->setText(QStringLiteral("..."));
            entry->setEnabled(false);
            entry->setChecked(false);
            continue;
        }
        entry->setText(document_entry_text(i));
        entry->setEnabled(true);
        entry->setChecked(i == current);
    }
    const auto& recent = ctx_.prefs.recent();
    for (int i = 0; i <= kCmdRecentLast - kCmdRecentFirst; ++i) {
        QAction* entry = action(kCmdRecentFirst + i);
        if (i >= static_cast<int>(recent.size())) {
            entry->setText(QStringLiteral("..."));
            entry->setEnabled(false);
            continue;
        }
        const std::string& path = recent[static_cast<std::size_t>(i)];
        entry->setText(menu_escaped(file_part(path) + ", " + folder_part(path)));
        entry->setEnabled(true);
    }
    const bool has_doc = ctx_.docs.current() != nullptr;
    for (int command : {kCmdProjectSave, kCmdProjectSaveAs, kCmdProjectClose, kCmdFindText,
                        kCmdFindNext, kCmdFindPrevious})
        action(command)->setEnabled(has_doc);
    const Workspace* w = current_workspace();
    if (QAction* undo = action(kCmdDocUndo))
        undo->setEnabled(w != nullptr && w->undo->canUndo());
    if (QAction* redo = action(kCmdDocRedo))
        redo->setEnabled(w != nullptr && w->undo->canRedo());
}

void MainWindow::update_feed_popup_menu() {
    auto entry = [this](int command) {
        for (QAction* a : feed_popup_->actions())
            if (a->data().toInt() == command)
                return a;
        return static_cast<QAction*>(nullptr);
    };
    Workspace* w = current_workspace();
    const int s = w == nullptr ? 0 : feed_list_selected_row(w->list);
    const bool some = s >= 0;
    for (int command : {kCmdFeedDel, kCmdFeedCopy, kCmdFeedProperty})
        entry(command)->setEnabled(some);
    entry(kCmdFeedMoveUp)->setEnabled(w != nullptr && some && s > 0);
    entry(kCmdFeedMoveDown)
        ->setEnabled(w != nullptr && some && s + 1 < w->list->topLevelItemCount());
}

void MainWindow::update_editor_popup_menu() {
    Workspace* w = current_workspace();
    for (QAction* a : editor_popup_->actions()) {
        const int command = a->data().toInt();
        a->setEnabled(w != nullptr && Edit_CanDo(command, w->editor));
    }
}

bool MainWindow::Edit_CanDo(int command, const QPlainTextEdit* editor) const {
    if (editor == nullptr)
        return false;
    switch (command) {
    case kCmdPaste:
    case kCmdPasteInsert:
        return true;
    case kCmdCut:
    case kCmdCopy:
        return editor->textCursor().hasSelection();
    case kCmdUndo:
        return editor->document()->isUndoAvailable();
    case kCmdRedo:
        return editor->document()->isRedoAvailable();
    default:
        return false;
    }
}

void MainWindow::Edit_Command(int command) {
    Workspace* w = current_workspace();
    if (w == nullptr)
        return;
    // With the focus in the list the undo keys act on the document; the editor keeps its own.
    if (has_focus(focusWidget(), w->list) && (command == kCmdUndo || command == kCmdRedo)) {
        Main_MenuEvent(command == kCmdUndo ? kCmdDocUndo : kCmdDocRedo);
        return;
    }
    if (!Edit_CanDo(command, w->editor))
        return;
    QPlainTextEdit* editor = w->editor;
    switch (command) {
    case kCmdUndo:
        editor->undo();
        break;
    case kCmdRedo:
        editor->redo();
        break;
    case kCmdCut:
        editor->cut();
        break;
    case kCmdCopy:
        editor->copy();
        break;
    default:
        editor->insertPlainText(QApplication::clipboard()->text());
        break;
    }
}

void MainWindow::PopUpMenuDisplay() {
    if (!ctx_.docs.can_run_document_command("PopUpMenuDisplay", ctx_.log, false))
        return;
    Workspace* w = current_workspace();
    if (w == nullptr)
        return;
    const QWidget* focus = focusWidget();
    if (focus == w->editor) {
        update_editor_popup_menu();
        editor_popup_->popup(QCursor::pos());
    } else if (has_focus(focus, w->list)) {
        update_feed_popup_menu();
        feed_popup_->popup(QCursor::pos());
    }
}

QString MainWindow::status_text() const {
    return status_->text();
}

void MainWindow::update_status_bar() {
    update_modified_marks();
    Doc* doc = ctx_.docs.current();
    Workspace* w = current_workspace();
    if (doc == nullptr || w == nullptr) {
        status_->clear();
        return;
    }
    StatusValues v;
    v.DC = ctx_.docs.count();
    v.DP = ctx_.docs.current_index() + 1;
    v.EC = w->list->topLevelItemCount();
    v.EP = feed_list_selected_row(w->list) + 1;
    const QTextDocument* text = w->editor->document();
    const int caret = w->editor->textCursor().selectionStart();
    const QTextBlock line = text->findBlock(caret);
    v.RP = caret;
    v.RC = text->characterCount() - 1;
    v.LP = line.blockNumber() + 1;
    v.LC = text->blockCount();
    v.CC = line.length() - 1;
    v.CP = caret - line.position() + 1;

    const QWidget* focus = focusWidget();
    std::string pattern;
    if (has_focus(focus, w->list)) {
        pattern = ctx_.prefs.preference_value(kPrefStatusTree);
        if (pattern.empty())
            pattern = ctx_.lang.get("Status.DefaultTree");
    } else if (has_focus(focus, w->editor)) {
        pattern = ctx_.prefs.preference_value(kPrefStatusEdit);
        if (pattern.empty())
            pattern = ctx_.lang.get("Status.DefaultEdit");
    } else {
        pattern = ctx_.lang.get("Status.DefaultNoFocus");
    }
    const QString shown = to_q(status_line_format(pattern, v));
    if (shown != status_->text())
        status_->setText(shown);
}

} // namespace qp::ui
