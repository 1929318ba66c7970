#include "ui/dialogs/pref_window.h"

#include "core/text.h"
#include "ui/common/pref_gadgets.h"
#include "ui/common/qt_text.h"
#include "ui/common/window_state.h"
#include "ui/context/app_context.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

namespace qp::ui {

namespace {

using enum ControlKind;
constexpr LabelMode kLabel = LabelMode::WithLabel;
constexpr LabelMode kNoLabel = LabelMode::NoLabel;

const ControlLine kGeneral[] = {
    {kPrefLanguage, Combo, "CDE", kLabel, "Pref\\General.Lang"},
    {kPrefOnStartOpenLast, CheckBox, "CDE", kNoLabel, "Pref.OnStartOpenLast"},
    {kPrefCheckAddresses, CheckBox, "CDE", kNoLabel, "Pref.CheckAddresses"},
    {kPrefFontButton, Button, "BCD", kNoLabel, "Pref\\General.EditionFont"},
};
const ControlLine kDisplay[] = {
    {kPrefStatusEdit, Edit, "CDE", kLabel, "Pref\\Disp.MaskStatusEdit"},
    {kPrefStatusTree, Edit, "CDE", kLabel, "Pref\\Disp.MakStatusTree"},
};
const ControlLine kShortcut[] = {
    {kPrefShortcutList, ListBox, "ABCDE 3", kLabel, "Pref\\Shortcut.List"},
    {kPrefShortcutAlt, CheckBox, "AB", kNoLabel, "Pref\\Shortcut.Alt"},
    {kPrefShortcutCtrl, CheckBox, "DE -1", kNoLabel, "Pref\\Shortcut.Control"},
    {kPrefShortcutShift, CheckBox, "AB", kNoLabel, "Pref\\Shortcut.Shift"},
    {kPrefShortcutWin, CheckBox, "DE -1", kNoLabel, "Pref\\Shortcut.Win"},
    {kPrefShortcutKey, Combo, "BC", kLabel, "Pref\\Shortcut.Key"},
    {kPrefShortcutSet, Button, "DE -1", kNoLabel, "Pref\\Shortcut.Set"},
};
const PanelPage kPages[] = {
    {"Pref\\General", kGeneral},
    {"Pref\\Display", kDisplay},
    {"Pref\\Shortcut", kShortcut},
};

constexpr int kDefaultFontSize = 10;

// The editor font as its preference item keeps it.
std::string font_value(const QFont& font) {
    const int size = font.pointSize() > 0 ? font.pointSize() : kDefaultFontSize;
    return from_q(font.family()) + ";" + std::to_string(size);
}

QFont font_of(const std::string& value, const QFont& fallback) {
    const auto semicolon = value.find(';');
    if (semicolon == std::string::npos)
        return fallback;
    QFont font(fallback);
    font.setFamily(to_q(value.substr(0, semicolon)));
    if (const int size = parse_leading_int32(std::string_view(value).substr(semicolon + 1));
        size > 0)
        font.setPointSize(size);
    return font;
}

void show_list(QListWidget* list, const ListModel& model) {
    if (list->count() != static_cast<int>(model.items.size())) {
        list->clear();
        for (const ListEntry& entry : model.items) {
            auto* item = new QListWidgetItem(to_q(entry.text), list);
            item->setData(Qt::UserRole, static_cast<qint64>(entry.data));
        }
    } else {
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setText(to_q(model.items[static_cast<std::size_t>(i)].text));
    }
    list->setCurrentRow(model.selected);
}

void show_combo(QComboBox* combo, const ListModel& model) {
    if (combo->count() != static_cast<int>(model.items.size())) {
        combo->clear();
        for (const ListEntry& entry : model.items)
            combo->addItem(to_q(entry.text), static_cast<qint64>(entry.data));
    }
    combo->setCurrentIndex(model.selected);
    combo->setEnabled(model.enabled);
}

} // namespace

std::optional<QFont> font_dialog_choose(QWidget* parent, const QFont& current) {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, current, parent);
    return ok ? std::optional<QFont>(font) : std::nullopt;
}

PrefWindow::PrefWindow(PrefOwner& main, FontChooser choose_font)
    : PropertyDialog(&main.owner_widget(), main.context().lang, kPrefWindowWidth), main_(main),
      ctx_(main.context()), choose_font_(std::move(choose_font)) {
    setWindowTitle(to_q(ctx_.lang.get("Pref.Title")));
    build_panel(kPrefPanel, kPages);
    language_ = control<QComboBox>(kPrefLanguage);
    commands_ = control<QListWidget>(kPrefShortcutList);
    keys_ = control<QComboBox>(kPrefShortcutKey);
    alt_ = control<QCheckBox>(kPrefShortcutAlt);
    ctrl_ = control<QCheckBox>(kPrefShortcutCtrl);
    shift_ = control<QCheckBox>(kPrefShortcutShift);
    win_ = control<QCheckBox>(kPrefShortcutWin);
    set_ = control<QPushButton>(kPrefShortcutSet);

    connect(commands_, &QListWidget::currentRowChanged, this, [this] {
        if (!showing_)
            command_selected();
    });
    connect(set_, &QPushButton::clicked, this, &PrefWindow::set_pressed);
    connect(control<QPushButton>(kPrefFontButton), &QPushButton::clicked, this,
            &PrefWindow::font_choose);

    const QRect owner = main.owner_widget().frameGeometry();
    move(owner.center() - QPoint(width() / 2, height() / 2));
}

