// Project › Import a feed: asks for a feed file or address, reads it on a worker thread with a
// progress window and Cancel, and gives back the document it makes.
#pragma once

#include "core/feed_import.h"
#include "core/result.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace qp::ui {

struct AppContext;

class ImportWindow final : public QDialog {
    Q_OBJECT

public:
    // The source list offers the last ten feeds imported.
    ImportWindow(AppContext& ctx, QWidget* parent);

    // The file or address as typed, without the blanks around it.
    std::string source() const;
    // The folder the episodes are downloaded into; empty when they stay where they are.
    std::string media_folder() const;

    QComboBox* source_box() const { return source_; }
    QCheckBox* download_box() const { return download_; }
    QLineEdit* folder_field() const { return folder_; }
    QPushButton* browse_button() const { return browse_; }
    QPushButton* ok_button() const { return ok_; }

private:
    void browse();
    void update_enabling();

    AppContext& ctx_;
    QComboBox* source_ = nullptr;
    QPushButton* browse_ = nullptr;
    QCheckBox* download_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QPushButton* ok_ = nullptr;
};

// Reads the feed of source (a file, or an http or https address fetched with the certificate
// verified) on a worker thread; the window stays live and the progress window's Cancel stops
// the read at once, giving ErrorKind::Cancelled.
Result<ImportedFeed> import_read(AppContext& ctx, QWidget* window, const std::string& source);

// Fetches the episodes on the web into folder on a worker thread with progress and Cancel, and
// points them at their files. On a failure the episodes fetched so far keep their files; on
// Cancel the document keeps its addresses, and the files fetched stay in the folder, where the
// next import that downloads takes them as they are and resumes a partial one.
Status import_download(AppContext& ctx, QWidget* window, Doc& doc, const std::string& folder);

// What the import window gave: the feed, and why its episodes were not all downloaded.
struct ImportOutcome {
    ImportedFeed feed;
    Status downloads;
};

// Asks for the source, then reads it and downloads its episodes when asked; Cancelled when the
// user cancelled the window or the reading. A source read, well or not, goes first in the list
// of sources.
Result<ImportOutcome> import_window_run(AppContext& ctx, QWidget* parent);

} // namespace qp::ui
