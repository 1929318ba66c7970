// The modal windows a command may open, behind small interfaces: the program uses the real
// dialogs, a test loads the next answers, so no test ever waits on a modal window.
#pragma once

#include <QString>

class QWidget;

namespace qp::ui {

// Button sets and results of the program's message box.
inline constexpr int kRequestYesNo = 4;
inline constexpr int kRequestYesNoCancel = 3;
inline constexpr int kRequestOk = 0;
// Added to kRequestYesNo: No is the default button, for a question where Yes takes a risk.
inline constexpr int kRequestDefaultNo = 256;
inline constexpr int kAnswerYes = 6; // also Ok
inline constexpr int kAnswerNo = 7;
inline constexpr int kAnswerCancel = 2; // also the window's close request

class Requester {
public:
    virtual ~Requester() = default;
    // Modal to parent (the main window when null); returns kAnswerYes, kAnswerNo or kAnswerCancel.
    virtual int RequestMessage(const QString& title, const QString& text, int buttons,
                               QWidget* parent) = 0;
};

class FilePicker {
public:
    virtual ~FilePicker() = default;
    // The chosen file's path, or an empty text when the user cancelled.
    virtual QString openFile(QWidget* parent, const QString& title, const QString& folder,
                             const QString& filter) = 0;
    virtual QString saveFile(QWidget* parent, const QString& title, const QString& file,
                             const QString& filter) = 0;
};

} // namespace qp::ui
