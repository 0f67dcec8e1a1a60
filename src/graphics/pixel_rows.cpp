// Row kernels. Each loop body is straight-line arithmetic on one pixel so that the compiler can run it
// on 8 or 16 pixels at a time: keyed pixels are selected rather than branched around, and fading uses
// 16-bit multiply-high instead of FadeTable lookups (which no vector unit can gather quickly). The
// file is built at -O3, and on x86-64 each kernel exists twice, for AVX2 and for the baseline, chosen
// once at load time.
#include "graphics/pixel_rows.h"

#include "graphics/pixel_math.h"

namespace advplay::graphics::rows {

#if defined(__x86_64__) && defined(__GNUC__)
#define PIXEL_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define PIXEL_LOOP
#endif

PIXEL_LOOP void fill(Pixel* destination, std::int32_t count, Pixel value)
{
    for (std::int32_t i = 0; i < count; ++i)
        destination[i] = value;
}

PIXEL_LOOP void copy_keyed(Pixel* destination, const Pixel* source, std::int32_t count, Pixel key)
{
    for (std::int32_t i = 0; i < count; ++i) {
        Pixel const s = source[i];
        destination[i] = s != key ? s : destination[i];
    }
}

PIXEL_LOOP void fade(
    Pixel* destination, const Pixel* source, std::int32_t count, std::uint32_t level, Pixel add)
{
    if (level >= 31) {
        for (std::int32_t i = 0; i < count; ++i)
            destination[i] = static_cast<Pixel>(source[i] + add);
        return;
    }
    std::uint16_t const m = kFadeMultipliers[level];
    for (std::int32_t i = 0; i < count; ++i)
        destination[i] = static_cast<Pixel>(fade_by(source[i], m) + add);
}

PIXEL_LOOP void fade_keyed(
    Pixel* destination, const Pixel* source, std::int32_t count, std::uint32_t level, Pixel add, Pixel key)
{
    if (level >= 31) {
        for (std::int32_t i = 0; i < count; ++i) {
            Pixel const s = source[i];
            destination[i] = s != key ? static_cast<Pixel>(s + add) : destination[i];
        }
        return;
    }
    std::uint16_t const m = kFadeMultipliers[level];
    for (std::int32_t i = 0; i < count; ++i) {
        Pixel const s = source[i];
        destination[i] = s != key ? static_cast<Pixel>(fade_by(s, m) + add) : destination[i];
    }
}

PIXEL_LOOP void blend(Pixel* destination, const Pixel* source, std::int32_t count, std::uint32_t level)
{
    if (level == 0)
        return;
    if (level >= 31) {
        for (std::int32_t i = 0; i < count; ++i)
            destination[i] = source[i];
        return;
    }
    std::uint16_t const ms = kFadeMultipliers[level];
    std::uint16_t const md = kFadeMultipliers[31 - level];
    for (std::int32_t i = 0; i < count; ++i)
        destination[i] = static_cast<Pixel>(fade_by(source[i], ms) + fade_by(destination[i], md));
}

PIXEL_LOOP void blend_keyed(
    Pixel* destination, const Pixel* source, std::int32_t count, std::uint32_t level, Pixel key)
{
    if (level == 0)
        return;
    if (level >= 31) {
        copy_keyed(destination, source, count, key);
        return;
    }
    std::uint16_t const ms = kFadeMultipliers[level];
    std::uint16_t const md = kFadeMultipliers[31 - level];
    for (std::int32_t i = 0; i < count; ++i) {
        Pixel const s = source[i];
        Pixel const d = destination[i];
        destination[i] = s != key ? static_cast<Pixel>(fade_by(s, ms) + fade_by(d, md)) : d;
    }
}

PIXEL_LOOP void add(Pixel* destination, const Pixel* source, std::int32_t count)
{
    for (std::int32_t i = 0; i < count; ++i)
        destination[i] = saturating_add(destination[i], source[i]);
}

PIXEL_LOOP void add_color(Pixel* destination, std::int32_t count, Pixel color)
{
    for (std::int32_t i = 0; i < count; ++i)
        destination[i] = saturating_add(destination[i], color);
}

PIXEL_LOOP void subtract(Pixel* destination, const Pixel* source, std::int32_t count)
{
    for (std::int32_t i = 0; i < count; ++i)
        destination[i] = saturating_subtract(destination[i], source[i]);
}

PIXEL_LOOP void subtract_color(Pixel* destination, std::int32_t count, Pixel color)
{
    for (std::int32_t i = 0; i < count; ++i)
        destination[i] = saturating_subtract(destination[i], color);
}

PIXEL_LOOP void composite_alpha(
    Pixel* destination, const Pixel* source, const std::uint8_t* alpha, std::int32_t count)
{
    for (std::int32_t i = 0; i < count; ++i)
        destination[i] = alpha_mix(destination[i], source[i], alpha[i]);
}

PIXEL_LOOP void reduce2(
    Pixel* destination, const Pixel* source, std::ptrdiff_t source_pitch, std::int32_t count, Pixel key)
{
    Pixel const* top = source;
    Pixel const* bottom = source + source_pitch;
    for (std::int32_t i = 0; i < count; ++i) {
        Pixel const d = destination[i];
        auto const take = [d, key](Pixel p) { return spread(p != key ? p : d); };
        std::uint32_t const sum
            = take(top[2 * i]) + take(top[2 * i + 1]) + take(bottom[2 * i]) + take(bottom[2 * i + 1]);
        destination[i] = unspread((sum >> 2) & 0x03E07C1Fu);
    }
}

PIXEL_LOOP void reduce3(
    Pixel* destination, const Pixel* source, std::ptrdiff_t source_pitch, std::int32_t count, Pixel key)
{
    for (std::int32_t i = 0; i < count; ++i) {
        Pixel const d = destination[i];
        std::uint32_t red = 0, green = 0, blue = 0;
        for (std::ptrdiff_t row = 0; row < 3; ++row) {
            Pixel const* block = source + row * source_pitch + 3 * i;
            for (int column = 0; column < 3; ++column) {
                Pixel const p = block[column] != key ? block[column] : d;
                red += p >> 10;
                green += (p >> 5) & 31;
                blue += p & 31;
            }
        }
        // Division by the constant 9 compiles to a multiply and a shift.
        destination[i] = static_cast<Pixel>((red / 9) << 10 | (green / 9) << 5 | blue / 9);
    }
}

PIXEL_LOOP void reduce4(
    Pixel* destination, const Pixel* source, std::ptrdiff_t source_pitch, std::int32_t count, Pixel key)
{
    for (std::int32_t i = 0; i < count; ++i) {
        Pixel const d = destination[i];
        std::uint32_t sum = 0;
        for (std::ptrdiff_t row = 0; row < 4; ++row) {
            Pixel const* block = source + row * source_pitch + 4 * i;
            for (int column = 0; column < 4; ++column)
                sum += spread(block[column] != key ? block[column] : d);
        }
        destination[i] = unspread((sum & 0x3E07C1F0u) >> 4);
    }
}

} // namespace advplay::graphics::rows
