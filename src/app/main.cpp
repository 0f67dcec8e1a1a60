// advplay's entry point.
#include "app/command_line.h"
#include "app/runner.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    using namespace advplay::app;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    auto const parsed = parse_command_line(arguments);
    if (!parsed.command_line) {
        std::fprintf(stderr, "advplay: %s\n(advplay --help lists the options)\n", parsed.error.c_str());
        return kExitUsage;
    }
    CommandLine const& line = *parsed.command_line;
    switch (line.action) {
    case Action::Help:
        std::fputs(help_text().c_str(), stdout);
        return kExitEnded;
    case Action::Version:
        std::printf("advplay %s\n", ADVPLAY_VERSION);
        return kExitEnded;
    case Action::Pack:
        return run_pack(line);
    case Action::Unpack:
        return run_unpack(line);
    case Action::SaveDump:
        return run_savedump(line);
    case Action::Gplp:
        return run_gplp(line);
    case Action::MidiRender:
        return run_midi_render(line);
    case Action::Play:
        break;
    }
    return run_game(line, ADVPLAY_DEMO_DIR);
}
