// Binds the preference items of a window to its controls: the control whose number is an item's
// Id edits that item.
#pragma once

namespace qp {
class Preferences;
}

namespace qp::ui {

class ControlRegistry;

// Sets the controls from the items of window: a flag ticks its check box, a numeric state
// selects a row of its combo box or list (or ticks a check box), a text fills its text field.
// A control of another kind (a button that opens a chooser, say) is left alone.
void Pref_ToGadgets(Preferences& prefs, int window, const ControlRegistry& controls);

// The reverse: the items of window take the state of their controls, flags as "On" or "Off".
void Pref_FromGadgets(Preferences& prefs, int window, const ControlRegistry& controls);

} // namespace qp::ui
