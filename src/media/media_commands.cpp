// The media commands and the movie's passes.
#include "media/media_commands.h"

#include "common/data_path.h"
#include "engine/engine.h"
#include "graphics/graphics_state.h"
#include "media/wav_sound.h"
#include "script/line_reader.h"
#include "text/message_window.h"

#include <string>

namespace advplay::media {

namespace {

using script::State;

// The first argument: a file name, or "stop" (exactly; no further argument is read then).
std::string first_argument(Engine& engine)
{
    script::next_string(engine);
    return std::string(engine.interpreter.token.view());
}

bool is_stop(const std::string& argument)
{
    return argument == "stop";
}

// How a movie command treats one mouse button.
enum class MovieButton : std::int32_t {
    Accept = 0,
    AcceptUnlessHeld = 1,
    Ignore = 2,
    Skip = 3,
};

void show_screen_again(Engine& engine)
{
    graphics::mark_dirty(engine.graphics, 0, 0, graphics::kScreenWidth, graphics::kScreenHeight);
}

} // namespace

void wav_command(Engine& engine)
{
    std::string const name = first_argument(engine);
    if (is_stop(name)) {
        stop_wav(engine);
        return;
    }
    auto const path = resolve_data_path(name, engine.settings.data_path, ".wav");
    std::int32_t const mode = script::next_int(engine);
    // A name too long for the engine's paths is a file that cannot be found.
    play_wav(engine, path ? *path : std::string(), mode);
}

void mp3_command(Engine& engine)
{
    std::string const name = first_argument(engine);
    CMIDIOutput& mp3 = engine.media.mp3;
    if (is_stop(name)) {
        (void)mp3.Stop();
        return;
    }
    auto const path = resolve_data_path(name, engine.settings.data_path, ".mp3");
    std::int32_t const loop = script::next_int(engine);
    mp3.SetFile(path ? *path : std::string());
    mp3.SetLoop(loop != 0);
    (void)mp3.Play();
}

void cda_command(Engine& engine)
{
    std::string const argument = first_argument(engine);
    CCDDA& cd = engine.media.cd;
    if (is_stop(argument)) {
        (void)cd.Stop();
        return;
    }
    std::int32_t const track = script::int_value(engine, argument);
    std::int32_t const loop = script::next_int(engine);
    cd.SetLoop(loop != 0);
    (void)cd.Play(track);
}

void movie_start_action(Engine& engine)
{
    std::string const name = first_argument(engine);
    auto const path = resolve_data_path(name, engine.settings.data_path, ".avi");
    std::int32_t const repeat = script::next_int(engine);
    auto const left = static_cast<MovieButton>(script::next_int(engine));
    auto const right = static_cast<MovieButton>(script::next_int(engine));
    InputState& input = engine.input;
    bool const skip = (left == MovieButton::AcceptUnlessHeld && input.left_down)
        || (right == MovieButton::AcceptUnlessHeld && input.right_down) || left == MovieButton::Skip
        || right == MovieButton::Skip;
    if (skip) {
        engine.interpreter.state = State::Fetch;
        return;
    }
    auto accept = [](MovieButton button, bool& accepted) {
        if (button == MovieButton::Accept || button == MovieButton::AcceptUnlessHeld)
            accepted = true;
        else if (button == MovieButton::Ignore)
            accepted = false;
    };
    accept(left, input.left_accept);
    accept(right, input.right_accept);
    // The message text still waiting to be shown comes to the screen before the movie covers it, and
    // a hurried line is hurried no more once the movie is over.
    text::refresh_text(engine);
    engine.text.window.skip_rest = false;
    CAVIOutput& movie = engine.media.movie;
    movie.SetFile(path ? *path : std::string());
    movie.SetRepeat(repeat != 0);
    // A movie that does not play is found not playing by the next pass, which goes on.
    (void)movie.Play();
    engine.interpreter.state = State::MoviePlaying;
}

void movie_playing_action(Engine& engine)
{
    CAVIOutput& movie = engine.media.movie;
    if (movie.IsPlaying())
        return;
    (void)movie.Close();
    show_screen_again(engine);
    engine.interpreter.state = State::Fetch;
}

void end_movie(Engine& engine)
{
    CAVIOutput& movie = engine.media.movie;
    (void)movie.Stop();
    (void)movie.Close();
    show_screen_again(engine);
}

} // namespace advplay::media
