// Turning a loaded scenario back into script files.
#pragma once

#include "persist/scenario_store.h"

#include <string>
#include <vector>

namespace advplay::persist {

struct UnpackedScript {
    // The script's name in the index (lower-cased, "\" between folders).
    std::string name;
    // The file's bytes: text lines as stored, labels restored from the index, comment and empty
    // lines as empty lines, so that every line keeps its number.
    std::string text;
};

// One entry per script of the store, in name order. Problems that lose nothing but a label (an
// index entry that points at a text line or past the script) are described in `warnings`.
std::vector<UnpackedScript> unpack_scripts(const ScenarioStore& store, std::vector<std::string>& warnings);

} // namespace advplay::persist
