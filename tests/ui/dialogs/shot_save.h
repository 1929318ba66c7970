// What every picture program does with a window: writes it as a PNG and prints where.
#pragma once

#include <QString>
#include <QWidget>

#include <cstdio>

namespace qp::test {

inline void save_shot(QWidget* w, const QString& path) {
    w->grab().save(path);
    std::printf("%s\n", path.toLocal8Bit().constData());
}

} // namespace qp::test
