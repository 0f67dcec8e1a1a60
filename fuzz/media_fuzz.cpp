// Fuzz target: what the engine does with a sound or movie file before and while it plays: the
// effect channel's WAV loading and length, the music and disc streams with their lengths, stream
// choice and first samples, and a movie's opening, first pictures and sound. SDL2_mixer and FFmpeg
// are fuzzed on their own; this is the code around them. The sound goes to SDL's dummy device, whose
// thread mixes the first rounds while the pictures are decoded here.
#include "platform/headless/headless_window.h"
#include "platform/headless/virtual_clock.h"
#include "platform/sdl/sdl_library.h"
#include "platform/sdl/sdl_media_player.h"
#include "platform/sdl/sdl_mixer.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using namespace advplay::platform;

// SDL and the sound device, opened once for the whole run, and the file every input is written to
// (the players open files by their host paths).
struct Session {
    Session()
    {
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        char folder[] = "/tmp/advplay-media-fuzz-XXXXXX";
        if (::mkdtemp(folder))
            path = std::string(folder) + "/input";
        sdl = std::make_unique<SdlLibrary>();
        mixer = std::make_unique<SdlMixer>();
    }
    ~Session()
    {
        mixer.reset();
        sdl.reset();
        if (!path.empty()) {
            std::remove(path.c_str());
            ::rmdir(path.substr(0, path.size() - 6).c_str());
        }
    }
    std::string path;
    std::unique_ptr<SdlLibrary> sdl;
    std::unique_ptr<SdlMixer> mixer;
};

Session& session()
{
    static Session s_session;
    return s_session;
}

bool write_input(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool const written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    (void)session();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Session& run = session();
    if (run.path.empty() || !write_input(run.path, data, size))
        return 0;
    VirtualClock clock;
    HeadlessWindow window;
    SdlMediaPlayer player(clock, *run.mixer);

    // A sound effect from the file and from memory; its length is what the channel plays.
    (void)player.play_effect(run.path, EffectMode::Once);
    (void)player.play_effect_image({ data, size });
    (void)player.effect_playing();
    player.stop_effect();

    if (MediaId const music = player.open_music(run.path); music != kNoMedia) {
        (void)player.play_music(music, &window);
        (void)player.position(music);
        (void)player.stop(music, &window);
        (void)player.close(music);
    }

    std::vector<std::optional<std::uint32_t>> lengths;
    std::string const tracks[] = { run.path, run.path };
    if (MediaId const disc = player.open_disc(tracks, lengths); disc != kNoMedia) {
        if (lengths.size() != 2 || lengths[0] != lengths[1])
            __builtin_trap();
        std::uint32_t const length = lengths[0].value_or(0);
        (void)player.play_disc(disc, length / 2, length + length / 2, &window);
        (void)player.position(disc);
        (void)player.close(disc);
    }

    if (MediaId const movie = player.open_movie(run.path); movie != kNoMedia) {
        (void)player.set_movie_window(movie, &window);
        (void)player.fill_movie_window(movie);
        (void)player.play_movie(movie, false, &window);
        // The first pictures: a few frames' time, and a jump past a long gap.
        for (std::uint32_t step : { 1u, 40u, 40u, 40u, 1000u }) {
            clock.sleep(step);
            player.update();
        }
        (void)player.close(movie);
    }
    player.update();
    return 0;
}
