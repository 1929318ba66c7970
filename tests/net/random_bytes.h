// Bytes no transfer could pass by luck, the same on every run for a given seed.
#pragma once

#include <cstddef>
#include <random>
#include <string>

namespace qp::test {

inline std::string random_bytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator());
    return bytes;
}

} // namespace qp::test
