// RandomGenerator: the Mersenne Twister MT19937 with its original 1998 seeding.
#pragma once

#include <array>
#include <cstdint>

namespace advplay::script {

// Games replay the same random sequence for the same seed only if seeding and tempering match the
// original exactly, so this is the 1998 reference generator, not std::mt19937 (whose seeding
// differs).
class RandomGenerator {
public:
    static constexpr std::uint32_t kDefaultSeed = 4357;

    void seed(std::uint32_t seed);
    // The next tempered 32-bit output; an unseeded generator seeds itself with 4357 first.
    std::uint32_t next();

private:
    static constexpr int kSize = 624;
    std::array<std::uint32_t, kSize> m_state {};
    int m_index { kSize + 1 };
};

} // namespace advplay::script
