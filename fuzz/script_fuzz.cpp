// Fuzz target: expressions and the flow-control scans, as a start script run headless for a bounded
// number of passes beside a fixed config script and a fixed script of subroutines.
//
// The input is cut at form feeds (0x0C), which no script contains: the first part is the script
// "start", the second the script "sub" and the rest the script "dir\other". An input without a form
// feed is the start script alone. The config script is fixed, so the variable table keeps its few
// dozen names (".lod" only reads what ".sav" wrote from them) and is cheap to look over every pass.
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
#include "script/flow_control.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using namespace advplay;

constexpr std::string_view kConfig = ".int i j k n x y z a[10] b[3] Cnt\r\n"
                                     ".str s t u w[5] Lst\r\n";

// Subroutines the start script can call without writing them: a return, a bounded recursion through
// a case block, an unbounded one, and a jump inside a called script.
constexpr std::string_view kLibrary = ":inc\r\n"
                                      ".let i = i + 1\r\n"
                                      ".sub exit\r\n"
                                      ":count\r\n"
                                      ".let k = k + 1\r\n"
                                      ".cas k\r\n"
                                      ".< 20\r\n"
                                      "\t.sub lib:count\r\n"
                                      ".\r\n"
                                      ".sub exit\r\n"
                                      ":deep\r\n"
                                      ".sub :deep\r\n"
                                      ":hop\r\n"
                                      ".jmp :inc\r\n";

constexpr std::uint32_t kMaxTime = 100000;
constexpr std::uint64_t kMaxPasses = 10000;
// The engine bounds each string at 16 MiB, so ".let s = [s][s]" in a loop stops growing there; a
// fuzz run stops much earlier, once its strings hold this many bytes together (checked after every
// pass), so that inputs that double strings stay fast.
constexpr std::size_t kMaxStringBytes = 8 * 1024;

std::array<std::string_view, 3> parts_of(std::string_view input)
{
    std::array<std::string_view, 3> parts;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        std::size_t const cut = input.find('\f');
        if (cut == std::string_view::npos) {
            parts[i] = input;
            return parts;
        }
        parts[i] = input.substr(0, cut);
        input.remove_prefix(cut + 1);
    }
    parts.back() = input;
    return parts;
}

// Runs the input's scripts headless on an engine of their own, one pass per frame_loop call so that
// the string check sees every pass; the loop keeps no state between calls that a longer run would
// have carried on.
void run_scripts(const std::array<std::string_view, 3>& parts, const platform::TextEncoding& encoding)
{
    fuzz::MemoryFiles files;
    files.add("data/start.txt", parts[0]);
    files.add("data/config.txt", kConfig);
    files.add("data/lib.txt", kLibrary);
    if (!parts[1].empty())
        files.add("data/sub.txt", parts[1]);
    if (!parts[2].empty())
        files.add("data/dir/other.txt", parts[2]);
    platform::VirtualClock clock;
    // A fixed calendar and seed, so that ".now" and ".rnd" repeat and so does a crash.
    clock.set_calendar({ 2001, 2, 3, 6, 4, 5, 6, 7 });
    platform::HeadlessWindow window;
    platform::StringOutput messages;
    platform::HeadlessMessageBox message_box(messages, encoding, platform::MessageBoxAnswer::No);
    Engine engine({ clock, window, message_box, files, encoding }, app::standard_commands());
    app::StartupOptions options;
    options.seed = 12345;
    if (app::start_up(engine, app::IniFile(), options) != app::StartupResult::Ready)
        return;

    auto const string_bytes = [&engine] {
        std::size_t total = 0;
        for (auto const& [name, text] : engine.variables.strings())
            total += text.size();
        return total;
    };
    app::RunEnd end = app::RunEnd::PassLimit;
    for (std::uint64_t passes = 0;
         end == app::RunEnd::PassLimit && passes < kMaxPasses && string_bytes() <= kMaxStringBytes; ++passes)
        end = app::frame_loop(engine, { kMaxTime, 1 });
    if (engine.call_stack.size() > script::kMaxCallDepth)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The conversion tables are opened once; every input gets its own engine.
    static const platform::TextEncoding encoding;
    run_scripts(parts_of({ reinterpret_cast<const char*>(data), size }), encoding);
    return 0;
}
