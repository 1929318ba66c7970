// The read-only text window (window 124) that shows the help text, the history and the log.
#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;

namespace qp {
class Log;
}

namespace qp::ui {

inline constexpr int kTextWindowId = 124;
inline constexpr int kTextWindowEditor = 126;

// TextWindow_Open: as wide as the given inner width, its editor placed ten rows high one row
// down, centred on the parent. Escape and the close box close it.
class TextWindow : public QDialog {
    Q_OBJECT
public:
    TextWindow(QWidget* parent, const QString& title, int inner_width);
    QPlainTextEdit* editor() const { return editor_; }

private:
    QPlainTextEdit* editor_;
};

// Shows text (CR LF or LF line ends) modally to parent, with the parent's inner width (600
// without a parent), the editor focused; returns when the window is closed.
void TextWindow_Show(QWidget* parent, const QString& title, const QString& text);

// Log_Show: the header lines and the lines not yet written to the file, titled
// "Log - " + app_title.
void Log_Show(QWidget* parent, const Log& log, const QString& app_title);

} // namespace qp::ui
