// Byte scanning and appending for the text conversions that run over whole feeds: runs of
// ordinary bytes are crossed and copied 16 at a time where the compiler offers vectors.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace qp {

#if defined(__GNUC__)
namespace detail {
using ByteVec = unsigned char __attribute__((vector_size(16)));

// Offset of the first of 16 lanes that is set (all bits), 16 when none is.
template <typename Hits> std::size_t first_hit(const Hits& hits) {
    static_assert(sizeof hits == 16);
    std::uint64_t words[2];
    std::memcpy(words, &hits, 16);
    if ((words[0] | words[1]) == 0)
        return 16;
    if constexpr (std::endian::native == std::endian::little)
        return static_cast<std::size_t>(words[0] ? std::countr_zero(words[0])
                                                 : 64 + std::countr_zero(words[1])) /
               8;
    else
        return static_cast<std::size_t>(words[0] ? std::countl_zero(words[0])
                                                 : 64 + std::countl_zero(words[1])) /
               8;
}
} // namespace detail
#endif

// Position of the first byte at or after `from` for which pred holds, or s.size(). pred is
// written once for both a single byte and, on GCC and Clang, a vector of 16 bytes, e.g.
// `[](auto c) { return (c == '&') | (c >= 0x80); }` (bitwise "|", not "||"), so texts with
// long runs of ordinary bytes are crossed 16 bytes at a time.
template <typename Pred> std::size_t find_byte_if(std::string_view s, std::size_t from, Pred pred) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = from;
#if defined(__GNUC__)
    for (; i + 16 <= n; i += 16) {
        detail::ByteVec v;
        std::memcpy(&v, p + i, 16);
        if (const std::size_t k = detail::first_hit(pred(v)); k < 16)
            return i + k;
    }
#endif
    for (; i < n; ++i)
        if (pred(p[i]))
            return i;
    return n;
}

// A replacement of at most eight bytes, padded to eight so that one fixed-size copy writes it.
struct PaddedText {
    std::array<char, 8> bytes{};
    std::size_t len = 0;
};

// The character entity "&name;"; names of up to six letters fit.
constexpr PaddedText entity(std::string_view name) {
    PaddedText t;
    t.bytes[0] = '&';
    for (std::size_t k = 0; k < name.size() && k < 6; ++k)
        t.bytes[k + 1] = name[k];
    t.len = std::min<std::size_t>(name.size(), 6) + 2;
    t.bytes[t.len - 1] = ';';
    return t;
}

// The entities both the HTML of the texts and the XML writer use.
inline constexpr PaddedText kAmpEntity = entity("amp");
inline constexpr PaddedText kLtEntity = entity("lt");
inline constexpr PaddedText kGtEntity = entity("gt");
inline constexpr PaddedText kQuotEntity = entity("quot");

// Appends to a string through a plain pointer: the string is grown ahead of the writes and cut
// to what was written when the appender goes. Between two reserve calls, the puts write at most
// the reserved number of bytes.
class StringAppender {
public:
    StringAppender(std::string& s, std::size_t expected) : s_(s), start_(s.size()) {
        const std::size_t used = s.size();
        s.resize(used + expected);
        p_ = s.data() + used;
        end_ = s.data() + s.size();
    }
    ~StringAppender() { s_.resize(size()); }
    StringAppender(const StringAppender&) = delete;
    StringAppender& operator=(const StringAppender&) = delete;

    // Room for n more bytes.
    void reserve(std::size_t n) {
        if (static_cast<std::size_t>(end_ - p_) < n)
            grow(n);
    }
    void put(std::string_view bytes) {
        if (!bytes.empty())
            std::memcpy(p_, bytes.data(), bytes.size());
        p_ += bytes.size();
    }
    void put(char c) { *p_++ = c; }
    // reserve and put in one.
    void append(std::string_view a, std::string_view b = {}) {
        reserve(a.size() + b.size());
        put(a);
        put(b);
    }
    void append(const PaddedText& text) {
        reserve(8);
        std::memcpy(p_, text.bytes.data(), 8);
        p_ += text.len;
    }
    // Writes n bytes beyond the end without keeping them; advance keeps the first k.
    char* scratch(std::size_t n) {
        reserve(n);
        return p_;
    }
    void advance(std::size_t k) { p_ += k; }
    // Everything in the string so far, what it held before included.
    [[nodiscard]] std::size_t size() const { return static_cast<std::size_t>(p_ - s_.data()); }
    [[nodiscard]] const char* data() const { return s_.data(); }

private:
    void grow(std::size_t n) {
        const std::size_t used = size();
        // The part this appender writes grows geometrically; what the string held before
        // is not counted, so appending to a large string stays cheap.
        s_.resize(used + std::max(n, used - start_ + 64));
        p_ = s_.data() + used;
        end_ = s_.data() + s_.size();
    }

    std::string& s_;
    std::size_t start_;
    char* p_;
    char* end_;
};

// Appends s from `from` up to the first byte for which pred holds (see find_byte_if) and returns
// that byte's position, or s.size() once all of s is appended. The bytes are copied 16 at a time
// while they are looked at, so text between the bytes that matter costs no second pass.
template <typename Pred>
std::size_t copy_until(StringAppender& out, std::string_view s, std::size_t from, Pred pred) {
    const std::size_t n = s.size();
#if defined(__GNUC__)
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    for (; from + 16 <= n; from += 16) {
        detail::ByteVec v;
        std::memcpy(&v, p + from, 16);
        std::memcpy(out.scratch(16), &v, 16);
        const std::size_t k = detail::first_hit(pred(v));
        out.advance(k);
        if (k < 16)
            return from + k;
    }
#endif
    const std::size_t hit = find_byte_if(s, from, pred);
    out.append(s.substr(from, hit - from));
    return hit;
}

} // namespace qp
