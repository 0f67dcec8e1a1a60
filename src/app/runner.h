// Running advplay: the composition of a backend and an engine, and the authoring subcommands.
#pragma once

#include "app/command_line.h"

#include <string>

namespace advplay::app {

// Exit statuses.
constexpr int kExitEnded = 0;
constexpr int kExitUsage = 1;
constexpr int kExitStartupFailed = 2;
constexpr int kExitLimit = 3;

// Plays the game of the command line (or `demo_folder` when it names none) to its end.
int run_game(const CommandLine& line, const std::string& demo_folder);
int run_pack(const CommandLine& line);
int run_unpack(const CommandLine& line);
int run_savedump(const CommandLine& line);
int run_gplp(const CommandLine& line);
int run_midi_render(const CommandLine& line);

} // namespace advplay::app
