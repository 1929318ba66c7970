#include "ui/dialogs/find_window.h"

#include "core/find_state.h"
#include "core/texts.h"
#include "ui/common/combo.h"
#include "ui/common/layout_bridge.h"
#include "ui/common/qt_text.h"
#include "ui/common/window_state.h"
#include "ui/context/app_context.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextDocument>

#include <algorithm>

namespace qp::ui {

namespace {

const ControlLine kFindLines[] = {
    {kFindComboText, ControlKind::EditCombo, "CDE", LabelMode::WithLabel, "FindText.Text"},
    {kFindBoxReplace, ControlKind::CheckBox, "AB", LabelMode::NoLabel, "FindText.ToReplace"},
    {kFindEditReplacement, ControlKind::Edit, "CDE -1", LabelMode::WithLabel,
     "FindText.ReplaceText"},
    {kFindBoxCase, ControlKind::CheckBox, "ABC", LabelMode::NoLabel, "FindText.CheckCase"},
    {kFindBoxWholeWord, ControlKind::CheckBox, "ABC", LabelMode::NoLabel, "FindText.HoleWord"},
    {kFindBoxSelection, ControlKind::CheckBox, "ABC", LabelMode::NoLabel, "FindText.InSelection"},
    {kFindButtonNext, ControlKind::Button, "DE -2", LabelMode::NoLabel, "FindText.Next"},
    {kFindButtonPrevious, ControlKind::Button, "DE", LabelMode::NoLabel, "FindText.Previous"},
    {kFindButtonReplaceNext, ControlKind::Button, "DE", LabelMode::NoLabel, "FindText.ReplaceNext"},
    {kFindButtonReplaceAll, ControlKind::Button, "DE", LabelMode::NoLabel, "FindText.ReplaceAll"},
    {kFindButtonCancel, ControlKind::Button, "AB -1", LabelMode::NoLabel, "FindText.Cancel"},
};

bool ticked(const ControlRegistry& controls, int number) {
    const auto* box = controls.get<QCheckBox>(number);
    return box != nullptr && box->isChecked();
}

QTextDocument::FindFlags document_flags(int flags) {
    QTextDocument::FindFlags options;
    if ((flags & kFindMatchCase) != 0)
        options |= QTextDocument::FindCaseSensitively;
    if ((flags & kFindWholeWord) != 0)
        options |= QTextDocument::FindWholeWords;
    if ((flags & kFindForward) == 0)
        options |= QTextDocument::FindBackward;
    return options;
}

// One undo step of its own, so Undo takes back the replacement and not the typing before it.
void replace_selection(QPlainTextEdit* editor, const QString& replacement) {
    QTextCursor cursor = editor->textCursor();
    cursor.beginEditBlock();
    cursor.insertText(replacement);
    cursor.endEditBlock();
    editor->setTextCursor(cursor);
}

int replace_all(QPlainTextEdit* editor, const FindRequest& request, int flags) {
    QTextCursor caret = editor->textCursor();
    int start = 0;
    int end = -1;
    if (request.in_selection) {
        start = caret.selectionStart();
        end = caret.selectionEnd();
    }
    caret.setPosition(start);
    editor->setTextCursor(caret);
    // Each search starts after the last replacement, so a replacement holding the text is not
    // searched again; the whole run is one undo step.
    int count = 0;
    QTextCursor block(editor->document());
    block.beginEditBlock();
    while (Find_InEditor(editor, request.text, kFindScopeCaret, flags, true, end) >= 0) {
        QTextCursor match = editor->textCursor();
        match.insertText(request.replacement);
        editor->setTextCursor(match);
        ++count;
    }
    block.endEditBlock();
    return count;
}

} // namespace

FindWindow::FindWindow(QWidget* parent, Texts& texts, const FindState& state, bool has_selection)
    : QDialog(parent) {
    setWindowTitle(to_q(texts.get("Title.FindText")));
    GadgetLayout layout = layout_new(kFindWindowWidth);
    layout_build(*this, layout, kFindLines, texts, controls_);
    setFixedSize(kFindWindowWidth, layout.MaxY);
    // The replacement's label shares its row with the replace box; the box stays on top, so a
    // click on its caption still ticks it.
    for (QLabel* label : findChildren<QLabel*>())
        if (label->buddy() == control(kFindEditReplacement))
            label->lower();

    auto* combo = controls_.get<QComboBox>(kFindComboText);
    for (const std::string& text : state.history())
        ItemToCombo(combo, to_q(text), combo->count(), kComboAppend);
    if (combo->count() > 0)
        combo->setCurrentIndex(0);
    controls_.get<QCheckBox>(kFindBoxCase)->setChecked((state.flags() & kFindMatchCase) != 0);
    controls_.get<QCheckBox>(kFindBoxWholeWord)->setChecked((state.flags() & kFindWholeWord) != 0);
    auto* selection = controls_.get<QCheckBox>(kFindBoxSelection);
    selection->setEnabled(has_selection);
    selection->setChecked(has_selection && state.in_selection());

    connect(controls_.get<QCheckBox>(kFindBoxReplace), &QCheckBox::toggled, this,
            &FindWindow::set_replacing);
    const std::pair<int, FindAction> buttons[] = {{kFindButtonNext, FindAction::Next},
                                                  {kFindButtonPrevious, FindAction::Previous},
                                                  {kFindButtonReplaceNext, FindAction::ReplaceNext},
                                                  {kFindButtonReplaceAll, FindAction::ReplaceAll}};
    for (const auto& [number, action] : buttons)
        connect(controls_.get<QPushButton>(number), &QPushButton::clicked, this,
                [this, action = action] { emit action_chosen(action); });
    connect(controls_.get<QPushButton>(kFindButtonCancel), &QPushButton::clicked, this,
            &QDialog::reject);
    // Return is the window's key: its action depends on the focus and the replace box, not on
    // the button that happens to be the default.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter})
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this,
                &FindWindow::on_return);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QDialog::reject);

    set_replacing(false);
    combo->setFocus(Qt::OtherFocusReason);
}

