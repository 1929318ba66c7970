// The window's side of a secure connection. The sessions ask on their own thread; the user is
// asked on the window thread, through the program's message box, about a server the checks cannot
// vouch for, and told when a server shows another identity than the one accepted before.
#pragma once

#include "core/preferences.h"
#include "net/trust.h"

namespace qp {
class Texts;
}

namespace qp::ui {

class Requester;

// The accepted identities of prefs, with a prompt and a warning that use requester and texts.
// An accepted fingerprint is remembered in prefs and saved at once; on a changed identity the
// user may forget the one accepted before, so the next send asks again. Every argument outlives
// the connections.
net::TrustSettings trust_window_settings(Requester& requester, Texts& texts, Preferences& prefs);

// A fingerprint cut into lines short enough for the message box.
std::string trust_fingerprint_lines(const std::string& fingerprint);

} // namespace qp::ui
