// Project › Import a feed: asks for a feed file or address, reads it on a worker thread with a
// progress window and Cancel, and gives back the document it makes.
#pragma once

#include "core/feed_import.h"
#include "core/result.h"

#include <QDialog>

#include <string>

class QComboBox;
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

    QComboBox* source_box() const { return source_; }
    QPushButton* browse_button() const { return browse_; }
    QPushButton* ok_button() const { return ok_; }

private:
    void browse();
    void update_enabling();

    AppContext& ctx_;
    QComboBox* source_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* ok_ = nullptr;
};

// Reads the feed of source (a file, or an http or https address fetched with the certificate
// verified) on a worker thread; the window stays live and the progress window's Cancel stops
// the read at once, giving ErrorKind::Cancelled.
Result<ImportedFeed> import_read(AppContext& ctx, QWidget* window, const std::string& source);

// Asks for the source, then reads it; Cancelled when the user cancelled either step. A source
// read, well or not, goes first in the list of sources.
Result<ImportedFeed> import_window_run(AppContext& ctx, QWidget* parent);

} // namespace qp::ui
