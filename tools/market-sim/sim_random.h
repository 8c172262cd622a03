// The simulator's one source of variety: splitmix64, which gives the same
// sequence on every platform and standard library (std::uniform_int_distribution
// does not promise that), so a seed always builds the same catalogue and pages.
// One generator per thread; it is a plain value.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace shelfwatch::sim {

class SplitMix64 {
  public:
    static constexpr std::uint64_t kGamma = 0x9E3779B97F4A7C15ull;

    explicit SplitMix64(std::uint64_t state) : m_state(state) {}

    std::uint64_t next() {
        std::uint64_t z = (m_state += kGamma);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. bound-1
    int below(int bound) { return static_cast<int>(next() % static_cast<std::uint64_t>(bound)); }
    template <typename T, std::size_t N>
    const T& pick(const std::array<T, N>& values) {
        return values[static_cast<std::size_t>(below(static_cast<int>(N)))];
    }

  private:
    std::uint64_t m_state;
};

}  // namespace shelfwatch::sim