void FindWindow::set_replacing(bool on) {
    for (int number : {kFindEditReplacement, kFindButtonReplaceNext, kFindButtonReplaceAll})
        control(number)->setEnabled(on);
    // The default button shows what Return does.
    controls_.get<QPushButton>(kFindButtonNext)->setDefault(!on);
    controls_.get<QPushButton>(kFindButtonReplaceNext)->setDefault(on);
}

FindRequest FindWindow::request() const {
    FindRequest request;
    request.text = controls_.get<QComboBox>(kFindComboText)->currentText();
    request.replacement = controls_.get<QLineEdit>(kFindEditReplacement)->text();
    request.match_case = ticked(controls_, kFindBoxCase);
    request.whole_word = ticked(controls_, kFindBoxWholeWord);
    request.in_selection = ticked(controls_, kFindBoxSelection);
    return request;
}

std::optional<FindAction> FindWindow::return_action() const {
    const QWidget* focus = focusWidget();
    if (focus == control(kFindButtonCancel))
        return std::nullopt;
    if (focus == control(kFindButtonPrevious))
        return FindAction::Previous;
    if (focus == control(kFindButtonReplaceNext))
        return FindAction::ReplaceNext;
    if (focus == control(kFindButtonReplaceAll))
        return FindAction::ReplaceAll;
    return ticked(controls_, kFindBoxReplace) ? FindAction::ReplaceNext : FindAction::Next;
}

void FindWindow::on_return() {
    if (const auto action = return_action())
        emit action_chosen(*action);
    else
        reject();
}

