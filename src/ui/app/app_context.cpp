#include "ui/app/app_context.h"

namespace qp::ui {

AppContext::AppContext(Paths folders) : paths(std::move(folders)), prefs(paths, log) {}

} // namespace qp::ui
