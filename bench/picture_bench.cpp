// Measures: load_picture decoding a 640 x 480 24-bit BMP and PNG from the game folder into an
// RGB555 surface (opening the file through DataFile, reading it, converting every pixel).
// Anchors: SDL2_image's IMG_Load of the same files, which reads them into a 24-bit SDL surface and
// is what a program would use instead. Target: at most 1.2 times the anchor's time.
// The pictures are made at start-up: gradients with noise, as a photograph has, in a folder below
// /tmp that goes at exit. Ratios come from the medians of the repetitions.
#include "graphics/picture_decoders.h"
#include "platform/codecs/host_image_codecs.h"
#include "platform/posix/host_files.h"
#include "platform/text_encoding.h"

#include <SDL.h>
#include <SDL_image.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

using advplay::graphics::PictureSources;
using advplay::graphics::Surface;

// The pictures' folder, made once and removed at exit.
class PictureFolder {
public:
    PictureFolder()
    {
        m_path = std::filesystem::temp_directory_path()
            / ("advplay-picture-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_path);
        SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 24, SDL_PIXELFORMAT_RGB24);
        std::uint32_t noise = 12345;
        for (int y = 0; y < 480; ++y) {
            auto* row = static_cast<std::uint8_t*>(picture->pixels)
                + static_cast<std::ptrdiff_t>(y) * picture->pitch;
            for (int x = 0; x < 640; ++x) {
                noise = noise * 1664525u + 1013904223u;
                int const grain = static_cast<int>(noise >> 28) - 8;
                row[3 * x] = static_cast<std::uint8_t>(std::clamp(x * 255 / 639 + grain, 0, 255));
                row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(y * 255 / 479 + grain, 0, 255));
                row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp((x + y) * 255 / 1118 - grain, 0, 255));
            }
        }
        m_ready = SDL_SaveBMP(picture, host("picture.bmp").c_str()) == 0
            && IMG_SavePNG(picture, host("picture.png").c_str()) == 0;
        SDL_FreeSurface(picture);
    }
    ~PictureFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

    std::string host(const char* name) const { return (m_path / name).string(); }
    std::string root() const { return m_path.string(); }
    bool ready() const { return m_ready; }

private:
    std::filesystem::path m_path;
    bool m_ready { false };
};

const PictureFolder& pictures()
{
    static PictureFolder const folder;
    return folder;
}

void load_picture(benchmark::State& state, const char* name)
{
    advplay::platform::TextEncoding encoding;
    advplay::platform::HostFiles files(pictures().root(), encoding);
    advplay::platform::HostImageCodecs codecs;
    PictureSources const sources { files, &codecs, {} };
    for (auto _ : state) {
        Surface surface;
        if (!advplay::graphics::load_picture(surface, sources, name)) {
            state.SkipWithError("the picture does not load");
            break;
        }
        benchmark::DoNotOptimize(surface.pixels());
    }
}

void img_load(benchmark::State& state, const char* name)
{
    std::string const path = pictures().host(name);
    for (auto _ : state) {
        SDL_Surface* surface = IMG_Load(path.c_str());
        if (!surface) {
            state.SkipWithError("IMG_Load fails");
            break;
        }
        benchmark::DoNotOptimize(surface->pixels);
        SDL_FreeSurface(surface);
    }
}

void BM_LoadPictureBmp(benchmark::State& state)
{
    load_picture(state, "picture.bmp");
}
void BM_ImgLoadBmp(benchmark::State& state)
{
    img_load(state, "picture.bmp");
}
void BM_LoadPicturePng(benchmark::State& state)
{
    load_picture(state, "picture.png");
}
void BM_ImgLoadPng(benchmark::State& state)
{
    img_load(state, "picture.png");
}

BENCHMARK(BM_LoadPictureBmp)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_ImgLoadBmp)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_LoadPicturePng)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_ImgLoadPng)->Unit(benchmark::kMicrosecond)->Repetitions(5);

// Shows the usual table and keeps the median time of each benchmark.
class MedianReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (auto const& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                m_medians[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double median(const std::string& name) const
    {
        auto const found = m_medians.find(name);
        return found == m_medians.end() ? 0.0 : found->second;
    }

private:
    std::map<std::string, double> m_medians;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (!pictures().ready()) {
        std::fprintf(stderr, "advplay_picture_bench: cannot write the pictures\n");
        return 1;
    }
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nload_picture beside IMG_Load of the same 640 x 480 24-bit file (median wall time; target "
                "ratio <= 1.20)\n");
    for (auto const& [format, ours, anchor] : { std::tuple { "BMP", "BM_LoadPictureBmp", "BM_ImgLoadBmp" },
             std::tuple { "PNG", "BM_LoadPicturePng", "BM_ImgLoadPng" } }) {
        double const measured = reporter.median(ours);
        double const reference = reporter.median(anchor);
        if (measured <= 0 || reference <= 0)
            continue;
        double const ratio = measured / reference;
        std::printf("  %s: load_picture %8.1f us, IMG_Load %8.1f us, ratio %.2f -> %s\n", format, measured,
            reference, ratio, ratio <= 1.2 ? "met" : "MISSED");
    }
    benchmark::Shutdown();
    return 0;
}
