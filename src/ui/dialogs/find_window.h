// Find and replace in a feed editor: the modal find window, which runs one action and closes, and
// the repeated search of the last text without the window.
#pragma once

#include "ui/common/control_registry.h"

#include <QDialog>
#include <QString>

#include <optional>

class QPlainTextEdit;

namespace qp {
class FindState;
class Texts;
} // namespace qp

namespace qp::ui {

struct AppContext;

// Window and control numbers of the find window.
inline constexpr int kFindWindow = 2000;
inline constexpr int kFindWindowWidth = 400;
inline constexpr int kFindComboText = 2004;
inline constexpr int kFindBoxReplace = 2006;
inline constexpr int kFindEditReplacement = 2008;
inline constexpr int kFindBoxCase = 2010;
inline constexpr int kFindBoxWholeWord = 2012;
inline constexpr int kFindBoxSelection = 2014;
inline constexpr int kFindButtonNext = 2016;
inline constexpr int kFindButtonPrevious = 2018;
inline constexpr int kFindButtonReplaceNext = 2020;
inline constexpr int kFindButtonReplaceAll = 2022;
inline constexpr int kFindButtonCancel = 2024;

enum class FindAction { Next, Previous, ReplaceNext, ReplaceAll };

// What an action searches for, as the window's controls stand when it is chosen.
struct FindRequest {
    QString text;
    QString replacement;
    bool match_case = false;
    bool whole_word = false;
    bool in_selection = false;
};

class FindWindow final : public QDialog {
    Q_OBJECT
public:
    // Filled from the remembered texts and options; without a selection in the editor the
    // selection box is disabled and clear.
    FindWindow(QWidget* parent, Texts& texts, const FindState& state, bool has_selection);

    QWidget* control(int number) const { return controls_.widget(number); }
    FindRequest request() const;
    // The action of Return: that of the focused button, else Replace next when the replace box
    // is ticked, else Next. Empty for Cancel.
    std::optional<FindAction> return_action() const;

signals:
    void action_chosen(qp::ui::FindAction action);

private:
    void set_replacing(bool on);
    void on_return();

    ControlRegistry controls_;
};

// Finds text in the editor from its selection (see find_span), options as FindState keeps them,
// never past limit in a forward search from the caret. Selects the match when select is set.
// Returns the match's start, or -1 with the selection unchanged.
int Find_InEditor(QPlainTextEdit* editor, const QString& text, int scope, int flags, bool select,
                  int limit);

// Runs one action of the window on the editor and remembers its text and options. Replace all
// is one undo step and reports its count through the requester, over parent. Returns the
// match's start, or -1 (always for Replace all, which searches until nothing is left).
int Find_Action(AppContext& ctx, QPlainTextEdit* editor, FindAction action,
                const FindRequest& request, QWidget* parent);

// Opens the find window on the editor with owner disabled meanwhile, and runs the chosen action.
// Returns the match's start, or -1 when nothing was found, searched or chosen.
int Find_Dialog(AppContext& ctx, QPlainTextEdit* editor, QWidget* owner);

// Searches the most recent text again with the remembered options, forward or backward; opens
// the find window when nothing has been searched yet.
int Find_Again(AppContext& ctx, QPlainTextEdit* editor, bool forward, QWidget* owner);

} // namespace qp::ui
