// VariableTable: the script's integer and string variables, and the read-only system variables.
#pragma once

#include "persist/save_file.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace advplay {
class Engine;
}

namespace advplay::script {

enum class VariableKind {
    None = 0,
    Integer = 1,
    String = 2,
};

// Names are byte strings ordered as unsigned bytes, the order the save files keep.
class VariableTable {
public:
    using IntegerMap = persist::IntegerMap;
    using StringMap = persist::StringMap;

    // Declared and loaded names and the texts of string variables may take this much memory in
    // all: a script of a few kilobytes that declares arrays of millions of members, or that doubles
    // the texts of many string variables, would otherwise exhaust the machine.
    static constexpr std::size_t kMemoryBudget = std::size_t { 256 } << 20;
    // What one variable of that name costs: its entry in a map (as measured with the host's library)
    // and its name.
    static constexpr std::size_t cost(std::string_view name) { return kEntryCost + name.size(); }
    explicit VariableTable(std::size_t budget = kMemoryBudget)
        : m_budget(budget)
    {
    }
    // Whether variables that cost `bytes` more still fit the budget.
    bool has_room_for(std::size_t bytes) const { return bytes <= m_budget - m_bytes; }

    // Adds the name with 0 or the empty text; false and no change when it exists in either map or
    // the budget has no room for it.
    bool declare_int(std::string_view name);
    bool declare_string(std::string_view name);
    // Sets the variable, adding the name when neither map has it (as a load does); false and no
    // change when the name lives in the other map or the budget has no room for it.
    bool put_int(std::string_view name, std::int32_t value);
    bool put_string(std::string_view name, std::string_view text);
    VariableKind kind(std::string_view name) const;
    // Changes an existing variable of that kind; false when there is none, or when a longer text
    // would pass the budget (the variable keeps its text).
    bool assign_int(std::string_view name, std::int32_t value);
    bool assign_string(std::string_view name, std::string_view text);
    // The maps alone, without the system variables and the reserved-name rule.
    const std::int32_t* integer(std::string_view name) const;
    const std::string* string(std::string_view name) const;

    const IntegerMap& integers() const { return m_integers; }
    const StringMap& strings() const { return m_strings; }

private:
    static constexpr std::size_t kEntryCost = 96;

    IntegerMap m_integers;
    StringMap m_strings;
    std::size_t m_budget;
    // The cost of every name in the maps and the bytes of every string value.
    std::size_t m_bytes { 0 };
};

// A name that begins with "C" or "L" is looked up only among the system variables, so a declared
// variable of such a name can be assigned but never read.
std::optional<std::int32_t> find_int(Engine& engine, std::string_view name);
std::optional<std::string> find_string(Engine& engine, std::string_view name);

} // namespace advplay::script
