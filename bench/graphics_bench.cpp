// Measures: the composition routines on full 640 x 480 RGB555 surfaces, building the pixel tables,
// and reduce by 2 from 1280 x 960.
// Anchors: memcpy and std::fill (the physical floor); pixman on x1r5g5b5 images (SRC, OVER with a
// solid and with an a8 mask, ADD, pixman_fill); SDL2 blits between RGB555 surfaces (plain, colour
// key, surface alpha modulation at 200) and from an ARGB8888 surface (per-pixel alpha); a
// FadeTable-lookup blend and a naive per-channel reduce, as the straightforward versions.
// Ratios are measured time over anchor time from the medians of the repetitions (0.5 means twice as
// fast as the anchor); a family measured at several parameters is judged by its slowest member.
#include "graphics/compose.h"
#include "graphics/pixel_tables.h"
#include "graphics/surface.h"

#include "bench_runs.h"

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace advplay::graphics;

constexpr int kWidth = kScreenWidth;
constexpr int kHeight = kScreenHeight;
constexpr Rect kWhole { 0, 0, kWidth, kHeight };
constexpr Pixel kKey = 0x7C1F;
constexpr std::int32_t kLevels[] = { 64, 128, 200 };

// ---------------------------------------------------------------------------------------------------
// Pictures
// ---------------------------------------------------------------------------------------------------

// A busy picture: every channel varies, so no kernel can profit from runs of equal pixels.
Pixel picture_pixel(int x, int y)
{
    return static_cast<Pixel>(((x * 7 + y * 13) ^ (x * y)) & 0x7FFF);
}

// A sprite: a quarter of it is the key, in blocks, as sprites are.
Pixel sprite_pixel(int x, int y)
{
    return (x / 16 + y / 16) % 4 == 0 ? kKey : picture_pixel(y, x);
}

template<typename Make> Surface make_surface(int width, int height, Make make)
{
    Surface surface;
    if (!surface.create(width, height))
        std::abort();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            surface.at(x, y) = make(x, y);
    return surface;
}

Surface background()
{
    return make_surface(kWidth, kHeight, picture_pixel);
}
Surface sprite()
{
    return make_surface(kWidth, kHeight, sprite_pixel);
}

Surface alpha_picture()
{
    Surface surface = sprite();
    if (!surface.create_alpha_mask())
        std::abort();
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            surface.alpha_mask()[y * kWidth + x] = static_cast<std::uint8_t>((x + y) % 3 == 0 ? 0 : x ^ y);
    return surface;
}

void touch(Surface& surface)
{
    benchmark::DoNotOptimize(surface.pixels());
    benchmark::ClobberMemory();
}

// ---------------------------------------------------------------------------------------------------
// The engine's operations
// ---------------------------------------------------------------------------------------------------

void copy(benchmark::State& state)
{
    Surface target = background();
    Surface const source = sprite();
    for (auto _ : state) {
        advplay::graphics::copy(target, kWhole, source, 0, 0);
        touch(target);
    }
}
BENCHMARK(copy);

void fill(benchmark::State& state)
{
    Surface target = background();
    for (auto _ : state) {
        advplay::graphics::fill(target, kWhole, 0x336699);
        touch(target);
    }
}
BENCHMARK(fill);

void copy_keyed(benchmark::State& state)
{
    Surface target = background();
    Surface const source = sprite();
    for (auto _ : state) {
        advplay::graphics::copy_keyed(target, kWhole, source, 0, 0, pixel_to_color(kKey));
        touch(target);
    }
}
BENCHMARK(copy_keyed);

using SourceOperation
    = bool (*)(Surface&, const Rect&, const Surface&, std::int32_t, std::int32_t, std::int32_t);
using KeyedOperation
    = bool (*)(Surface&, const Rect&, const Surface&, std::int32_t, std::int32_t, ColorRef, std::int32_t);
using ColorOperation = bool (*)(Surface&, const Rect&, ColorRef, std::int32_t);

void with_source(benchmark::State& state, SourceOperation operation)
{
    Surface target = background();
    Surface const source = sprite();
    auto const parameter = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        operation(target, kWhole, source, 0, 0, parameter);
        touch(target);
    }
}

