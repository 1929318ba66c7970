// A small JSON writer for the tool's machine-readable output and the chapters file: commas and
// nesting are tracked here, and every text goes through one escaping function.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qp {

// The text as a JSON string literal, quotes included. Invalid UTF-8 becomes U+FFFD, so the
// output is always valid UTF-8.
std::string json_quote(std::string_view text);

class JsonWriter {
public:
    void begin_object();
    void end_object();
    void begin_array();
    void end_array();
    // Names the next value inside an object.
    void key(std::string_view name);
    void value(std::string_view text);
    void value(const char* text) { value(std::string_view(text)); }
    void value(std::int64_t number);
    void value(bool flag);
    // A number with a fraction, in the shortest form that reads back as the same double; one that
    // is not finite, which JSON cannot hold, is written as 0.
    void decimal(double number);
    void null();

    const std::string& str() const { return out_; }

private:
    void before_value();

    std::string out_;
    // One entry per open object or array: true until its first member is written.
    std::vector<bool> first_;
    bool after_key_ = false;
};

} // namespace qp
