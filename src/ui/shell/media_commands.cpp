#include "ui/shell/media_commands.h"

#include "core/doc_edits.h"
#include "core/file_io.h"
#include "core/text.h"
#include "ui/common/qt_text.h"
#include "ui/context/app_context.h"
#include "ui/dialogs/media_work.h"
#include "ui/shell/document_commands.h"
#include "ui/shell/feed_commands.h"
#include "ui/shell/main_window.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>

#include <mutex>

namespace qp::ui {

namespace {

// What a refresh reads and finds, shared with its worker: the window may stop waiting while a
// file is still being read, and then takes what was found so far.
struct RefreshJob {
    std::vector<Feed> feeds; // the file, length and duration of each episode
    std::mutex mutex;
    std::vector<FeedBefore> found; // episodes whose values changed, with the new values
    MediaRefreshResult counts;
};

bool is_project(const std::string& path) {
    return fold_case(path).ends_with(".qprj");
}

// Dropped files reach the list's viewport.
class DropTarget final : public QObject {
public:
    DropTarget(MainWindow& window, QObject* parent) : QObject(parent), window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (!drag->mimeData()->hasUrls())
                return false;
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            QStringList paths;
            for (const QUrl& url : drop->mimeData()->urls())
                if (url.isLocalFile())
                    paths << url.toLocalFile();
            drop->acceptProposedAction();
            feed_drop_files(window_, paths);
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
        }
    }

private:
    MainWindow& window_;
};

} // namespace

void feed_refresh_media(MainWindow& window) {
    AppContext& ctx = window.context();
    if (!ctx.docs.can_run_document_command("Feed_RefreshMedia", ctx.log))
        return;
    Doc* doc = ctx.docs.current();
    window.Feed_CommitText(doc);

    auto job = std::make_shared<RefreshJob>();
    job->feeds.resize(doc->Feeds.size());
    for (std::size_t i = 0; i < doc->Feeds.size(); ++i) {
        job->feeds[i].FeedFile = doc->Feeds[i].FeedFile;
        job->feeds[i].FeedFileLength = doc->Feeds[i].FeedFileLength;
        job->feeds[i].FeedDuration = doc->Feeds[i].FeedDuration;
    }
    const Paths paths = ctx.paths;
    const bool finished =
        media_work_run(ctx, &window, static_cast<int>(job->feeds.size()),
                       [job, paths](int i, const std::atomic<bool>* cancel) {
                           // The refresh's own rule, on a document of this one episode.
                           Doc one;
                           one.Feeds.push_back(job->feeds[static_cast<std::size_t>(i)]);
                           const MediaRefreshResult r = media_refresh(one, paths, {}, cancel);
                           const std::lock_guard lock(job->mutex);
                           job->counts.updated += r.updated;
                           job->counts.missing += r.missing;
                           job->counts.unreadable += r.unreadable;
                           if (r.any_change())
                               job->found.emplace_back(i, std::move(one.Feeds.front()));
                       });

    std::vector<FeedBefore> before;
    MediaRefreshResult counts;
    {
        const std::lock_guard lock(job->mutex);
        counts = job->counts;
        for (const auto& [i, read] : job->found) {
            Feed& feed = doc->Feeds[static_cast<std::size_t>(i)];
            before.emplace_back(i, feed);
            feed.FeedFileLength = read.FeedFileLength;
            feed.FeedDuration = read.FeedDuration;
        }
        job->found.clear(); // what the worker still finds comes too late
    }
    if (!before.empty()) {
        const Workspace* w = window.workspace(doc);
        const int row = w != nullptr ? feed_list_selected_row(w->list) : -1;
        doc_record(window, *doc, edit_feeds_changed(*doc, std::move(before)));
        window.update_feed_row(row);
    }
    const std::string text =
        ctx.lang.get(finished ? "Media.Done" : "Media.Stopped",
                     {std::to_string(counts.updated), std::to_string(counts.missing),
                      std::to_string(counts.unreadable)});
    ctx.requester->RequestMessage(to_q(ctx.lang.get("Msg.Info")), to_q(text), RequestButtons::Ok,
                                  &window);
}

void feed_drop_files(MainWindow& window, const QStringList& dropped) {
    std::vector<std::string> media;
    std::vector<std::string> projects;
    for (const QString& p : dropped) {
        std::string path = from_q(p);
        (is_project(path) ? projects : media).push_back(std::move(path));
    }
    // The episodes go to the document they were dropped on, before a project opens over it.
    feed_add_media_files(window, media);
    for (const std::string& path : projects)
        window.documents().Document_Open(path);
}

void feed_add_media_files(MainWindow& window, const std::vector<std::string>& media) {
    AppContext& ctx = window.context();
    if (media.empty() || !ctx.docs.can_run_document_command("Feed_AddMediaFiles", ctx.log))
        return;
    Doc* doc = ctx.docs.current();
    window.Feed_CommitText(doc);

    auto read = std::make_shared<std::vector<MediaInfo>>(media.size());
    if (!media_work_run(ctx, &window, static_cast<int>(media.size()),
                        [read, media](int i, const std::atomic<bool>* cancel) {
                            const auto at = static_cast<std::size_t>(i);
                            (*read)[at] = media_read(media[at], cancel);
                        }))
        return;

    std::vector<Feed> added;
    std::string refused;
    for (std::size_t i = 0; i < media.size(); ++i) {
        const MediaInfo& info = (*read)[i];
        // A file that is not there, or that is neither read nor known by its name, is no episode.
        if (!file_exists(media[i]) ||
            (info.type.empty() && !info.ok() && feed_guess_mime_type(media[i]).empty())) {
            refused += "\r\n" + media[i];
            continue;
        }
        const MediaFacts facts{info.title, info.type, info.length,
                               info.ok() ? media_duration(info.seconds) : std::string()};
        added.push_back(feed_for_media_file(media[i], ctx.paths.Path_Compact(media[i]), facts));
    }
    feed_new_guids(added, doc->Feeds);
    if (DocEditPtr edit = edit_insert_feeds(*doc, std::move(added))) {
        doc_record(window, *doc, std::move(edit));
        window.update_feed_row(0);
    }
    if (!refused.empty())
        ctx.requester->RequestMessage(to_q(ctx.lang.get("Msg.Error")),
                                      to_q(ctx.lang.get("Media.NotMedia") + refused),
                                      RequestButtons::Ok, &window);
}

void feed_list_accept_drops(MainWindow& window, QTreeWidget* list) {
    list->setAcceptDrops(true);
    list->viewport()->setAcceptDrops(true);
    list->setDragDropMode(QAbstractItemView::DropOnly);
    list->viewport()->installEventFilter(new DropTarget(window, list));
}

} // namespace qp::ui
