// Acting inside a real modal window: the action runs once the window is up, then the caller's
// exec() returns when the action closes it.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace qp::test {

inline void when_modal(std::function<void(QWidget*)> act, int tries = 200) {
    QTimer::singleShot(10, [act = std::move(act), tries]() mutable {
        if (QWidget* w = QApplication::activeModalWidget())
            act(w);
        else if (tries > 0)
            when_modal(std::move(act), tries - 1);
    });
}

} // namespace qp::test
