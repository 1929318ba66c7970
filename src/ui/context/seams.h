// The modal windows a command may open, behind small interfaces: the program uses the real
// dialogs, a test loads the next answers, so no test ever waits on a modal window.
#pragma once

#include <QString>

class QWidget;

namespace qp::ui {

// The buttons of the program's message box.
enum class RequestButtons {
    Ok,
    YesNo,
    YesNoDefaultNo, // No is the default button, for a question where Yes takes a risk
    YesNoCancel,
};
// What the user answered: Ok answers Yes, and the window's close request Cancel.
enum class RequestAnswer { Yes, No, Cancel };

class Requester {
public:
    virtual ~Requester() = default;
    // Modal to parent (the main window when null).
    virtual RequestAnswer RequestMessage(const QString& title, const QString& text,
                                         RequestButtons buttons, QWidget* parent) = 0;
};

class FilePicker {
public:
    virtual ~FilePicker() = default;
    // The chosen file's path, or an empty text when the user cancelled.
    virtual QString open_file(QWidget* parent, const QString& title, const QString& folder,
                              const QString& filter) = 0;
    virtual QString save_file(QWidget* parent, const QString& title, const QString& file,
                              const QString& filter) = 0;
};

} // namespace qp::ui
