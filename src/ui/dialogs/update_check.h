// The update check: the maker's version page is fetched over HTTP while a wait window with a
// working Cancel stays responsive, and its version is compared with this program's.
#pragma once

#include "ui/dialogs/help_windows.h"

#include <string>
#include <string_view>

namespace qp {
class LangTable;
class Log;
class Preferences;
} // namespace qp

namespace qp::ui {

// The preference item that holds the version page's address (window 0, the main window).
inline constexpr int kPrefVersionPage = 190;
inline constexpr std::string_view kPrefVersionPageName = "Main.VersionPage";
inline constexpr std::string_view kDefaultVersionPage =
    "https://quillpost.example.org/Quillpost/index.php";
inline constexpr int kVersionTimeoutMs = 15000;

// Registers the version page's address item with its default; call with the other general
// items, before the preference file is read.
void check_new_version_register(Preferences& prefs);

// The version text of a page: after "version :" (any letter case), the second ":"-separated
// field of the 50 characters from there, up to the first "<", without line breaks and outer
// spaces, with "." turned into ","; empty when the page has no marker.
std::string version_from_page(std::string_view page);
// major.minor of a version text such as "0,29,1306,1200" as one decimal number (0.29): the
// minor number is read as decimal digits after the point, so 0,3 is newer than 0,28. Empty or
// unreadable fields count as 0.
float version_number(std::string_view version);

enum class UpdateCheckOutcome { NewVersion, NoNewVersion, Failed, Cancelled };

struct UpdateCheckSetup {
    QString page_url;                   // the preference item's value
    int timeout_ms = kVersionTimeoutMs; // the whole download
    UrlOpener open = open_with_system;  // opens the page when the user wants the new version
};

// CheckNewVersion: logs its steps, downloads the page to a private temporary file (deleted
// afterwards) while the modal wait window runs, and tells the user the result through the
// requester. Cancel in the wait window stops the download quietly.
UpdateCheckOutcome CheckNewVersion(QWidget* parent, LangTable& lang, Log& log, Requester& requester,
                                   const UpdateCheckSetup& setup);

} // namespace qp::ui
