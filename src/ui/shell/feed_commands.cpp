#include "ui/shell/feed_commands.h"

#include "ui/app/app_context.h"
#include "ui/dialogs/feed_window.h"
#include "ui/shell/main_window.h"

namespace qp::ui {

namespace {

// The guard and the commit every feed command starts with; null when no document is current.
Doc* begin(MainWindow& window, const char* name) {
    AppContext& ctx = window.context();
    if (!ctx.docs.IsDpc(name, ctx.log))
        return nullptr;
    window.Feed_CommitText();
    return ctx.docs.current();
}

// The position of the feed of the selected row, -1 when there is none.
int selectedFeed(MainWindow& window, const Doc& doc) {
    Workspace* w = window.workspace(&doc);
    if (w == nullptr)
        return -1;
    const int p = ListRowData(w->list, FeedList_SelectedRow(w->list));
    return p < static_cast<int>(doc.Feeds.size()) ? p : -1;
}

void changed(MainWindow& window, Doc& doc, int row) {
    SetModified(doc, true);
    window.Actualize_Tree(row);
}

void move(MainWindow& window, const char* name, int step) {
    Doc* doc = begin(window, name);
    if (doc == nullptr)
        return;
    const int q = Feed_Move(*doc, selectedFeed(window, *doc), step);
    if (q >= 0)
        changed(window, *doc, q);
}

} // namespace

void Feed_Add(MainWindow& window) {
    Doc* doc = begin(window, "Feed_Add");
    if (doc == nullptr)
        return;
    const int r = FeedWindow_Open(window.context(), &window, *doc, FeedWindowMode::New);
    if (r == 0)
        return;
    Feed_TrimAfterInsert(*doc);
    changed(window, *doc, r - 1);
}

void Feed_Copy(MainWindow& window) {
    Doc* doc = begin(window, "Feed_Copy");
    if (doc == nullptr)
        return;
    const int current = doc->CurrentFeed;
    if (!Feed_InsertCopy(*doc, selectedFeed(window, *doc)))
        return;
    const int r = FeedWindow_Open(window.context(), &window, *doc, FeedWindowMode::Edit);
    if (r == 0) {
        Feed_Delete(*doc, 0);
        doc->CurrentFeed = current;
        return;
    }
    Feed_TrimAfterInsert(*doc);
    changed(window, *doc, r - 1);
}

void Feed_Del(MainWindow& window) {
    Doc* doc = begin(window, "Feed_Del");
    if (doc == nullptr)
        return;
    const int p = selectedFeed(window, *doc);
    if (p < 0)
        return;
    Feed_Delete(*doc, p);
    // The row before the deleted feed, or the new first row.
    changed(window, *doc, p - 1);
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
    if (Feed_SortByDate(*doc, order))
        SetModified(*doc, true);
    window.Actualize_Tree(-1);
}

void Feed_Property(MainWindow& window) {
    Doc* doc = begin(window, "Feed_Property");
    if (doc == nullptr)
        return;
    const int p = selectedFeed(window, *doc);
    if (p < 0)
        return;
    doc->CurrentFeed = p;
    if (FeedWindow_Open(window.context(), &window, *doc, FeedWindowMode::Edit) == 0)
        return;
    SetModified(*doc, true);
    // The order is unchanged: only the row's columns are rewritten.
    Workspace* w = window.workspace(doc);
    FeedList_SetRow(w->list, FeedList_SelectedRow(w->list),
                    Feed_RowText(doc->Feeds[static_cast<std::size_t>(p)]));
}

} // namespace qp::ui
