#include "core/json.h"

#include "core/text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace qp {

std::string json_quote(std::string_view text) {
    const std::string valid = repair_utf8(text);
    std::string out;
    out.reserve(valid.size() + 2);
    out += '"';
    for (const char c : valid) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

void JsonWriter::before_value() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back())
            out_ += ',';
        first_.back() = false;
    }
}

void JsonWriter::begin_object() {
    before_value();
    out_ += '{';
    first_.push_back(true);
}

void JsonWriter::end_object() {
    first_.pop_back();
    out_ += '}';
}

void JsonWriter::begin_array() {
    before_value();
    out_ += '[';
    first_.push_back(true);
}

void JsonWriter::end_array() {
    first_.pop_back();
    out_ += ']';
}

void JsonWriter::key(std::string_view name) {
    before_value();
    out_ += json_quote(name);
    out_ += ':';
    after_key_ = true;
}

void JsonWriter::value(std::string_view text) {
    before_value();
    out_ += json_quote(text);
}

void JsonWriter::value(std::int64_t number) {
    before_value();
    out_ += std::to_string(number);
}

void JsonWriter::value(bool flag) {
    before_value();
    out_ += flag ? "true" : "false";
}

void JsonWriter::decimal(double number) {
    before_value();
    if (!std::isfinite(number))
        number = 0;
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, number);
    out_.append(buf, res.ptr);
}

void JsonWriter::null() {
    before_value();
    out_ += "null";
}

} // namespace qp
