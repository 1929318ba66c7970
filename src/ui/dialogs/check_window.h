// The check window (window 2600): what the podcast directories will say of a feed, errors first,
// each with its icon and its whole text. Before publishing it asks whether to publish anyway;
// on demand it only shows. A double-click or Return on an episode's line closes it and names
// that episode, so the user lands on what to fix.
#pragma once

#include "core/document.h"
#include "core/feed_check.h"
#include "ui/common/control_registry.h"

#include <QDialog>
#include <QIcon>
#include <QStringList>

#include <vector>

class QListWidget;
class QListWidgetItem;

namespace qp {
class Texts;
}

namespace qp::ui {

inline constexpr int kCheckWindow = 2600;
inline constexpr int kCheckWindowWidth = 480;
inline constexpr int kCheckIntro = 2601;
inline constexpr int kCheckSummary = 2602;
inline constexpr int kCheckList = 2603;
inline constexpr int kCheckHint = 2604;
inline constexpr int kCheckPublish = 2605;
inline constexpr int kCheckBack = 2606;
inline constexpr int kCheckClose = 2607;
inline constexpr int kCheckUseDate = 2608;

enum class CheckMode {
    BeforePublish, // "Publish anyway" and "Go back"
    OnDemand,      // "Close"
};

enum class CheckAnswer {
    Publish,  // publish anyway
    Back,     // go back, or close: Escape and the close box too
    ShowFeed, // an episode's line was chosen
    DateMask, // the proposed date mask was given to the document, which is now modified
};

struct CheckChoice {
    CheckAnswer answer = CheckAnswer::Back;
    int feed = -1; // the chosen episode's index in doc.Feeds with ShowFeed
};

class CheckWindow final : public QDialog {
    Q_OBJECT
public:
    // findings as feed_check gives them; the list shows the errors first, each level in the
    // document's order. The document changes only through the date mask action.
    CheckWindow(QWidget* parent, Doc& doc, const std::vector<CheckFinding>& findings, Texts& texts,
                CheckMode mode);

    QWidget* control(int number) const { return controls_.widget(number); }
    QListWidget* list() const;
    CheckChoice choice() const { return choice_; }
    // Whether lines are still being added to the list.
    bool filling() const { return filled_ < findings_.size() || !pending_.isEmpty(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void choose(CheckAnswer answer, int feed = -1);
    // Closes on an episode's line; a channel's line names nothing to select.
    bool choose_line(const QListWidgetItem* item);

    // Words up to count more findings, in the order of findings_; show_pending adds them to the
    // list.
    void fill(std::size_t count);
    void show_pending();

    Doc& doc_;
    Texts& texts_;
    std::vector<CheckFinding> findings_; // errors first
    std::size_t filled_ = 0;             // findings worded
    QStringList pending_;                // worded, not yet in the list
    QIcon error_icon_;
    QIcon warning_icon_;
    ControlRegistry controls_;
    CheckChoice choice_;
};

// Runs the window modal to owner (disabled meanwhile) and returns what the user chose.
CheckChoice check_window_run(Doc& doc, const std::vector<CheckFinding>& findings, Texts& texts,
                             CheckMode mode, QWidget* owner);

} // namespace qp::ui
