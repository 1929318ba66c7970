// The one place where the window layer converts between Qt's strings and the UTF-8 of the core.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace qp::ui {

inline QString to_q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string from_q(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

} // namespace qp::ui
