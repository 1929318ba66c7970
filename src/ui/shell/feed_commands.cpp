#include "ui/shell/feed_commands.h"

#include "ui/context/app_context.h"
#include "ui/dialogs/feed_window.h"
#include "ui/shell/main_window.h"

#include <QTreeWidget>
#include <QUndoStack>

namespace qp::ui {

namespace {

// A change of one document on its stack. It is made before it is pushed, so the push does not
// make it a second time.
class EditCommand final : public QUndoCommand {
public:
    EditCommand(MainWindow& window, Doc& doc, DocEditPtr edit)
        : window_(window), doc_(doc), edit_(std::move(edit)) {}

    void redo() override {
        if (made_) {
            made_ = false;
            return;
        }
        show(edit_->apply(doc_));
    }
    void undo() override { show(edit_->revert(doc_)); }

private:
    void show(int row) {
        Workspace* w = window_.workspace(&doc_);
        if (w == nullptr)
            return;
        if (row == kRowKeepSelection)
            row = feed_list_selected_row(w->list);
        window_.update_feed_row(row);
    }

    MainWindow& window_;
    Doc& doc_;
    DocEditPtr edit_;
    bool made_ = true;
};

// The guard and the commit every feed command starts with; null when no document is current.
Doc* begin(MainWindow& window, const char* name) {
    AppContext& ctx = window.context();
    if (!ctx.docs.can_run_document_command(name, ctx.log))
        return nullptr;
    window.Feed_CommitText();
    return ctx.docs.current();
}

// The position of the feed of the selected row, -1 when there is none.
int selected_feed(MainWindow& window, const Doc& doc) {
    Workspace* w = window.workspace(&doc);
    if (w == nullptr)
        return -1;
    const int p = ListRowData(w->list, feed_list_selected_row(w->list));
    return p < static_cast<int>(doc.Feeds.size()) ? p : -1;
}

// Records a change and shows it with row selected.
void changed(MainWindow& window, Doc& doc, DocEditPtr edit, int row) {
    if (edit == nullptr)
        return;
    doc_record(window, doc, std::move(edit));
    window.update_feed_row(row);
}

void move(MainWindow& window, const char* name, int step) {
    Doc* doc = begin(window, name);
    if (doc == nullptr)
        return;
    DocEditPtr edit = edit_move_feed(*doc, selected_feed(window, *doc), step);
    changed(window, *doc, std::move(edit), doc->CurrentFeed);
}

// The feed window left its new feed at the top; it becomes one recorded insertion.
void inserted(MainWindow& window, Doc& doc) {
    Feed feed = std::move(doc.Feeds.front());
    feed_delete(doc, 0);
    std::vector<Feed> one;
    one.push_back(std::move(feed));
    changed(window, doc, edit_insert_feeds(doc, std::move(one)), 0);
}

void step(MainWindow& window, bool back) {
    AppContext& ctx = window.context();
    if (!ctx.docs.can_run_document_command(back ? "Doc_Undo" : "Doc_Redo", ctx.log))
        return;
    // Text still pending in the editor is the latest change.
    window.Feed_CommitText();
    Workspace* w = window.workspace(ctx.docs.current());
    if (w == nullptr)
        return;
    if (back)
        w->undo->undo();
    else
        w->undo->redo();
}

} // namespace

void doc_record(MainWindow& window, Doc& doc, DocEditPtr edit) {
    Workspace* w = window.workspace(&doc);
    if (edit == nullptr || w == nullptr)
        return;
    w->undo->push(new EditCommand(window, doc, std::move(edit)));
}

void doc_undo(MainWindow& window) {
    step(window, true);
}

void doc_redo(MainWindow& window) {
    step(window, false);
}

void Feed_Add(MainWindow& window) {
    Doc* doc = begin(window, "Feed_Add");
    if (doc == nullptr)
        return;
    if (FeedWindow_Open(window.context(), &window, *doc, FeedWindowMode::New) == 0)
        return;
    inserted(window, *doc);
}

void Feed_Copy(MainWindow& window) {
    Doc* doc = begin(window, "Feed_Copy");
    if (doc == nullptr)
        return;
    const int current = doc->CurrentFeed;
    if (!feed_insert_copy(*doc, selected_feed(window, *doc)))
        return;
    if (FeedWindow_Open(window.context(), &window, *doc, FeedWindowMode::Edit) == 0) {
        feed_delete(*doc, 0);
        doc->CurrentFeed = current;
        return;
    }
    inserted(window, *doc);
}

void Feed_Del(MainWindow& window) {
    Doc* doc = begin(window, "Feed_Del");
    if (doc == nullptr)
        return;
    const int p = selected_feed(window, *doc);
    // The row before the deleted feed, or the new first row.
    changed(window, *doc, edit_delete_feed(*doc, p), p - 1);
}

void Feed_MoveUp(MainWindow& window) {
    move(window, "Feed_MoveUp", -1);
}

void Feed_MoveDown(MainWindow& window) {
    move(window, "Feed_MoveDown", 1);
}

void Feed_Sort(MainWindow& window, SortOrder order) {
    Doc* doc = begin(window, "Feed_Sort");
    if (doc == nullptr)
        return;
    // A new order is an edit the save question must know about.
    doc_record(window, *doc, edit_sort_feeds(*doc, order));
    window.update_feed_row(-1);
}

void Feed_Property(MainWindow& window) {
    Doc* doc = begin(window, "Feed_Property");
    if (doc == nullptr)
        return;
    const int p = selected_feed(window, *doc);
    if (p < 0)
        return;
    doc->CurrentFeed = p;
    Feed before = doc->Feeds[static_cast<std::size_t>(p)];
    if (FeedWindow_Open(window.context(), &window, *doc, FeedWindowMode::Edit) == 0)
        return;
    std::vector<FeedBefore> changes;
    changes.emplace_back(p, std::move(before));
    doc_record(window, *doc, edit_feeds_changed(*doc, std::move(changes)));
    // The order is unchanged: only the row's columns are rewritten.
    Workspace* w = window.workspace(doc);
    FeedList_SetRow(w->list, feed_list_selected_row(w->list),
                    Feed_RowText(doc->Feeds[static_cast<std::size_t>(p)]));
}

} // namespace qp::ui
