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
    widget->setGeometry(Layout_PlaceControl(columns, layout, label).field);
    widget->setProperty("controlId", id);
}

} // namespace

AboutWindow::AboutWindow(QWidget* parent, LangTable& lang, const QStringList& folders,
                         UrlOpener open)
    : QDialog(parent), open_(std::move(open)), editor_(new QPlainTextEdit(this)),
      ok_(new QPushButton(toQ(lang.Lang_Get("About.ButtonOk")), this)),
      web_(new QPushButton(toQ(lang.Lang_Get("About.ButtonWWW")), this)) {
    setWindowTitle(toQ(lang.Lang_Get("About.Title")));
    GadgetLayout layout = Layout_New(kWidth);
    place(editor_, "ABCDE 2", layout, LabelMode::WithLabel, kAboutEditor);
    place(ok_, "DE", layout, LabelMode::NoLabel, kAboutButtonOk);
    place(web_, "AB -1", layout, LabelMode::NoLabel, kAboutButtonWeb);
    setFixedSize(kWidth, layout.MaxY);

    // The maker's name is a language text, so a French window does not name them in English.
    const std::string maker = lang.Lang_Get("About.Maker");
    QString text = toQ(kProgramNameVersion) + "\n" +
                   toQ(lang.Lang_Get("About.MessageAuthor", maker)) +
                   FileToString(DataFile_Find(folders, "License.Txt"));
    text.replace("%1", toQ(kProgramName)).replace("%2", toQ(maker)).replace("\r\n", "\n");
    editor_->setPlainText(text);
    editor_->setReadOnly(true);
    editor_->setFocus();
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(web_, &QPushButton::clicked, this, &AboutWindow::openWebSite);
}

void AboutWindow::openWebSite() {
    open_(QUrl(kMakerWebSite));
}

void About_Show(QWidget* parent, LangTable& lang, const QStringList& folders,
                const UrlOpener& open) {
    AboutWindow window(parent, lang, folders, open);
    window.exec();
}

} // namespace qp::ui
