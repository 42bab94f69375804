// Bytes no file of the tests' own making would hold by chance, the same for the same seed.
#pragma once

#include <cstddef>
#include <random>
#include <string>

namespace vellum::test {

inline std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    return s;
}

}  // namespace vellum::test
