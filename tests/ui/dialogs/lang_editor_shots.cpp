// Writes a PNG of the language editor in French and in English, with a stored text and a row
// without a text: lang_editor_shots OUTPUT_FOLDER SOURCE_DIR.
#include "ui/context/app_context.h"
#include "ui/dialogs/lang_editor.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>

#include <cstdio>

using namespace qp::ui;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3)
        return 64;
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    const std::string source = argv[2];
    for (const char* language : {"français", "english"}) {
        AppContext ctx(qp::Paths("/tmp/", "/tmp/", "/opt/", ""));
        ctx.lang.set_folders({source + "/data/Lang/"});
        ctx.lang.Lang_Select(language);
        LangEditor editor(ctx, language, nullptr);
        editor.show();
        QApplication::processEvents();
        const int row = editor.list()->currentRow();
        editor.field()->setText(editor.field()->text() + " *");
        editor.LangEdit_ShowText(TextAction::Store);
        editor.list()->setCurrentRow(row);
        QApplication::processEvents();
        const QString path = out + "/lang-editor-" + (language[0] == 'e' ? "en" : "fr") + ".png";
        editor.grab().save(path);
        std::printf("%s\n", path.toLocal8Bit().constData());
    }
    return 0;
}
