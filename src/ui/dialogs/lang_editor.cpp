#include "ui/dialogs/lang_editor.h"

#include "core/layout.h"
#include "ui/common/layout_bridge.h"
#include "ui/common/qt_text.h"
#include "ui/common/window_state.h"
#include "ui/context/app_context.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>

namespace qp::ui {

namespace {

constexpr int kWidth = 400;

const ControlLine kLines[] = {
    {kLangEditPrior, ControlKind::Button, "ABCDE", LabelMode::NoLabel, "LangEdit.Prior"},
    {kLangEditNext, ControlKind::Button, "ABCDE", LabelMode::NoLabel, "LangEdit.Next"},
    {kLangEditDelete, ControlKind::Button, "ABCDE", LabelMode::NoLabel, "LangEdit.DelLabel"},
    {kLangEditList, ControlKind::ListBox, "ABCDE", LabelMode::WithLabel, "LangEdit.LabelList"},
    {kLangEditText, ControlKind::Edit, "CDE", LabelMode::WithLabel, "LangEdit.Text"},
    {kLangEditUpdate, ControlKind::Button, "", LabelMode::NoLabel, "LangEdit.UpdateText"},
    {kLangEditQuitAndSave, ControlKind::Button, "", LabelMode::NoLabel, "LangEdit.QuitAndSave"},
    {kLangEditQuit, ControlKind::Button, "", LabelMode::NoLabel, "LangEdit.Quit"},
};

} // namespace

LangEditor::LangEditor(AppContext& ctx, std::string language, QWidget* owner)
    : QDialog(owner), ctx_(ctx), language_(std::move(language)), rows_(ctx.lang) {
    setModal(true);
    setWindowTitle(to_q(ctx_.lang.get("LangEdit.Title")));
    GadgetLayout layout = layout_new(kWidth);
    layout_build(*this, layout, kLines, ctx_.lang, controls_);
    setFixedSize(kWidth, layout.MaxY);
    if (owner != nullptr)
        move(owner->frameGeometry().center() - QPoint(width() / 2, height() / 2));

    list_ = controls_.get<QListWidget>(kLangEditList);
    field_ = controls_.get<QLineEdit>(kLangEditText);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    // The list is one row high: a horizontal scroll bar would cover that row.
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(list_, &QListWidget::itemSelectionChanged, this,
            [this] { (void)LangEdit_Gadget(kLangEditList); });
    for (const int number : {kLangEditUpdate, kLangEditDelete, kLangEditPrior, kLangEditNext,
                             kLangEditQuitAndSave, kLangEditQuit}) {
        auto* button = controls_.get<QPushButton>(number);
        // Return is the window's key, not that of whichever button has the focus.
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, number] {
            if (LangEdit_Gadget(number))
                accept();
        });
    }
    // A click on these leaves the focus where it was, so a search steps on from the row the
    // list shows instead of sticking on a row that is already missing its text.
    for (const int number : {kLangEditDelete, kLangEditPrior, kLangEditNext})
        controls_.widget(number)->setFocusPolicy(Qt::TabFocus);

    const std::pair<QKeySequence, int> keys[] = {
        {QKeySequence(Qt::Key_Return), kLangEditReturn},
        {QKeySequence(Qt::Key_Enter), kLangEditReturn},
        {QKeySequence(Qt::CTRL | Qt::Key_Up), kLangEditUp},
        {QKeySequence(Qt::CTRL | Qt::Key_Down), kLangEditDown},
    };
    for (const auto& key : keys) {
        auto* shortcut = new QShortcut(key.first, this);
        const int event = key.second;
        connect(shortcut, &QShortcut::activated, this, [this, event] { LangEdit_Menu(event); });
    }

    LangEdit_FillList(0);
    LangEdit_ShowText(TextAction::Show);
    list_->setFocus();
}

void LangEditor::select_row(int row) {
    if (row >= 0 && row < list_->count()) {
        list_->setCurrentRow(row);
    } else {
        list_->setCurrentRow(-1);
        list_->clearSelection();
    }
}

int LangEditor::selected_row() const {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? -1 : list_->row(selected.front());
}

void LangEditor::LangEdit_FillList(int row) {
    rows_.fill();
    const QSignalBlocker quiet(list_);
    list_->clear();
    // Each row fills the list, so the one row it shows is never cut.
    const int height = list_->contentsRect().height();
    for (int i = 0; i < rows_.size(); ++i) {
        auto* item = new QListWidgetItem(to_q(rows_.item_text(i)), list_);
        item->setSizeHint(QSize(1, height));
    }
    select_row(row);
}

void LangEditor::LangEdit_ShowText(TextAction action) {
    const int row = selected_row();
    const LangEntry* entry = rows_.entry(row);
    if (entry == nullptr)
        return;
    if (action == TextAction::Show) {
        field_->setText(to_q(entry->Text));
        return;
    }
    (void)rows_.store(row, from_q(field_->text()));
    list_->item(row)->setText(to_q(rows_.item_text(row)));
    select_row(row);
    list_->setFocus();
}

void LangEditor::LangEdit_FindEmpty(int direction) {
    int from = selected_row();
    if (focusWidget() == list_)
        from += direction;
    const int found = from >= 0 ? rows_.find_missing(from, direction) : -1;
    if (found < 0)
        return;
    select_row(found);
    LangEdit_ShowText(TextAction::Show);
    list_->setFocus();
}

void LangEditor::LangEdit_DeleteLabel() {
    const int row = selected_row();
    rows_.remove(row);
    LangEdit_FillList(row - 1);
    LangEdit_ShowText(TextAction::Show);
    list_->setFocus();
}

bool LangEditor::LangEdit_Gadget(int control) {
    switch (control) {
    case kLangEditNext:
        LangEdit_FindEmpty(1);
        break;
    case kLangEditPrior:
        LangEdit_FindEmpty(-1);
        break;
    case kLangEditDelete:
        LangEdit_DeleteLabel();
        break;
    case kLangEditList:
        LangEdit_ShowText(TextAction::Show);
        break;
    case kLangEditUpdate:
        LangEdit_ShowText(TextAction::Store);
        break;
    case kLangEditQuit:
        return true;
    case kLangEditQuitAndSave: {
        const std::string error = ctx_.lang.Lang_Save(language_);
        if (error.empty())
            return true;
        ctx_.log.add("! LangEdit: " + error);
        // The rows name their entries by key, so the sorting done by the save and keys the
        // message looks up on its way leave them pointing at the right texts.
        ctx_.requester->RequestMessage(to_q(ctx_.lang.get("Msg.Error")),
                                       to_q(ctx_.lang.get("LangEdit.SaveError")),
                                       RequestButtons::Ok, this);
        break;
    }
    default:
        break;
    }
    return false;
}

void LangEditor::LangEdit_Menu(int event) {
    switch (event) {
    case kLangEditDown:
        LangEdit_FindEmpty(1);
        break;
    case kLangEditUp:
        LangEdit_FindEmpty(-1);
        break;
    case kLangEditReturn:
        if (focusWidget() == field_ || focusWidget() == control(kLangEditUpdate))
            LangEdit_ShowText(TextAction::Store);
        break;
    default:
        break;
    }
}

void LangEdit_Run(AppContext& ctx, std::string_view language, QWidget* owner) {
    const QPointer<QWidget> focused = Window_Disable(owner);
    {
        LangEditor editor(ctx, std::string(language), owner);
        // A child window of the disabled owner starts disabled too.
        editor.setEnabled(true);
        editor.exec();
    }
    Window_Enable(focused, owner);
}

} // namespace qp::ui