void keyed(benchmark::State& state, KeyedOperation operation)
{
    Surface target = background();
    Surface const source = sprite();
    auto const parameter = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        operation(target, kWhole, source, 0, 0, pixel_to_color(kKey), parameter);
        touch(target);
    }
}

void with_color(benchmark::State& state, ColorOperation operation)
{
    Surface target = background();
    auto const parameter = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        operation(target, kWhole, 0x336699, parameter);
        touch(target);
    }
}

void add_levels(benchmark::internal::Benchmark* benchmark)
{
    for (std::int32_t level : kLevels)
        benchmark->Arg(level);
}

BENCHMARK_CAPTURE(with_source, blend, &blend)->Name("blend")->Apply(add_levels);
BENCHMARK_CAPTURE(keyed, blend_keyed, &blend_keyed)->Name("blend_keyed")->Apply(add_levels);
BENCHMARK_CAPTURE(with_color, blend_color, &blend_color)->Name("blend_color")->Apply(add_levels);
BENCHMARK_CAPTURE(with_source, darken, &darken)->Name("darken")->Apply(add_levels);
BENCHMARK_CAPTURE(keyed, darken_keyed, &darken_keyed)->Name("darken_keyed")->Apply(add_levels);
BENCHMARK_CAPTURE(with_color, darken_color, &darken_color)->Name("darken_color")->Apply(add_levels);
BENCHMARK_CAPTURE(with_source, brighten, &brighten)->Name("brighten")->Apply(add_levels);
BENCHMARK_CAPTURE(keyed, brighten_keyed, &brighten_keyed)->Name("brighten_keyed")->Apply(add_levels);
BENCHMARK_CAPTURE(with_color, brighten_color, &brighten_color)->Name("brighten_color")->Apply(add_levels);

void add(benchmark::State& state)
{
    Surface target = background();
    Surface const source = sprite();
    for (auto _ : state) {
        advplay::graphics::add(target, kWhole, source, 0, 0);
        touch(target);
    }
}
BENCHMARK(add);

void subtract(benchmark::State& state)
{
    Surface target = background();
    Surface const source = sprite();
    for (auto _ : state) {
        advplay::graphics::subtract(target, kWhole, source, 0, 0);
        touch(target);
    }
}
BENCHMARK(subtract);

void add_color(benchmark::State& state)
{
    Surface target = background();
    for (auto _ : state) {
        advplay::graphics::add_color(target, kWhole, 0x030201);
        touch(target);
    }
}
BENCHMARK(add_color);

void subtract_color(benchmark::State& state)
{
    Surface target = background();
    for (auto _ : state) {
        advplay::graphics::subtract_color(target, kWhole, 0x030201);
        touch(target);
    }
}
BENCHMARK(subtract_color);

void composite_alpha(benchmark::State& state)
{
    Surface target = background();
    Surface const source = alpha_picture();
    for (auto _ : state) {
        advplay::graphics::composite_alpha(target, kWhole, source, 0, 0);
        touch(target);
    }
}
BENCHMARK(composite_alpha);

void reduce(benchmark::State& state)
{
    auto const factor = static_cast<int>(state.range(0));
    Surface target = background();
    Surface const source = make_surface(kWidth * factor, kHeight * factor, sprite_pixel);
    for (auto _ : state) {
        advplay::graphics::reduce(target, kWhole, source, 0, 0, pixel_to_color(kKey), factor);
        touch(target);
    }
}
BENCHMARK(reduce)->Arg(2)->Arg(3)->Arg(4);

