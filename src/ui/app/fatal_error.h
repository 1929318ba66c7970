// The two ways the program stops on trouble it cannot go on from: a fatal start-up error (a
// window, menu or status bar that cannot be made) and a fatal log line. Both show a message and
// end the program with exit status 2.
#pragma once

#include "core/log.h"

#include <QString>

#include <functional>

class QWidget;

namespace qp {
class LangTable;
}

namespace qp::ui {

class Requester;

// Ends the process with a status; the program's default flushes standard output and ends at
// once, without the destructors of a half-built window. Tests pass their own.
using ProgramEnd = std::function<void(int status)>;
void end_program_now(int status);

// FatalError: the fixed text of the code (fatal_error_text) and detail, then the language's
// "must stop" sentence on a line of its own, in the requester titled "Fatal.Title" with the Ok
// button, parent as its parent; then end(2). The log is not flushed and the preferences are not
// saved. Without texts in the language table the French fixed texts are used.
void FatalError(int code, const QString& detail, LangTable& lang, Requester& requester,
                QWidget* parent, const ProgramEnd& end = end_program_now);

// Shows a fatal line's message; the desktop program's is a system message box titled "Error".
using MessageShow = std::function<void(const QString& title, const QString& text)>;
void show_system_message_box(const QString& title, const QString& text);

// The handler for Log::set_fatal_handler: the log has already written the line and
// "!* Error Bug *!" to its file; this shows the line in the message box "Error" and ends with
// status 2. The instance lock goes with the process.
Log::FatalHandler fatal_line_handler(MessageShow show = show_system_message_box,
                                     ProgramEnd end = end_program_now);

} // namespace qp::ui