void PrefWindow::PrefWindow_Fill() {
    Pref_ToGadgets(ctx_.prefs, kWindowPreferences, controls());
    const LanguageList languages = ctx_.lang.lang_list(ctx_.prefs.fixed().MainLang);
    language_->clear();
    // Each language shows by its own name, capitalised as it is written ("English", "Français").
    for (const std::string& name : languages.names) {
        QString shown = to_q(name);
        if (!shown.isEmpty())
            shown[0] = shown[0].toUpper();
        language_->addItem(shown, to_q(name));
    }
    language_->setCurrentIndex(languages.selected);

    for (const char* action : {"FillKey", "Filllist", "SetCheckBox"})
        (void)Pref_ShortcutPanel(action, edit_, model_, ctx_.prefs, ctx_.lang);
    panel_show();
}

void PrefWindow::PrefWindow_Collect() {
    Pref_FromGadgets(ctx_.prefs, kWindowPreferences, controls());
    if (!font_.empty())
        ctx_.prefs.set_preference_value(kEditorFontItem, font_);
    // With no language to offer there is nothing the user chose: the one in use stays.
    if (language_->count() > 0)
        ctx_.prefs.fixed().MainLang = from_q(language_->currentData().toString());
}

void PrefWindow::shortcuts_apply() {
    if (!edit_.differs_from(ctx_.prefs))
        return;
    // The old keys go while the table still holds them.
    main_.Main_RemoveShortcuts();
    (void)Pref_ShortcutPanel("Update", edit_, model_, ctx_.prefs, ctx_.lang);
    main_.Main_ApplyShortcuts();
}

void PrefWindow::panel_show() {
    showing_ = true;
    show_list(commands_, model_.commands);
    show_combo(keys_, model_.keys);
    const std::pair<QCheckBox*, bool> boxes[] = {
        {alt_, model_.alt}, {ctrl_, model_.ctrl}, {shift_, model_.shift}, {win_, model_.win}};
    for (const auto& [box, ticked] : boxes) {
        box->setChecked(ticked);
        box->setEnabled(model_.modifiers_enabled);
    }
    set_->setEnabled(model_.set_enabled);
    if (model_.commands.focused)
        commands_->setFocus();
    model_.commands.focused = false;
    showing_ = false;
}

void PrefWindow::panel_read() {
    model_.commands.selected = commands_->currentRow();
    model_.keys.selected = keys_->currentIndex();
    model_.alt = alt_->isChecked();
    model_.ctrl = ctrl_->isChecked();
    model_.shift = shift_->isChecked();
    model_.win = win_->isChecked();
}

void PrefWindow::command_selected() {
    panel_read();
    (void)Pref_ShortcutPanel("SetCheckBox", edit_, model_, ctx_.prefs, ctx_.lang);
    panel_show();
}

void PrefWindow::set_pressed() {
    panel_read();
    const std::optional<PanelMessage> message =
        Pref_ShortcutPanel("Change", edit_, model_, ctx_.prefs, ctx_.lang);
    panel_show();
    if (message)
        ctx_.requester->RequestMessage(to_q(ctx_.lang.get(message->title_key)), to_q(message->text),
                                       RequestButtons::Ok, this);
}

void PrefWindow::font_choose() {
    if (!choose_font_)
        return;
    const QFont current = font_.empty() ? main_.editor_font() : font_of(font_, main_.editor_font());
    if (const std::optional<QFont> chosen = choose_font_(this, current))
        font_ = font_value(*chosen);
}

void PrefWindow_Run(PrefOwner& main, const FontChooser& choose_font) {
    AppContext& ctx = main.context();
    QWidget* owner = &main.owner_widget();
    const std::string language = fold_case(ctx.prefs.fixed().MainLang);
    const QPointer<QWidget> focused = Window_Disable(owner);
    {
        PrefWindow window(main, choose_font);
        // A child window of the disabled main window starts disabled too.
        window.setEnabled(true);
        window.PrefWindow_Fill();
        window.panel()->setFocus();
        if (window.exec() == QDialog::Accepted) {
            window.PrefWindow_Collect();
            if (fold_case(ctx.prefs.fixed().MainLang) != language) {
                // Told in the language chosen, the one the user can read.
                LangTable chosen(ctx.lang.folders());
                (void)chosen.Lang_Select(ctx.prefs.fixed().MainLang);
                ctx.requester->RequestMessage(to_q(chosen.get("Msg.Info")),
                                              to_q(chosen.get("Msg.ChangeLang")),
                                              RequestButtons::Ok, owner);
            }
            window.shortcuts_apply();
            (void)settings_save(ctx.prefs, ctx.lang, *ctx.requester, true, owner, &ctx.log);
            main.EditorFont_Load();
        }
    }
    Window_Enable(focused, owner);
}

} // namespace qp::ui
