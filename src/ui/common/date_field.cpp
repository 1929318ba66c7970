#include "ui/common/date_field.h"

#include "ui/common/qt_text.h"

namespace qp::ui {

namespace {

struct Token {
    std::string_view mask;
    const char* format;
};

// Longest first, so %yyyy is never read as %yy followed by "yy".
constexpr Token kTokens[] = {{"%yyyy", "yyyy"}, {"%yy", "yy"}, {"%mm", "MM"}, {"%dd", "dd"},
                             {"%hh", "HH"},     {"%ii", "mm"}, {"%ss", "ss"}};

bool starts_with_token(std::string_view text, std::string_view token) {
    if (text.size() < token.size())
        return false;
    for (std::size_t i = 0; i < token.size(); ++i) {
        const char c = text[i];
        const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != token[i])
            return false;
    }
    return true;
}

} // namespace

QString date_mask_to_format(std::string_view mask) {
    QString format;
    QString literal;
    const auto flush = [&] {
        if (literal.isEmpty())
            return;
        // Quotes around literal text; a quote inside is doubled.
        format += '\'' + literal.replace('\'', "''") + '\'';
        literal.clear();
    };
    while (!mask.empty()) {
        const Token* found = nullptr;
        for (const Token& token : kTokens) {
            if (starts_with_token(mask, token.mask)) {
                found = &token;
                break;
            }
        }
        if (found != nullptr) {
            flush();
            format += QLatin1String(found->format);
            mask.remove_prefix(found->mask.size());
            continue;
        }
        // One whole UTF-8 character at a time.
        std::size_t length = 1;
        while (length < mask.size() && (static_cast<unsigned char>(mask[length]) & 0xC0) == 0x80)
            ++length;
        literal += to_q(mask.substr(0, length));
        mask.remove_prefix(length);
    }
    flush();
    return format;
}

DateField::DateField(QWidget* parent, std::string_view mask) : QDateTimeEdit(parent) {
    // The value is wall-clock time with no zone: shown as it stands, never shifted for summer
    // time, and every wall-clock moment exists.
    setTimeSpec(Qt::UTC);
    setDisplayFormat(date_mask_to_format(mask));
    setCalendarPopup(true);
}

void DateField::set_value(DateValue value) {
    const DateFields f = date_fields(value);
    setDateTime(
        QDateTime(QDate(f.year, f.month, f.day), QTime(f.hour, f.minute, f.second), Qt::UTC));
}

DateValue DateField::value() const {
    const QDateTime shown = dateTime();
    const QDate d = shown.date();
    const QTime t = shown.time();
    return date_from_fields(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

} // namespace qp::ui
