// ScenarioStore: the whole scenario in memory, its index of scripts and labels, and the pack format.
#pragma once

#include "common/data_path.h"
#include "persist/byte_buffer.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace advplay::platform {
class Files;
}

namespace advplay::persist {

// Every script line is one NUL-terminated entry of ScenarioText; a script ends with an extra NUL and
// the end mark.
constexpr std::uint8_t kEndMark = 0x07;

struct IndexEntry {
    std::int32_t line_index { 0 };
    std::int32_t offset { 0 };
    bool operator==(const IndexEntry&) const = default;
};

// Keys are script names (lower-cased path below the scenario folder, without extension, "\" between
// folders) and labels (script name, ":", label text as written). std::string orders its bytes as
// unsigned, which is the order the pack stores them in.
using ScenarioIndex = std::map<std::string, IndexEntry>;

struct ScriptPosition {
    std::size_t read_offset { 0 };
    std::int32_t line_index { 0 };
    // Lower-cased script name, as used in ScenarioIndex.
    std::string file_name;
    bool valid { false };
};

class ScenarioStore {
public:
    // Loads every script file below `folder` whose extension, lower-cased, equals `extension`.
    // Stops at the first file that cannot be read or is empty, or whose path is too long: false, and
    // what was loaded before stays while the read position stays unset.
    bool load_folder(platform::Files& files, std::string_view folder, std::string_view extension);
    // Loads a scenario pack. A file that cannot be read, lacks the magic, or whose offsets, index
    // entries or text do not fit the file is refused with false, and the store keeps its contents.
    bool load_pack(platform::Files& files, std::string_view path);
    // Writes the loaded scenario as a pack, retrying once after clearing a read-only mark.
    bool export_pack(platform::Files& files, std::string_view path) const;
    // The pack bytes that export_pack writes.
    ByteBuffer build_pack() const;

    // Line access. The next entry (line feed included when it has one), skipping empty entries, or
    // nothing at the end mark; the skipped entries count as lines either way.
    std::optional<std::string_view> read_next_line();
    // Moves to a script ("name") or a label ("name:label"); false and no move when it is missing.
    bool goto_name(std::string_view name);
    // Moves so that the next line read is line n + 1 of the script; false and no move when the script
    // is missing or has fewer than n lines.
    bool goto_line(std::string_view name, std::int32_t n);

    const ScriptPosition& position() const { return m_position; }
    const ScenarioIndex& index() const { return m_index; }
    const ByteBuffer& text() const { return m_text; }
    const std::string& folder() const { return m_folder; }
    const std::string& extension() const { return m_extension; }
    // Why the last load failed, for tools that tell the user (the engine itself stays silent).
    const std::string& last_error() const { return m_last_error; }

private:
    // Larger script files would not fit the store's 32-bit offsets.
    static constexpr std::uint64_t kMaxScriptFile = 0x3FFFFFFF;

    void reset();
    bool load_script_file(platform::Files& files, const std::string& path, const std::string& name,
        ByteBuffer& file);
    // Turns a file's bytes into entries written from `out` on in the text; returns the end.
    std::size_t split_file(const std::string& script_name, const std::uint8_t* bytes, std::size_t size,
        std::size_t out);

    std::string m_folder;
    std::string m_extension;
    ScenarioIndex m_index;
    ByteBuffer m_text;
    ScriptPosition m_position;
    std::string m_last_error;
};

} // namespace advplay::persist
