#include "core/podcast_guid.h"

#include <bit>

namespace qp {

namespace {

// The namespace UUID that the podcast namespace publishes for feed identities.
constexpr std::array<std::uint8_t, 16> kPodcastNamespace = {
    0xea, 0xd4, 0xc2, 0x36, 0xbf, 0x58, 0x58, 0xc6, 0xa2, 0xc6, 0xa6, 0xb2, 0x8d, 0x12, 0x8c, 0xb6};

void sha1_block(std::array<std::uint32_t, 5>& h, const std::uint8_t* block) {
    std::uint32_t w[80];
    for (std::size_t i = 0; i < 16; ++i)
        w[i] = static_cast<std::uint32_t>(block[4 * i]) << 24 |
               static_cast<std::uint32_t>(block[4 * i + 1]) << 16 |
               static_cast<std::uint32_t>(block[4 * i + 2]) << 8 | block[4 * i + 3];
    for (int i = 16; i < 80; ++i)
        w[i] = std::rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int i = 0; i < 80; ++i) {
        std::uint32_t f = 0;
        std::uint32_t k = 0;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5a827999;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ed9eba1;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8f1bbcdc;
        } else {
            f = b ^ c ^ d;
            k = 0xca62c1d6;
        }
        const std::uint32_t t = std::rotl(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = std::rotl(b, 30);
        b = a;
        a = t;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
}

} // namespace

std::array<std::uint8_t, 20> sha1(std::string_view bytes) {
    std::array<std::uint32_t, 5> h = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476, 0xc3d2e1f0};
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    std::size_t n = bytes.size();
    std::size_t pos = 0;
    for (; n - pos >= 64; pos += 64)
        sha1_block(h, data + pos);
    // The last block holds the rest, the 0x80 marker and the length in bits; it spills into a
    // second block when the rest leaves no room for the length.
    std::uint8_t tail[128] = {};
    const std::size_t rest = n - pos;
    for (std::size_t i = 0; i < rest; ++i)
        tail[i] = data[pos + i];
    tail[rest] = 0x80;
    const std::size_t blocks = rest + 9 > 64 ? 2 : 1;
    const std::uint64_t bits = static_cast<std::uint64_t>(n) * 8;
    for (int i = 0; i < 8; ++i)
        tail[blocks * 64 - 1 - static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(bits >> (8 * i));
    for (std::size_t b = 0; b < blocks; ++b)
        sha1_block(h, tail + 64 * b);
    std::array<std::uint8_t, 20> out{};
    for (int i = 0; i < 20; ++i)
        out[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(h[static_cast<std::size_t>(i / 4)] >> (24 - 8 * (i % 4)));
    return out;
}

std::string podcast_guid(std::string_view feed_url) {
    if (const std::size_t scheme = feed_url.find("://"); scheme != std::string_view::npos)
        feed_url.remove_prefix(scheme + 3);
    while (!feed_url.empty() && feed_url.back() == '/')
        feed_url.remove_suffix(1);
    if (feed_url.empty())
        return {};
    std::string name(kPodcastNamespace.begin(), kPodcastNamespace.end());
    name += feed_url;
    std::array<std::uint8_t, 20> hash = sha1(name);
    hash[6] = static_cast<std::uint8_t>((hash[6] & 0x0f) | 0x50); // version 5
    hash[8] = static_cast<std::uint8_t>((hash[8] & 0x3f) | 0x80); // the RFC 4122 variant
    constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out += '-';
        out += kHex[hash[static_cast<std::size_t>(i)] >> 4];
        out += kHex[hash[static_cast<std::size_t>(i)] & 0x0f];
    }
    return out;
}

} // namespace qp
