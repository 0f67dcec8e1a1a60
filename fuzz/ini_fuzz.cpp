// Fuzz target: the game's ini file, parsed as the private-profile reader does (with the conversion
// of a UTF-8 file), then given to start-up over a small game so that every folder and setting it
// names is used: the scenario, save, data and plug-in folders, the display style and the dialog.
#include "memory_files.h"

#include "app/command_table.h"
#include "app/frame_loop.h"
#include "app/ini_file.h"
#include "app/startup.h"
#include "engine/engine.h"
#include "platform/headless/headless_message_box.h"
#include "platform/headless/headless_window.h"
#include "platform/headless/virtual_clock.h"
#include "platform/text_encoding.h"
#include "platform/text_output.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using namespace advplay;

// A scenario in the default folder and in one a fuzzed ini may well name, so that start-up gets as
// far as the start script either way.
void add_game(fuzz::MemoryFiles& files)
{
    for (std::string_view const folder : { "data", "scn" }) {
        files.add(std::string(folder) + "\\config.txt", ".int a\r\n.str s\r\n");
        files.add(std::string(folder) + "\\start.txt", ".let a = 1\r\n.sav one\r\n.lod one\r\n.end\r\n");
        files.add(std::string(folder) + "\\start.scn", "SCN");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const platform::TextEncoding encoding;
    std::string_view const bytes(reinterpret_cast<const char*>(data), size);
    auto const ini
        = app::IniFile::parse(bytes, [](const std::string& text) { return encoding.to_sjis(text); });
    // Whatever the file says, a value fits the buffer it is read into.
    if (ini.get("Scenario", "Path", "data", 8).size() > 7)
        __builtin_trap();

    fuzz::MemoryFiles files;
    add_game(files);
    platform::VirtualClock clock;
    platform::HeadlessWindow window;
    platform::StringOutput messages;
    platform::HeadlessMessageBox message_box(messages, encoding, platform::MessageBoxAnswer::Yes);
    Engine engine({ clock, window, message_box, files, encoding }, app::standard_commands());
    app::StartupOptions options;
    options.seed = 1;
    if (app::start_up(engine, ini, options) != app::StartupResult::Ready)
        return 0;
    (void)app::frame_loop(engine, { 1000, 100 });
    return 0;
}
