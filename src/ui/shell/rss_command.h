// The RSS command of the main window: the project is saved with the window's questions, the RSS
// file is written beside it, and on the user's word the FTP window publishes both with the
// enclosures.
#pragma once

#include "net/ftp_job.h"

namespace qp::ui {

class MainWindow;

// Rss_Create on the current document. A cancelled file dialog stops it quietly; a failed save or
// RSS file is shown, and nothing is published.
void Rss_Create(MainWindow& window, const net::FtpJobSeams& seams = net::ftp_client_seams());

} // namespace qp::ui
