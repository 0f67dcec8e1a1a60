// VariableTable: the script's integer and string variables, and the read-only system variables.
#pragma once

#include "persist/save_file.h"

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

    // Adds the name with 0 or the empty text; false and no change when it exists in either map.
    bool declare_int(std::string_view name);
    bool declare_string(std::string_view name);
    VariableKind kind(std::string_view name) const;
    // Changes an existing variable of that kind; false when there is none.
    bool assign_int(std::string_view name, std::int32_t value);
    bool assign_string(std::string_view name, std::string_view text);
    // The maps alone, without the system variables and the reserved-name rule.
    const std::int32_t* integer(std::string_view name) const;
    const std::string* string(std::string_view name) const;

    const IntegerMap& integers() const { return m_integers; }
    const StringMap& strings() const { return m_strings; }
    IntegerMap& integers() { return m_integers; }
    StringMap& strings() { return m_strings; }

private:
    IntegerMap m_integers;
    StringMap m_strings;
};

// A name that begins with "C" or "L" is looked up only among the system variables, so a declared
// variable of such a name can be assigned but never read.
std::optional<std::int32_t> find_int(Engine& engine, std::string_view name);
std::optional<std::string> find_string(Engine& engine, std::string_view name);

} // namespace advplay::script
