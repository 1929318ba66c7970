// The RSS command of the main window: the project is saved with the window's questions, the RSS
// file is written beside it, the feed is checked against what the podcast directories accept,
// and on the user's word the FTP window publishes both with the enclosures.
#pragma once

#include "core/feed_check.h"
#include "net/ftp_job.h"
#include "ui/dialogs/check_window.h"

#include <vector>

namespace qp::ui {

class MainWindow;

// Rss_Create on the current document. A cancelled file dialog stops it quietly; a failed save or
// RSS file is shown, and nothing is published. When the check finds anything, the check window
// takes the place of the publish question. Without seams the real client publishes, asking the
// user about a server it cannot verify.
void Rss_Create(MainWindow& window, const net::FtpJobSeams* seams = nullptr);

// The check window over the main window on the document's findings; an episode chosen there is
// selected in the feed list, so the user lands on what to fix. True when the user publishes
// anyway.
bool check_show(MainWindow& window, Doc& doc, const std::vector<CheckFinding>& findings,
                CheckMode mode);

// Checks the current document as it stands, without saving or writing anything, and shows the
// findings, or tells that there are none.
void rss_check(MainWindow& window);

} // namespace qp::ui
