#pragma once

#include <cstdint>

namespace quenbo::sandbox {

// SplitMix64: a fixed generator written out here so that the same seed gives the same
// catalogue and pictures on every platform and library version.
class Prng {
public:
    explicit Prng(std::uint64_t seed)
        : m_state(seed)
    {
    }

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // A value in [0, bound); bound must be positive. The slight modulo bias does not matter
    // for sample data.
    std::uint32_t below(std::uint32_t bound) { return static_cast<std::uint32_t>(next() % bound); }

    // A value in [low, high], both inclusive.
    int between(int low, int high)
    {
        return low + static_cast<int>(below(static_cast<std::uint32_t>(high - low + 1)));
    }

    // True with the chance of one in n.
    bool oneIn(std::uint32_t n) { return below(n) == 0; }

private:
    std::uint64_t m_state;
};

}  // namespace quenbo::sandbox