void build_tables(benchmark::State& state)
{
    auto tables = std::make_unique<PixelTables>();
    for (auto _ : state) {
        build_fade_table(tables->fade);
        build_channel_table(tables->channel);
        benchmark::DoNotOptimize(tables.get());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(build_tables);

// ---------------------------------------------------------------------------------------------------
// Anchors: the floor and the straightforward versions
// ---------------------------------------------------------------------------------------------------

void anchor_memcpy(benchmark::State& state)
{
    Surface target = background();
    Surface const source = sprite();
    for (auto _ : state) {
        std::memcpy(target.pixels(), source.pixels(), static_cast<std::size_t>(kHeight) * target.stride());
        touch(target);
    }
}
BENCHMARK(anchor_memcpy);

void anchor_std_fill(benchmark::State& state)
{
    Surface target = background();
    for (auto _ : state) {
        std::fill_n(target.pixels(), static_cast<std::size_t>(kHeight) * target.pitch(), Pixel { 0x1A73 });
        touch(target);
    }
}
BENCHMARK(anchor_std_fill);

void anchor_write_2mib(benchmark::State& state)
{
    std::vector<Pixel> block(kLevelCount * kPixelCount);
    Pixel value = 0;
    for (auto _ : state) {
        std::fill(block.begin(), block.end(), ++value);
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(anchor_write_2mib);

// The blend as FadeTable lookups, two per pixel.
void anchor_table_blend(benchmark::State& state)
{
    auto const tables = build_pixel_tables();
    Surface target = background();
    Surface const source = sprite();
    std::uint32_t const level = 128 * 31 / 255;
    auto const& from = tables->fade[level];
    auto const& onto = tables->fade[31 - level];
    for (auto _ : state) {
        for (int y = 0; y < kHeight; ++y) {
            Pixel* d = target.row(y);
            Pixel const* s = source.row(y);
            for (int x = 0; x < kWidth; ++x)
                d[x] = static_cast<Pixel>(from[s[x]] + onto[d[x]]);
        }
        touch(target);
    }
}
BENCHMARK(anchor_table_blend);

// Reduce by 2 as one would first write it: channels split, summed and divided one by one.
void anchor_naive_reduce(benchmark::State& state)
{
    Surface target = background();
    Surface const source = make_surface(kWidth * 2, kHeight * 2, sprite_pixel);
    for (auto _ : state) {
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                int red = 0, green = 0, blue = 0;
                for (int dy = 0; dy < 2; ++dy) {
                    for (int dx = 0; dx < 2; ++dx) {
                        Pixel p = source.at(2 * x + dx, 2 * y + dy);
                        if (p == kKey)
                            p = target.at(x, y);
                        red += (p >> 10) & 31;
                        green += (p >> 5) & 31;
                        blue += p & 31;
                    }
                }
                target.at(x, y) = static_cast<Pixel>((red / 4) << 10 | (green / 4) << 5 | blue / 4);
            }
        }
        touch(target);
    }
}
BENCHMARK(anchor_naive_reduce);

// ---------------------------------------------------------------------------------------------------
// Anchors: pixman
// ---------------------------------------------------------------------------------------------------

struct PixmanImage {
    explicit PixmanImage(Surface& surface)
        : image(pixman_image_create_bits(PIXMAN_x1r5g5b5, surface.width(), surface.height(),
            reinterpret_cast<std::uint32_t*>(surface.pixels()), surface.stride()))
    {
    }
    ~PixmanImage() { pixman_image_unref(image); }
    PixmanImage(const PixmanImage&) = delete;
    PixmanImage& operator=(const PixmanImage&) = delete;
    pixman_image_t* image;
};

void pixman_composite(benchmark::State& state, pixman_op_t op, pixman_image_t* mask)
{
    Surface target = background();
    Surface source = sprite();
    PixmanImage const destination_image(target);
    PixmanImage const source_image(source);
    for (auto _ : state) {
        pixman_image_composite32(
            op, source_image.image, mask, destination_image.image, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
        touch(target);
    }
}

void anchor_pixman_src(benchmark::State& state)
{
    pixman_composite(state, PIXMAN_OP_SRC, nullptr);
}
BENCHMARK(anchor_pixman_src);

void anchor_pixman_over_solid(benchmark::State& state)
{
    pixman_color_t const color { 0, 0, 0, 200 * 257 };
    pixman_image_t* mask = pixman_image_create_solid_fill(&color);
    pixman_composite(state, PIXMAN_OP_OVER, mask);
    pixman_image_unref(mask);
}
BENCHMARK(anchor_pixman_over_solid);

void anchor_pixman_over_a8(benchmark::State& state)
{
    std::vector<std::uint32_t> alpha(kWidth * kHeight / 4);
    auto* bytes = reinterpret_cast<std::uint8_t*>(alpha.data());
    for (int i = 0; i < kWidth * kHeight; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 37);
    pixman_image_t* mask = pixman_image_create_bits(PIXMAN_a8, kWidth, kHeight, alpha.data(), kWidth);
    pixman_composite(state, PIXMAN_OP_OVER, mask);
    pixman_image_unref(mask);
}
BENCHMARK(anchor_pixman_over_a8);

void anchor_pixman_add(benchmark::State& state)
{
    pixman_composite(state, PIXMAN_OP_ADD, nullptr);
}
BENCHMARK(anchor_pixman_add);

void anchor_pixman_fill(benchmark::State& state)
{
    Surface target = background();
    for (auto _ : state) {
        pixman_fill(reinterpret_cast<std::uint32_t*>(target.pixels()), target.stride() / 4, 16, 0, 0, kWidth,
            kHeight, 0x1A73);
        touch(target);
    }
}
BENCHMARK(anchor_pixman_fill);

// ---------------------------------------------------------------------------------------------------
// Anchors: SDL2
// ---------------------------------------------------------------------------------------------------

SDL_Surface* sdl_copy_of(const Surface& surface)
{
    SDL_Surface* sdl = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 16, SDL_PIXELFORMAT_RGB555);
    if (!sdl)
        std::abort();
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(
            static_cast<std::uint8_t*>(sdl->pixels) + y * sdl->pitch, surface.row(y), kWidth * sizeof(Pixel));
    return sdl;
}

void sdl_blit(benchmark::State& state, SDL_Surface* source)
{
    SDL_Surface* target = sdl_copy_of(background());
    SDL_Rect rect { 0, 0, kWidth, kHeight };
    SDL_BlitSurface(source, nullptr, target, &rect);
    for (auto _ : state) {
        SDL_BlitSurface(source, nullptr, target, &rect);
        benchmark::DoNotOptimize(target->pixels);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(target);
    SDL_FreeSurface(source);
}

void anchor_sdl_blit(benchmark::State& state)
{
    sdl_blit(state, sdl_copy_of(sprite()));
}
BENCHMARK(anchor_sdl_blit);

void anchor_sdl_color_key(benchmark::State& state)
{
    SDL_Surface* source = sdl_copy_of(sprite());
    SDL_SetColorKey(source, SDL_TRUE, kKey);
    sdl_blit(state, source);
}
BENCHMARK(anchor_sdl_color_key);

void anchor_sdl_alpha_mod(benchmark::State& state)
{
    SDL_Surface* source = sdl_copy_of(sprite());
    SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_BLEND);
    SDL_SetSurfaceAlphaMod(source, 200);
    sdl_blit(state, source);
}
BENCHMARK(anchor_sdl_alpha_mod);

void anchor_sdl_argb_alpha(benchmark::State& state)
{
    Surface const picture = alpha_picture();
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!source)
        std::abort();
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(
            static_cast<std::uint8_t*>(source->pixels) + y * source->pitch);
        for (int x = 0; x < kWidth; ++x) {
            ColorRef const c = pixel_to_color(picture.at(x, y));
            row[x] = std::uint32_t { picture.alpha_mask()[y * kWidth + x] } << 24 | (c & 0xFF) << 16
                | (c & 0xFF00) | (c >> 16 & 0xFF);
        }
    }
    SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_BLEND);
    sdl_blit(state, source);
}
BENCHMARK(anchor_sdl_argb_alpha);

