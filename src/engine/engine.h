// Engine: the one object that owns every subsystem's state; handlers receive it by reference.
#pragma once

#include "common/internal_error.h"
#include "engine/comforts.h"
#include "graphics/graphics_state.h"
#include "graphics/picture_commands.h"
#include "media/media_devices.h"
#include "persist/scenario_store.h"
#include "script/call_stack.h"
#include "script/interpreter.h"
#include "script/random_generator.h"
#include "script/variables.h"
#include "text/text_state.h"

#include <cstdint>
#include <memory>
#include <string>

namespace advplay::media {
class MidiSequencer;
}

namespace advplay::script {
class CommandSet;
}

namespace advplay::platform {
class Audio;
class Clock;
class Files;
class FontRasterizer;
class ImageCodecs;
class MessageBox;
class TextEncoding;
class TextOutput;
class Window;
} // namespace advplay::platform

namespace advplay {

// The platform services an engine runs on; the backend that made them outlives the engine.
struct Platform {
    platform::Clock& clock;
    platform::Window& window;
    platform::MessageBox& message_box;
    platform::Files& files;
    const platform::TextEncoding& encoding;
    // The sound output; without one the shell's beep is silent.
    platform::Audio* audio { nullptr };
    // The PNG reader, the general picture loader and the image plug-in loader; without them only BMP
    // and K16 pictures load.
    platform::ImageCodecs* images { nullptr };
    // The fonts text is drawn in; without them text takes its place on the page but shows nothing.
    platform::FontRasterizer* fonts { nullptr };
};

// What the ini file and the config script set at start-up (Shift-JIS).
struct Settings {
    std::string scenario_path { "data" };
    std::string script_extension { ".txt" };
    std::string save_path { "data" };
    std::string data_path { "data" };
    std::string plugin_path;
    std::string caption { "ADV" };
    // 0x00BBGGRR
    std::uint32_t background { 0 };
    // Off-screen surfaces the scripts may name ("off0", "off1", ...).
    int offscreen_count { 0 };
};

// A jump armed by .lcl or .rcl, fired by the next click of its button.
struct ClickJump {
    // Armed while not empty.
    std::string target;
    // Non-zero: fires in any state; zero: only while waiting for a click, a movie or a choice.
    std::int32_t any_state { 0 };
};

// What the mouse and keyboard handling keeps.
struct InputState {
    bool left_down { false };
    bool right_down { false };
    // The button went down during a click wait, a movie or a choice and is still down; the text
    // display reads it to hurry the text.
    bool left_pressed_in_wait { false };
    bool right_pressed_in_wait { false };
    // Client coordinates of the last click the mouse handling accepted.
    std::int32_t click_x { 0 };
    std::int32_t click_y { 0 };
    // Whether the engine has the cursor shown; show and hide act only on a change.
    bool cursor_visible { true };
    ClickJump left_jump;
    ClickJump right_jump;
    // Whether a click of that button ends the current click wait or movie; .clk, .tcl, their text
    // escapes and .avi set them.
    bool left_accept { false };
    bool right_accept { false };
};

class Engine {
public:
    // Both out of line, where the sequencer is a whole type.
    Engine(const Platform& services, const script::CommandSet& command_set);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    Platform platform;
    const script::CommandSet& commands;
    Settings settings;
    persist::ScenarioStore store;
    script::Interpreter interpreter;
    script::VariableTable variables;
    script::CallStack call_stack;
    script::RandomGenerator random;
    InputState input;
    graphics::ClickWaitMark click_wait_mark;
    graphics::GraphicsState graphics;
    text::TextState text;
    // The one MIDI sequencer; without it .mid does nothing. The backend that runs the engine makes it
    // with its clock, timer and MIDI output.
    std::unique_ptr<media::MidiSequencer> midi;
    // Where the window, the devices and the media leave their failures; the player sees none.
    InternalErrorLog internal_errors;
    // The movie, CD and MP3 players; their failures go to the internal-error log.
    media::MediaDevices media { platform.files, platform.clock, internal_errors };
    // One line per executed script line when set (--trace).
    platform::TextOutput* trace { nullptr };
    // For script authors: what a script error's box leaves out (the file, the label), when set.
    platform::TextOutput* author_notes { nullptr };
    Comforts comforts;
};

} // namespace advplay
