#include "ui/dialogs/check_window.h"

#include "core/texts.h"
#include "ui/common/layout_bridge.h"
#include "ui/common/qt_text.h"
#include "ui/common/window_state.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>

#include <algorithm>

namespace qp::ui {

namespace {

const ControlLine kCheckLines[] = {
    {kCheckIntro, ControlKind::Static, "ABCDE 2", LabelMode::NoLabel, nullptr},
    {kCheckSummary, ControlKind::Static, "ABCDE", LabelMode::NoLabel, nullptr},
    {kCheckList, ControlKind::ListBox, "ABCDE 9", LabelMode::NoLabel, nullptr},
    {kCheckHint, ControlKind::Static, "ABCDE", LabelMode::NoLabel, "CheckWin.Hint"},
};

const ControlLine kBeforePublishButtons[] = {
    {kCheckPublish, ControlKind::Button, "DE", LabelMode::NoLabel, "CheckWin.Publish"},
    {kCheckBack, ControlKind::Button, "AB -1", LabelMode::NoLabel, "CheckWin.Back"},
};

// Offered when the check proposes a date mask; it closes the window, since a file built with the
// old dates is no longer the one to publish.
const ControlLine kDateMaskLine[] = {
    {kCheckUseDate, ControlKind::Button, "ABC", LabelMode::NoLabel, "CheckWin.UseStandardDate"},
};

const ControlLine kOnDemandButtons[] = {
    {kCheckClose, ControlKind::Button, "DE", LabelMode::NoLabel, "CheckWin.Close"},
};

constexpr int kIconSize = 20;
constexpr int kLayoutBatch = 100;
constexpr std::size_t kFirstLines = 200;
constexpr std::size_t kLinesPerSlice = 500;

// Errors first, then warnings, each in the order the check found them.
std::vector<const CheckFinding*> errors_first(const std::vector<CheckFinding>& findings) {
    std::vector<const CheckFinding*> order;
    order.reserve(findings.size());
    for (const CheckFinding& f : findings)
        order.push_back(&f);
    std::stable_partition(order.begin(), order.end(),
                          [](const CheckFinding* f) { return f->level == CheckLevel::Error; });
    return order;
}

} // namespace

CheckWindow::CheckWindow(QWidget* parent, Doc& doc, const std::vector<CheckFinding>& findings,
                         Texts& texts, CheckMode mode)
    : QDialog(parent), doc_(doc), texts_(texts) {
    setWindowTitle(to_q(texts.get("CheckWin.Title")));
    GadgetLayout layout = layout_new(kCheckWindowWidth);
    layout_build(*this, layout, kCheckLines, texts, controls_);
    const std::string mask = check_proposed_date_mask(findings);
    if (!mask.empty()) {
        layout_build(*this, layout, kDateMaskLine, texts, controls_);
        connect(controls_.get<QPushButton>(kCheckUseDate), &QPushButton::clicked, this,
                [this, &doc, mask] {
                    check_use_date_mask(doc, mask);
                    choose(CheckAnswer::DateMask);
                });
    }
    const bool publishing = mode == CheckMode::BeforePublish;
    if (publishing)
        layout_build(*this, layout, kBeforePublishButtons, texts, controls_);
    else
        layout_build(*this, layout, kOnDemandButtons, texts, controls_);
    setFixedSize(kCheckWindowWidth, layout.MaxY);

    auto* intro = controls_.get<QLabel>(kCheckIntro);
    intro->setWordWrap(true);
    intro->setText(to_q(texts.get(publishing ? "CheckWin.BeforePublish" : "CheckWin.OnDemand")));
    controls_.get<QLabel>(kCheckHint)->setWordWrap(true);

    // Each line as high as its whole text wrapped to the list's width.
    QListWidget* view = list();
    view->setWordWrap(true);
    view->setTextElideMode(Qt::ElideNone);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setResizeMode(QListView::Adjust);
    view->setIconSize(QSize(kIconSize, kIconSize));
    view->setSpacing(2);
    // Wrapping tens of thousands of lines takes seconds: they are laid out a batch at a time
    // between events, so the window answers while the scroll bar grows.
    view->setLayoutMode(QListView::Batched);
    view->setBatchSize(kLayoutBatch);
    error_icon_ = style()->standardIcon(QStyle::SP_MessageBoxCritical);
    warning_icon_ = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    findings_.reserve(findings.size());
    std::size_t errors = 0;
    for (const CheckFinding* f : errors_first(findings)) {
        errors += f->level == CheckLevel::Error ? 1 : 0;
        findings_.push_back(*f);
    }
    // The first lines come at once; the others are worded in slices between events, so a feed
    // with tens of thousands of findings opens its window without a pause, and join the list
    // together.
    fill(kFirstLines);
    show_pending();
    if (filled_ < findings_.size()) {
        auto* filler = new QTimer(this);
        connect(filler, &QTimer::timeout, this, [this, filler] {
            fill(kLinesPerSlice);
            if (filled_ == findings_.size()) {
                filler->stop();
                show_pending();
            }
        });
        filler->start(0);
    }
    controls_.get<QLabel>(kCheckSummary)
        ->setText(to_q(texts.get("CheckWin.Summary", {std::to_string(errors),
                                                      std::to_string(findings.size() - errors)})));
    if (!findings_.empty())
        view->setCurrentRow(0);
    connect(view, &QListWidget::itemDoubleClicked, this,
            [this](const QListWidgetItem* item) { choose_line(item); });
    view->installEventFilter(this);

    if (publishing) {
        auto* publish = controls_.get<QPushButton>(kCheckPublish);
        auto* back = controls_.get<QPushButton>(kCheckBack);
        connect(publish, &QPushButton::clicked, this, [this] { choose(CheckAnswer::Publish); });
        connect(back, &QPushButton::clicked, this, [this] { choose(CheckAnswer::Back); });
        // An error makes the directories refuse the feed: Return alone must not publish it.
        (check_has_error(findings) ? back : publish)->setDefault(true);
    } else {
        auto* close = controls_.get<QPushButton>(kCheckClose);
        connect(close, &QPushButton::clicked, this, [this] { choose(CheckAnswer::Back); });
        close->setDefault(true);
    }
    view->setFocus(Qt::OtherFocusReason);
}

void CheckWindow::fill(std::size_t count) {
    for (const std::size_t end = std::min(findings_.size(), filled_ + count); filled_ < end;
         ++filled_)
        pending_ << to_q(check_text(doc_, findings_[filled_], texts_));
}

void CheckWindow::show_pending() {
    QListWidget* view = list();
    const int first = view->count();
    // One insertion for all: the list lays itself out again after each.
    view->addItems(pending_);
    pending_.clear();
    // Read by the list when it lays the lines out; a change signal per line would have it lay
    // out the whole list again for each.
    const QSignalBlocker quiet(view->model());
    for (int row = first; row < view->count(); ++row) {
        const CheckFinding& f = findings_[static_cast<std::size_t>(row)];
        QListWidgetItem* item = view->item(row);
        item->setIcon(f.level == CheckLevel::Error ? error_icon_ : warning_icon_);
        // A finding that names no episode of this document stands for the channel, as its text.
        const bool episode = f.feed >= 0 && static_cast<std::size_t>(f.feed) < doc_.Feeds.size();
        item->setData(Qt::UserRole, episode ? f.feed : -1);
    }
    // The insertion starts the layout over; its first batch is laid out now, so the lines on
    // show never blank while the rest follow between events.
    view->doItemsLayout();
}

QListWidget* CheckWindow::list() const {
    return controls_.get<QListWidget>(kCheckList);
}

bool CheckWindow::eventFilter(QObject* watched, QEvent* event) {
    // Return on an episode's line chooses it; on the channel's it falls to the default button.
    if (watched == list() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = key->modifiers() == Qt::NoModifier ||
                           (key->modifiers() == Qt::KeypadModifier && key->key() == Qt::Key_Enter);
        if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            choose_line(list()->currentItem()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CheckWindow::choose(CheckAnswer answer, int feed) {
    choice_ = {answer, feed};
    done(answer == CheckAnswer::Publish ? Accepted : Rejected);
}

bool CheckWindow::choose_line(const QListWidgetItem* item) {
    if (item == nullptr)
        return false;
    const int feed = item->data(Qt::UserRole).toInt();
    if (feed < 0)
        return false;
    choose(CheckAnswer::ShowFeed, feed);
    return true;
}

CheckChoice check_window_run(Doc& doc, const std::vector<CheckFinding>& findings, Texts& texts,
                             CheckMode mode, QWidget* owner) {
    QWidget* window = owner != nullptr ? owner->window() : nullptr;
    const QPointer<QWidget> focused = Window_Disable(window);
    CheckChoice choice;
    {
        CheckWindow check(window, doc, findings, texts, mode);
        // A child window of the disabled owner starts disabled too.
        check.setEnabled(true);
        check.exec();
        choice = check.choice();
    }
    Window_Enable(focused, window);
    return choice;
}

} // namespace qp::ui
