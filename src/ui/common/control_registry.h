// Controls addressed by their fixed numbers, as preference items and dialogs name them.
#pragma once

#include <QPointer>
#include <QWidget>

#include <map>

namespace qp::ui {

class ControlRegistry {
public:
    // A number names one control; adding it again replaces the earlier one.
    void add(int number, QWidget* control) { controls_[number] = control; }
    // Null when the number names no control or its control is gone.
    QWidget* widget(int number) const {
        const auto it = controls_.find(number);
        return it != controls_.end() ? it->second.data() : nullptr;
    }
    // Null as well when the control is of another kind.
    template <class T> T* get(int number) const { return qobject_cast<T*>(widget(number)); }

private:
    std::map<int, QPointer<QWidget>> controls_;
};

} // namespace qp::ui
