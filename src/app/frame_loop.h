// The frame loop: one interpreter pass, the wait it asked for, then the screen.
#pragma once

#include <cstdint>
#include <optional>

namespace advplay {
class Engine;
}

namespace advplay::app {

struct RunLimits {
    // Stop once the clock reaches this many milliseconds.
    std::optional<std::uint32_t> max_time;
    // Stop after this many passes (for runs whose scripts never wait, which a virtual clock
    // would otherwise never end).
    std::optional<std::uint64_t> max_passes;
};

enum class RunEnd {
    // The window closed: the game ended or the player closed it.
    Closed,
    TimeLimit,
    PassLimit,
};

RunEnd frame_loop(Engine& engine, const RunLimits& limits);

} // namespace advplay::app
