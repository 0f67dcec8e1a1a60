// Fuzz target: the scenario pack loader, the line walk over what it accepted, unpacking and rebuilding.
#include "memory_files.h"

#include "persist/scenario_store.h"
#include "persist/scenario_unpack.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using advplay::fuzz::MemoryFiles;
using advplay::persist::ScenarioStore;

// Every read moves forward through the text or ends the walk, so a walk longer than the text is a
// loop that never ends.
void read_to_end(ScenarioStore& store)
{
    std::size_t budget = store.text().size() + 2;
    while (store.read_next_line()) {
        if (--budget == 0)
            __builtin_trap();
    }
}

void walk(ScenarioStore& store)
{
    // goto_name may move the position but never the index, so walking the index while reading is safe.
    for (auto const& [key, entry] : store.index()) {
        // A key of a hostile pack need not be reachable by name (its ':' or its capitals may differ).
        if (store.goto_name(key))
            read_to_end(store);
        if (key.find(':') != std::string::npos)
            continue;
        for (std::int32_t line : { 0, 1, 3, entry.line_index }) {
            if (store.goto_line(key, line))
                read_to_end(store);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    MemoryFiles files;
    files.add("scenario.scn", { reinterpret_cast<const char*>(data), size });
    ScenarioStore store;
    if (!store.load_pack(files, "scenario.scn"))
        return 0;
    walk(store);

    std::vector<std::string> warnings;
    (void)advplay::persist::unpack_scripts(store, warnings);

    // What a loaded pack rebuilds into must load again as the same scenario, and rebuild to itself.
    auto const pack = store.build_pack();
    MemoryFiles rebuilt_files;
    rebuilt_files.add("rebuilt.scn", pack.view());
    ScenarioStore rebuilt;
    if (!rebuilt.load_pack(rebuilt_files, "rebuilt.scn"))
        __builtin_trap();
    if (rebuilt.index() != store.index() || rebuilt.text().view() != store.text().view())
        __builtin_trap();
    if (rebuilt.build_pack().view() != pack.view())
        __builtin_trap();
    return 0;
}
