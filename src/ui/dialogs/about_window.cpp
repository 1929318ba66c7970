#include "ui/dialogs/about_window.h"

#include "core/language.h"
#include "core/layout.h"
#include "core/version.h"
#include "ui/common/layout_bridge.h"
#include "ui/common/qt_text.h"
#include "ui/dialogs/data_files.h"

#include <QPlainTextEdit>
#include <QPushButton>

namespace qp::ui {

namespace {

constexpr int kWidth = 400;

void place(QWidget* widget, std::string_view columns, GadgetLayout& layout, LabelMode label,
           int id) {
    widget->setGeometry(layout_place_control(columns, layout, label).field);
    widget->setProperty("controlId", id);
}

} // namespace

AboutWindow::AboutWindow(QWidget* parent, LangTable& lang, const QStringList& folders,
                         UrlOpener open)
    : QDialog(parent), open_(std::move(open)), editor_(new QPlainTextEdit(this)),
      ok_(new QPushButton(to_q(lang.Lang_Get("About.ButtonOk")), this)),
      web_(new QPushButton(to_q(lang.Lang_Get("About.ButtonWWW")), this)) {
    setWindowTitle(to_q(lang.Lang_Get("About.Title")));
    GadgetLayout layout = layout_new(kWidth);
    place(editor_, "ABCDE 2", layout, LabelMode::WithLabel, kAboutEditor);
    place(ok_, "DE", layout, LabelMode::NoLabel, kAboutButtonOk);
    place(web_, "AB -1", layout, LabelMode::NoLabel, kAboutButtonWeb);
    setFixedSize(kWidth, layout.MaxY);

    // The maker's name is a language text, so a French window does not name them in English.
    const std::string maker = lang.Lang_Get("About.Maker");
    QString text = to_q(kProgramNameVersion) + "\n" +
                   to_q(lang.Lang_Get("About.MessageAuthor", maker)) +
                   FileToString(data_file_find(folders, "License.Txt"));
    text.replace("%1", to_q(kProgramName)).replace("%2", to_q(maker)).replace("\r\n", "\n");
    editor_->setPlainText(text);
    editor_->setReadOnly(true);
    editor_->setFocus();
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(web_, &QPushButton::clicked, this, &AboutWindow::open_web_site);
}

void AboutWindow::open_web_site() {
    open_(QUrl(kMakerWebSite));
}

void About_Show(QWidget* parent, LangTable& lang, const QStringList& folders,
                const UrlOpener& open) {
    AboutWindow window(parent, lang, folders, open);
    window.exec();
}

} // namespace qp::ui