int Find_InEditor(QPlainTextEdit* editor, const QString& text, int scope, int flags, bool select,
                  int limit) {
    if (editor == nullptr || text.isEmpty())
        return -1;
    const QTextCursor selection = editor->textCursor();
    const FindSpan span =
        find_span(selection.selectionStart(), selection.selectionEnd(), scope, flags, limit);
    const QTextDocument* document = editor->document();
    const int last = document->characterCount() - 1;
    const int low = std::clamp(span.low, 0, last);
    const int high = span.high < 0 ? last : std::min(span.high, last);
    if (low > high)
        return -1;
    const QTextDocument::FindFlags options = document_flags(flags);
    QTextCursor match;
    if (!span.backward) {
        match = document->find(text, low, options);
        // Later matches end later still.
        if (match.isNull() || match.selectionEnd() > high)
            return -1;
    } else {
        // The editor's backward search takes matches that start before high but may end after
        // it; those are stepped over.
        int from = high;
        for (;;) {
            match = document->find(text, from, options);
            if (match.isNull() || match.selectionStart() < low)
                return -1;
            if (match.selectionEnd() <= high)
                break;
            from = match.selectionStart();
        }
    }
    if (select)
        editor->setTextCursor(match);
    return match.selectionStart();
}

int Find_Action(AppContext& ctx, QPlainTextEdit* editor, FindAction action,
                const FindRequest& request, QWidget* parent) {
    if (editor == nullptr || request.text.isEmpty())
        return -1;
    int flags = 0;
    if (action == FindAction::Next || action == FindAction::ReplaceNext)
        flags |= kFindForward;
    if (request.match_case)
        flags |= kFindMatchCase;
    if (request.whole_word)
        flags |= kFindWholeWord;
    const int scope = request.in_selection ? kFindScopeSelection : kFindScopeCaret;
    int result = -1;
    switch (action) {
    case FindAction::Next:
    case FindAction::Previous:
        result = Find_InEditor(editor, request.text, scope, flags, true, -1);
        break;
    case FindAction::ReplaceNext:
        result = Find_InEditor(editor, request.text, scope, flags, true, -1);
        if (result >= 0)
            replace_selection(editor, request.replacement);
        break;
    case FindAction::ReplaceAll: {
        flags |= kFindForward;
        const int count = replace_all(editor, request, flags);
        ctx.requester->RequestMessage(
            to_q(ctx.lang.get("Msg.Info")),
            to_q(ctx.lang.get("FindText.AllReplaced", {std::to_string(count)})), RequestButtons::Ok,
            parent);
        break;
    }
    }
    ctx.find.find_remember(from_q(request.text), flags, request.in_selection);
    return result;
}

int Find_Dialog(AppContext& ctx, QPlainTextEdit* editor, QWidget* owner) {
    if (editor == nullptr)
        return -1;
    const QPointer<QWidget> focused = Window_Disable(owner);
    const bool has_selection = editor->textCursor().hasSelection();
    if (!has_selection)
        ctx.find.clear_in_selection();
    int result = -1;
    {
        FindWindow window(owner, ctx.lang, ctx.find, has_selection);
        // A child window of the disabled owner starts disabled too.
        window.setEnabled(true);
        QObject::connect(&window, &FindWindow::action_chosen, &window, [&](FindAction action) {
            result = Find_Action(ctx, editor, action, window.request(), &window);
            window.accept();
        });
        window.exec();
    }
    Window_Enable(focused, owner);
    return result;
}

int Find_Again(AppContext& ctx, QPlainTextEdit* editor, bool forward, QWidget* owner) {
    if (editor == nullptr)
        return -1;
    if (ctx.find.history().empty())
        return Find_Dialog(ctx, editor, owner);
    const int scope = ctx.find.in_selection() ? kFindScopeSelection : kFindScopeCaret;
    return Find_InEditor(editor, to_q(ctx.find.history().front()), scope,
                         ctx.find.again_flags(forward), true, -1);
}

} // namespace qp::ui
