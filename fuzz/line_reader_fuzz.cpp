// Fuzz target: one script file loaded, run as config and start script, then cut into tokens.
#include "memory_files.h"

#include "app/command_table.h"
#include "app/frame_loop.h"
#include "app/startup.h"
#include "engine/engine.h"
#include "platform/headless/headless_message_box.h"
#include "platform/headless/headless_window.h"
#include "platform/headless/virtual_clock.h"
#include "platform/text_encoding.h"
#include "platform/text_output.h"
#include "script/line_reader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using namespace advplay;

// Cuts current_line into all its tokens. Each call consumes at least one byte or leaves the line at
// its end, where only nothing or the line feed remains; an empty token before that is a pair of
// quotes. More calls than bytes would be a tokenizer that stopped moving.
void split_all_tokens(Engine& engine)
{
    script::ScriptString const& line = engine.interpreter.current_line;
    std::size_t const bound = line.length() + 2;
    for (std::size_t calls = 0;; ++calls) {
        if (calls > bound)
            __builtin_trap();
        std::size_t const before = line.length();
        script::next_token(engine);
        bool const at_end = line.empty() || line.view() == "\n";
        if (engine.interpreter.token.empty() && at_end)
            return;
        if (line.length() == before)
            __builtin_trap();
    }
}

void tokenize_stored_lines(Engine& engine)
{
    if (!engine.store.goto_name("start"))
        return;
    std::size_t budget = engine.store.text().size() + 2;
    while (script::read_next_line(engine)) {
        if (--budget == 0)
            __builtin_trap();
        split_all_tokens(engine);
    }
}

// The raw bytes as lines, without the loader's clean-up (carriage returns, leading tabs and comment
// marks stay). A line is a C string to the engine, so a NUL ends it.
void tokenize_raw_lines(Engine& engine, std::string_view bytes)
{
    while (!bytes.empty()) {
        std::size_t const line_feed = bytes.find('\n');
        std::size_t const length = line_feed == std::string_view::npos ? bytes.size() : line_feed + 1;
        std::string_view line = bytes.substr(0, length);
        bytes.remove_prefix(length);
        line = line.substr(0, line.find('\0'));
        engine.interpreter.current_line.assign(line);
        split_all_tokens(engine);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The conversion tables are opened once; every input gets its own engine.
    static const platform::TextEncoding encoding;
    std::string_view const bytes(reinterpret_cast<const char*>(data), size);

    fuzz::MemoryFiles files;
    // The same bytes serve as the config script, so that an input can declare the variables it uses.
    files.add("data/start.txt", bytes);
    files.add("data/config.txt", bytes);
    platform::VirtualClock clock;
    // A fixed calendar and seed, so that a crash repeats.
    clock.set_calendar({ 2001, 2, 3, 6, 4, 5, 6, 7 });
    platform::HeadlessWindow window;
    platform::StringOutput messages;
    platform::StringOutput trace;
    platform::HeadlessMessageBox message_box(messages, encoding, platform::MessageBoxAnswer::No);
    Engine engine({ clock, window, message_box, files, encoding }, app::standard_commands());

    // The default ini: scenario folder "data", extension ".txt", then the script "start". The run
    // stops at 100,000 ms or 10,000 passes; only its first passes are traced, since tracing a
    // script that loops until the limit would take most of the fuzzer's time.
    app::StartupOptions options;
    options.seed = 12345;
    if (app::start_up(engine, app::IniFile(), options) == app::StartupResult::Ready) {
        constexpr std::uint32_t kMaxTime = 100000;
        constexpr std::uint64_t kMaxPasses = 10000;
        constexpr std::uint64_t kTracedPasses = 1000;
        engine.trace = &trace;
        if (app::frame_loop(engine, { kMaxTime, kTracedPasses }) == app::RunEnd::PassLimit) {
            engine.trace = nullptr;
            (void)app::frame_loop(engine, { kMaxTime, kMaxPasses - kTracedPasses });
        }
        engine.trace = nullptr;
    }

    tokenize_stored_lines(engine);
    tokenize_raw_lines(engine, bytes);
    return 0;
}
