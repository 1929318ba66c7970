#include "ui/dialogs/import_window.h"

#include "core/text.h"
#include "net/episode_download.h"
#include "net/http_check.h"
#include "net/http_fetch.h"
#include "ui/common/long_work.h"
#include "ui/common/qt_text.h"
#include "ui/context/app_context.h"
#include "ui/context/file_picker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qp::ui {

namespace {

// The kilobytes shown by the progress window, so its counts stay within an int.
int kilobytes(std::uint64_t bytes) {
    return static_cast<int>(std::min<std::uint64_t>(bytes / 1024, 1U << 30));
}

} // namespace

ImportWindow::ImportWindow(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setWindowTitle(to_q(ctx_.lang.get("Import.Title")));
    auto* grid = new QGridLayout(this);
    auto* label = new QLabel(to_q(ctx_.lang.get("Import.Source")), this);
    source_ = new QComboBox(this);
    source_->setEditable(true);
    source_->setInsertPolicy(QComboBox::NoInsert);
    source_->setMinimumContentsLength(48);
    for (const std::string& known : ctx_.prefs.import_sources())
        source_->addItem(to_q(known));
    source_->setCurrentIndex(-1);
    source_->setEditText(source_->count() > 0 ? source_->itemText(0) : QString());
    label->setBuddy(source_);
    browse_ = new QPushButton(to_q(ctx_.lang.get("Import.Browse")), this);
    grid->addWidget(label, 0, 0, 1, 2);
    grid->addWidget(source_, 1, 0);
    grid->addWidget(browse_, 1, 1);
    download_ = new QCheckBox(to_q(ctx_.lang.get("Import.Download")), this);
    folder_ = new QLineEdit(QDir::homePath() + "/Podcasts/", this);
    grid->addWidget(download_, 2, 0, 1, 2);
    grid->addWidget(folder_, 3, 0, 1, 2);

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(to_q(ctx_.lang.get("Dialog.Ok")), QDialogButtonBox::AcceptRole);
    buttons->addButton(to_q(ctx_.lang.get("Dialog.Cancel")), QDialogButtonBox::RejectRole);
    ok_->setDefault(true);
    grid->addWidget(buttons, 4, 0, 1, 2);

    connect(browse_, &QPushButton::clicked, this, &ImportWindow::browse);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(source_, &QComboBox::editTextChanged, this, &ImportWindow::update_enabling);
    connect(download_, &QCheckBox::toggled, this, &ImportWindow::update_enabling);
    connect(folder_, &QLineEdit::textChanged, this, &ImportWindow::update_enabling);
    update_enabling();
    source_->setFocus();
}

std::string ImportWindow::source() const {
    return std::string(trim_spaces(from_q(source_->currentText())));
}

void ImportWindow::browse() {
    const QString folder = QFileInfo(source_->currentText().trimmed()).absolutePath();
    const QString chosen = ctx_.files->open_file(this, to_q(ctx_.lang.get("Import.Title")), folder,
                                                 to_q(ctx_.lang.get("Import.Filter")));
    if (!chosen.isEmpty())
        source_->setEditText(chosen);
}

std::string ImportWindow::media_folder() const {
    return download_->isChecked() ? std::string(trim_spaces(from_q(folder_->text())))
                                  : std::string();
}

void ImportWindow::update_enabling() {
    folder_->setEnabled(download_->isChecked());
    ok_->setEnabled(!source().empty() && (!download_->isChecked() || !media_folder().empty()));
}

Result<ImportedFeed> import_read(AppContext& ctx, QWidget* window, const std::string& source) {
    // The worker owns what it touches: Cancel returns at once and leaves it to end on its own.
    struct Shared {
        WorkState state;
        Result<ImportedFeed> result{make_error(ErrorKind::Cancelled, {})};
    };
    auto shared = std::make_shared<Shared>();
    auto state = std::shared_ptr<WorkState>(shared, &shared->state);
    const auto work = [shared, source] {
        const auto progress = [shared](std::uint64_t done, std::uint64_t total) {
            shared->state.total = kilobytes(total);
            shared->state.done = kilobytes(done);
        };
        ImportOptions options;
        options.cancel = &shared->state.cancel;
        options.progress = progress;
        if (!net::http_is_web_address(source)) {
            shared->result = import_feed_file(source, options);
            return;
        }
        net::FetchOptions fetch;
        fetch.cancel = &shared->state.cancel;
        fetch.progress = progress;
        Result<std::string> bytes = net::fetch_address(source, fetch);
        if (!bytes) {
            shared->result = bytes.error();
            return;
        }
        shared->result = import_feed(bytes.value(), options);
    };
    const WorkEnd end =
        long_work_run(window, to_q(ctx.lang.get("Import.Progress")),
                      to_q(ctx.lang.get("RequestButton.Cancel")), state, work, true);
    if (end == WorkEnd::Cancelled || shared->state.cancel.load())
        return make_error(ErrorKind::Cancelled, {});
    return std::move(shared->result);
}

Status import_download(AppContext& ctx, QWidget* window, Doc& doc, const std::string& folder) {
    struct Shared {
        WorkState state;
        Doc doc;
        Status result{make_error(ErrorKind::Cancelled, {})};
    };
    auto shared = std::make_shared<Shared>();
    shared->doc = doc;
    shared->state.total = static_cast<int>(net::episodes_to_download(doc));
    auto state = std::shared_ptr<WorkState>(shared, &shared->state);
    const auto work = [shared, folder] {
        net::EpisodeDownloads options;
        options.cancel = &shared->state.cancel;
        options.fetched = [shared](const std::string&, std::uint64_t) { ++shared->state.done; };
        shared->result = net::download_episodes(shared->doc, with_slash(folder), options);
    };
    const WorkEnd end =
        long_work_run(window, to_q(ctx.lang.get("Import.Downloading")),
                      to_q(ctx.lang.get("RequestButton.Cancel")), state, work, true);
    if (end == WorkEnd::Cancelled) {
        // The worker stops soon; the episodes it had finished are not lost with it.
        return make_error(ErrorKind::Cancelled, {});
    }
    // The worker has ended: its copy is taken over rather than copied again.
    doc = std::move(shared->doc);
    return shared->result;
}

Result<ImportOutcome> import_window_run(AppContext& ctx, QWidget* parent) {
    std::string source;
    std::string folder;
    {
        ImportWindow window(ctx, parent);
        if (window.exec() != QDialog::Accepted)
            return make_error(ErrorKind::Cancelled, {});
        source = window.source();
        folder = window.media_folder();
    }
    ctx.prefs.import_source_add(source);
    Result<ImportedFeed> read = import_read(ctx, parent, source);
    if (!read)
        return read.error();
    ImportOutcome outcome{std::move(read).value(), {}};
    if (!folder.empty())
        outcome.downloads = import_download(ctx, parent, outcome.feed.doc, folder);
    return outcome;
}

} // namespace qp::ui
