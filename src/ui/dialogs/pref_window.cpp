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
    return fromQ(font.family()) + ";" + std::to_string(size);
}

QFont font_of(const std::string& value, const QFont& fallback) {
    const auto semicolon = value.find(';');
    if (semicolon == std::string::npos)
        return fallback;
    QFont font(fallback);
    font.setFamily(toQ(value.substr(0, semicolon)));
    if (const int size = parse_leading_int32(std::string_view(value).substr(semicolon + 1));
        size > 0)
        font.setPointSize(size);
    return font;
}

void show_list(QListWidget* list, const ListModel& model) {
    if (list->count() != static_cast<int>(model.items.size())) {
        list->clear();
        for (const ListEntry& entry : model.items) {
            auto* item = new QListWidgetItem(toQ(entry.text), list);
            item->setData(Qt::UserRole, static_cast<qint64>(entry.data));
        }
    } else {
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setText(toQ(model.items[static_cast<std::size_t>(i)].text));
    }
    list->setCurrentRow(model.selected);
}

void show_combo(QComboBox* combo, const ListModel& model) {
    if (combo->count() != static_cast<int>(model.items.size())) {
        combo->clear();
        for (const ListEntry& entry : model.items)
            combo->addItem(toQ(entry.text), static_cast<qint64>(entry.data));
    }
    combo->setCurrentIndex(model.selected);
    combo->setEnabled(model.enabled);
}

} // namespace

std::optional<QFont> FontDialog_Choose(QWidget* parent, const QFont& current) {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, current, parent);
    return ok ? std::optional<QFont>(font) : std::nullopt;
}

PrefWindow::PrefWindow(PrefOwner& main, FontChooser choose_font)
    : PropertyDialog(&main.ownerWidget(), main.context().lang, kPrefWindowWidth), main_(main),
      ctx_(main.context()), choose_font_(std::move(choose_font)) {
    setWindowTitle(toQ(ctx_.lang.get("Pref.Title")));
    buildPanel(kPrefPanel, kPages);
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
            Command_Selected();
    });
    connect(set_, &QPushButton::clicked, this, &PrefWindow::Set_Pressed);
    connect(control<QPushButton>(kPrefFontButton), &QPushButton::clicked, this,
            &PrefWindow::Font_Choose);

    const QRect owner = main.ownerWidget().frameGeometry();
    move(owner.center() - QPoint(width() / 2, height() / 2));
}

void PrefWindow::PrefWindow_Fill() {
    Pref_ToGadgets(ctx_.prefs, kWindowPreferences, controls());
    const LanguageList languages = ctx_.lang.Lang_List(ctx_.prefs.fixed().MainLang);
    language_->clear();
    // Each language shows by its own name, capitalised as it is written ("English", "Français").
    for (const std::string& name : languages.names) {
        QString shown = toQ(name);
        if (!shown.isEmpty())
            shown[0] = shown[0].toUpper();
        language_->addItem(shown, toQ(name));
    }
    language_->setCurrentIndex(languages.selected);

    for (const char* action : {"FillKey", "Filllist", "SetCheckBox"})
        (void)Pref_ShortcutPanel(action, edit_, model_, ctx_.prefs, ctx_.lang);
    Panel_Show();
}

void PrefWindow::PrefWindow_Collect() {
    Pref_FromGadgets(ctx_.prefs, kWindowPreferences, controls());
    if (!font_.empty())
        ctx_.prefs.set_preference_value(kEditorFontItem, font_);
    // With no language to offer there is nothing the user chose: the one in use stays.
    if (language_->count() > 0)
        ctx_.prefs.fixed().MainLang = fromQ(language_->currentData().toString());
}

void PrefWindow::Shortcuts_Apply() {
    if (!edit_.differs_from(ctx_.prefs))
        return;
    // The old keys go while the table still holds them.
    main_.Main_RemoveShortcuts();
    (void)Pref_ShortcutPanel("Update", edit_, model_, ctx_.prefs, ctx_.lang);
    main_.Main_ApplyShortcuts();
}

void PrefWindow::Panel_Show() {
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

void PrefWindow::Panel_Read() {
    model_.commands.selected = commands_->currentRow();
    model_.keys.selected = keys_->currentIndex();
    model_.alt = alt_->isChecked();
    model_.ctrl = ctrl_->isChecked();
    model_.shift = shift_->isChecked();
    model_.win = win_->isChecked();
}

void PrefWindow::Command_Selected() {
    Panel_Read();
    (void)Pref_ShortcutPanel("SetCheckBox", edit_, model_, ctx_.prefs, ctx_.lang);
    Panel_Show();
}

void PrefWindow::Set_Pressed() {
    Panel_Read();
    const std::optional<PanelMessage> message =
        Pref_ShortcutPanel("Change", edit_, model_, ctx_.prefs, ctx_.lang);
    Panel_Show();
    if (message)
        ctx_.requester->RequestMessage(toQ(ctx_.lang.get(message->title_key)), toQ(message->text),
                                       RequestButtons::Ok, this);
}

void PrefWindow::Font_Choose() {
    if (!choose_font_)
        return;
    const QFont current = font_.empty() ? main_.editorFont() : font_of(font_, main_.editorFont());
    if (const std::optional<QFont> chosen = choose_font_(this, current))
        font_ = font_value(*chosen);
}

void PrefWindow_Run(PrefOwner& main, const FontChooser& choose_font) {
    AppContext& ctx = main.context();
    QWidget* owner = &main.ownerWidget();
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
                ctx.requester->RequestMessage(toQ(chosen.get("Msg.Info")),
                                              toQ(chosen.get("Msg.ChangeLang")), RequestButtons::Ok,
                                              owner);
            }
            window.Shortcuts_Apply();
            (void)Settings_Save(ctx.prefs, ctx.lang, *ctx.requester, true, owner, &ctx.log);
            main.EditorFont_Load();
        }
    }
    Window_Enable(focused, owner);
}

} // namespace qp::ui
