// Writes a PNG of the find window with the replace box clear and ticked, in French and in
// English: find_shots OUTPUT_FOLDER SOURCE_DIR.
#include "core/find_state.h"
#include "core/language.h"
#include "ui/dialogs/find_window.h"
#include "ui/dialogs/shot_save.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>

using namespace qp::ui;

using qp::test::save_shot;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3)
        return 64;
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    const std::string source = argv[2];

    qp::FindState state;
    state.find_remember("podcast", qp::kFindForward, false);
    state.find_remember("episode", qp::kFindForward | qp::kFindMatchCase, false);
    for (const char* language : {"français", "english"}) {
        const QString tag = language[0] == 'e' ? "en" : "fr";
        qp::LangTable lang({source + "/data/Lang/"});
        lang.Lang_Select(language);
        QWidget main;
        main.resize(600, 400);

        FindWindow window(&main, lang, state, true);
        window.show();
        QApplication::processEvents();
        save_shot(&window, out + "/find-" + tag + ".png");
        qobject_cast<QCheckBox*>(window.control(kFindBoxReplace))->setChecked(true);
        qobject_cast<QLineEdit*>(window.control(kFindEditReplacement))->setText("Episode");
        QApplication::processEvents();
        save_shot(&window, out + "/find-replace-" + tag + ".png");
        window.close();
    }
    return 0;
}
