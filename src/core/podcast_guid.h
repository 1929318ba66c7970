// The identity the podcast namespace gives a feed: a name-based UUID of its address, so every
// program that knows the address finds the same one.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qp {

// SHA-1 of bytes. The UUID below needs it; nothing here relies on it for security.
std::array<std::uint8_t, 20> sha1(std::string_view bytes);

// The version-5 UUID of the feed address with its scheme ("https://" and the like) and its
// trailing slashes removed, in lower-case hex with dashes. Empty for an empty address.
std::string podcast_guid(std::string_view feed_url);

} // namespace qp
