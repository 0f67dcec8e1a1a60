// RandomGenerator: MT19937 generation and tempering.
#include "script/random_generator.h"

namespace advplay::script {

namespace {

constexpr int kShift = 397;
constexpr std::uint32_t kMatrixA = 0x9908B0DFu;
constexpr std::uint32_t kUpperMask = 0x80000000u;
constexpr std::uint32_t kLowerMask = 0x7FFFFFFFu;

} // namespace

void RandomGenerator::seed(std::uint32_t seed)
{
    // Each word takes the high halves of two successive steps of the 69069 congruential generator.
    for (auto& word : m_state) {
        word = seed & 0xFFFF0000u;
        seed = 69069u * seed + 1u;
        word |= (seed & 0xFFFF0000u) >> 16;
        seed = 69069u * seed + 1u;
    }
    m_index = kSize;
}

std::uint32_t RandomGenerator::next()
{
    if (m_index >= kSize) {
        if (m_index == kSize + 1)
            seed(kDefaultSeed);
        auto twist = [this](int i, int j, int k) {
            std::uint32_t const y = (m_state[i] & kUpperMask) | (m_state[j] & kLowerMask);
            m_state[i] = m_state[k] ^ (y >> 1) ^ ((y & 1u) ? kMatrixA : 0u);
        };
        int i = 0;
        for (; i < kSize - kShift; ++i)
            twist(i, i + 1, i + kShift);
        for (; i < kSize - 1; ++i)
            twist(i, i + 1, i + (kShift - kSize));
        twist(kSize - 1, 0, kShift - 1);
        m_index = 0;
    }
    std::uint32_t y = m_state[m_index++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

} // namespace advplay::script