// ---------------------------------------------------------------------------------------------------
// The summary
// ---------------------------------------------------------------------------------------------------

// Shows the usual table and keeps the median of each benchmark.
class SummaryReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (auto const& run : runs) {
            bool const median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            bool const single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (!run.error_occurred && (median || single))
                m_seconds[run.run_name.str()]
                    = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The run of that name; for a name without a parameter and no such run, the slowest of its
    // parameters. 0 when none ran.
    double time_of(std::string_view name) const
    {
        if (auto const found = m_seconds.find(std::string(name)); found != m_seconds.end())
            return found->second;
        double worst = 0;
        for (auto const& [run, seconds] : m_seconds) {
            if (std::string_view(run).substr(0, run.find('/')) == name)
                worst = std::max(worst, seconds);
        }
        return worst;
    }

private:
    std::map<std::string, double> m_seconds;
};

struct Comparison {
    const char* measured;
    const char* anchor;
    // Measured time over anchor time must not exceed it; 0 for a comparison shown for orientation.
    double goal;
};

// clang-format off
constexpr Comparison kComparisons[] = {
    { "copy", "anchor_memcpy", 1.2 },
    { "fill", "anchor_std_fill", 1.2 },
    { "copy_keyed", "anchor_sdl_color_key", 0.5 },
    { "blend", "anchor_sdl_alpha_mod", 1.0 },
    { "blend_keyed", "anchor_sdl_alpha_mod", 1.0 },
    { "blend_color", "anchor_sdl_alpha_mod", 1.0 },
    { "darken", "anchor_sdl_alpha_mod", 1.0 },
    { "darken_keyed", "anchor_sdl_alpha_mod", 1.0 },
    { "darken_color", "anchor_sdl_alpha_mod", 1.0 },
    { "brighten", "anchor_sdl_alpha_mod", 1.0 },
    { "brighten_keyed", "anchor_sdl_alpha_mod", 1.0 },
    { "brighten_color", "anchor_sdl_alpha_mod", 1.0 },
    { "blend", "anchor_pixman_over_solid", 0.2 },
    { "blend_keyed", "anchor_pixman_over_solid", 0.2 },
    { "blend_color", "anchor_pixman_over_solid", 0.2 },
    { "darken", "anchor_pixman_over_solid", 0.2 },
    { "darken_keyed", "anchor_pixman_over_solid", 0.2 },
    { "darken_color", "anchor_pixman_over_solid", 0.2 },
    { "brighten", "anchor_pixman_over_solid", 0.2 },
    { "brighten_keyed", "anchor_pixman_over_solid", 0.2 },
    { "brighten_color", "anchor_pixman_over_solid", 0.2 },
    { "add", "anchor_pixman_add", 0.1 },
    { "subtract", "anchor_pixman_add", 0.1 },
    { "add_color", "anchor_pixman_add", 0.1 },
    { "subtract_color", "anchor_pixman_add", 0.1 },
    { "composite_alpha", "anchor_sdl_argb_alpha", 0.5 },
    { "reduce/2", "anchor_naive_reduce", 1.0 / 3.0 },
    { "build_tables", "anchor_write_2mib", 2.0 },
    { "blend", "anchor_table_blend", 0 },
    { "copy", "anchor_pixman_src", 0 },
    { "copy", "anchor_sdl_blit", 0 },
    { "fill", "anchor_pixman_fill", 0 },
    { "composite_alpha", "anchor_pixman_over_a8", 0 },
};
// clang-format on

} // namespace

int main(int argc, char** argv)
{
    SummaryReporter reporter;
    if (!advplay::bench::run_benchmarks(argc, argv, reporter))
        return 1;

    std::printf(
        "\n%-16s %-26s %10s %10s %7s %6s\n", "measured", "anchor", "time us", "anchor us", "ratio", "goal");
    int failures = 0;
    for (auto const& comparison : kComparisons) {
        double const measured = reporter.time_of(comparison.measured);
        double const anchor = reporter.time_of(comparison.anchor);
        if (measured <= 0 || anchor <= 0)
            continue;
        double const ratio = measured / anchor;
        bool const met = comparison.goal <= 0 || ratio <= comparison.goal;
        failures += met ? 0 : 1;
        char goal[16] = "-";
        if (comparison.goal > 0)
            std::snprintf(goal, sizeof goal, "%.2f", comparison.goal);
        std::printf("%-16s %-26s %10.1f %10.1f %7.3f %6s %s\n", comparison.measured, comparison.anchor,
            measured * 1e6, anchor * 1e6, ratio, goal, met ? "" : "MISSED");
    }
    std::printf("%d goal%s missed\n", failures, failures == 1 ? "" : "s");
    return 0;
}
