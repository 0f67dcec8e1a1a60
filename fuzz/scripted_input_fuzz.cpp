// Fuzz target: scripted input files (--input), parsed and then played against an interpreter whose
// state and clock move on, so that every step the parser accepts is handed out in order or held.
#include "app/scripted_input.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace advplay;
    auto parsed = app::parse_input_script({ reinterpret_cast<const char*>(data), size });
    if (!parsed.script) {
        // A refusal names the line that is wrong.
        if (parsed.error.empty())
            __builtin_trap();
        return 0;
    }
    std::size_t const steps = parsed.script->steps.size();
    std::size_t waits = 0;
    for (auto const& step : parsed.script->steps) {
        if (step.kind == app::InputStep::Kind::Wait) {
            if (step.states.empty())
                __builtin_trap();
            ++waits;
        }
    }
    app::InputPlayer player(std::move(*parsed.script));
    // The clock moves in uneven strides and the interpreter visits every state, so every wait is
    // met in time; each call hands out only what is due, and no step twice.
    std::size_t handed = 0;
    std::uint32_t now = 0;
    for (int round = 0; round < 4 * script::kStateCount && !player.finished(); ++round) {
        auto const state = static_cast<script::State>(round % script::kStateCount);
        handed += player.due(now, state).size();
        now += 1u << (round % 31);
    }
    if (handed > steps - waits)
        __builtin_trap();
    return 0;
}
