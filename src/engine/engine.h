// Engine: the one object that owns every subsystem's state; handlers receive it by reference.
#pragma once

#include "graphics/graphics_state.h"
#include "persist/scenario_store.h"
#include "script/call_stack.h"
#include "script/command_set.h"
#include "script/interpreter.h"
#include "script/random_generator.h"
#include "script/variables.h"

#include <cstdint>
#include <string>

namespace advplay::platform {
class Clock;
class Files;
class MessageBox;
class TextEncoding;
class TextOutput;
class Window;
}

namespace advplay {

// The platform services an engine runs on; the backend that made them outlives the engine.
struct Platform {
    platform::Clock& clock;
    platform::Window& window;
    platform::MessageBox& message_box;
    platform::Files& files;
    const platform::TextEncoding& encoding;
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

// What the mouse handling keeps for scripts.
struct InputState {
    // Client coordinates of the last click the mouse handling accepted.
    std::int32_t click_x { 0 };
    std::int32_t click_y { 0 };
};

class Engine {
public:
    Engine(const Platform& services, const script::CommandSet& command_set)
        : platform(services)
        , commands(command_set)
    {
    }
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
    graphics::GraphicsState graphics;
    // One line per executed script line when set (--trace).
    platform::TextOutput* trace { nullptr };
};

} // namespace advplay
