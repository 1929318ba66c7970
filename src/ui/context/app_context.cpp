#include "ui/context/app_context.h"

#include "ui/common/qt_text.h"

namespace qp::ui {

AppContext::AppContext(Paths folders) : paths(std::move(folders)), prefs(paths, log) {}

bool settings_save(Preferences& prefs, Texts& texts, Requester& requester, bool force,
                   QWidget* parent, Log* log) {
    const std::string failed = prefs.save_preferences(force);
    if (failed.empty())
        return true;
    if (log)
        log->add("! Error, Not saved " + prefs.settings_path() + ": " + failed);
    requester.RequestMessage(
        to_q(texts.get("Msg.Error")),
        to_q(texts.get("Msg.SettingsNotSaved", {prefs.settings_path(), failed})),
        RequestButtons::Ok, parent);
    return false;
}

} // namespace qp::ui
