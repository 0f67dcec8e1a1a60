// Fuzz target: a save file parsed and rebuilt, then loaded by ".lod" (whole and one variable at a time)
// into a headless engine whose config script declared a few variables; they must change exactly as
// the file says or not at all.
#include "memory_files.h"

#include "app/command_table.h"
#include "app/config_script.h"
#include "engine/engine.h"
#include "persist/save_file.h"
#include "platform/headless/headless_message_box.h"
#include "platform/headless/headless_window.h"
#include "platform/headless/virtual_clock.h"
#include "platform/text_encoding.h"
#include "platform/text_output.h"
#include "script/line_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using namespace advplay;

// Declared integers and strings, arrays among them, and names of the reserved "C" and "L" kind,
// which a load may set although no script can read them.
constexpr std::string_view kConfig = ".int a b c n[4] Cnt\r\n"
                                     ".str s t name[2] Lst\r\n";
// The variables ".lod slot NAME" is tried on, beside a few names taken from the file itself.
constexpr std::string_view kLoadedOne[] = { "a", "n3", "Cnt", "s", "name1", "Lst", "undeclared" };

struct Maps {
    persist::IntegerMap integers;
    persist::StringMap strings;
    bool operator==(const Maps&) const = default;
};

Maps as_maps(const persist::SaveContents& contents)
{
    Maps maps;
    for (auto const& [name, value] : contents.integers)
        maps.integers[name] = value;
    for (auto const& [name, text] : contents.strings)
        maps.strings[name] = text;
    return maps;
}

persist::ByteBuffer buffer_of(std::string_view bytes)
{
    persist::ByteBuffer buffer;
    // An empty input leaves the buffer empty, which is what loading an empty file gives too.
    if (!bytes.empty() && !buffer.assign(bytes.data(), bytes.size()))
        __builtin_trap();
    return buffer;
}

std::optional<persist::SaveContents> parse(std::string_view bytes)
{
    return persist::parse_save(buffer_of(bytes));
}

// Whether the entries of a parsed file are those of the map, in its order.
template<typename Entries, typename Map> bool same_entries(const Entries& entries, const Map& map)
{
    return std::equal(
        entries.begin(), entries.end(), map.begin(), map.end(), [](auto const& entry, auto const& mapped) {
            return entry.first == mapped.first && entry.second == mapped.second;
        });
}

// What a save built from the contents holds must parse again to the same variables, in the file's
// (sorted) order, and build again to the same bytes.
void check_round_trip(const persist::SaveContents& contents)
{
    Maps const maps = as_maps(contents);
    persist::ByteBuffer const built = persist::build_save(maps.integers, maps.strings);
    auto const again = parse(built.view());
    if (!again)
        __builtin_trap();
    if (!same_entries(again->integers, maps.integers) || !same_entries(again->strings, maps.strings))
        __builtin_trap();
    Maps const again_maps = as_maps(*again);
    if (persist::build_save(again_maps.integers, again_maps.strings).view() != built.view())
        __builtin_trap();
}

Maps table_of(const Engine& engine)
{
    return { engine.variables.integers(), engine.variables.strings() };
}

// Runs one line the way the interpreter dispatches it: the word, then its handler.
void run_command(Engine& engine, std::string_view line)
{
    engine.interpreter.current_line.assign(line);
    script::next_token(engine);
    auto const* command = engine.commands.find(engine.interpreter.token.view());
    if (!command || !command->handler)
        __builtin_trap();
    command->handler(engine);
}

// Whether the tokenizer would hand the name to ".lod" unchanged: no separators, quotes, bracket
// references or two-byte characters that could swallow what follows.
bool passes_as_token(std::string_view name)
{
    if (name.empty())
        return false;
    for (char c : name) {
        if (c <= ' ' || c > '~' || c == '"' || c == '[' || c == ']')
            return false;
    }
    return true;
}

class LoadCheck {
public:
    LoadCheck(Engine& engine, const platform::StringOutput& messages)
        : m_engine(engine)
        , m_messages(messages)
    {
    }

    // ".lod slot": each name gets the last value of its kind in the file, unless it is a variable of
    // the other kind; a refused file changes nothing and says so.
    void load_all(const std::optional<persist::SaveContents>& contents)
    {
        Maps expected = table_of(m_engine);
        if (contents) {
            for (auto const& [name, value] : contents->integers) {
                if (!expected.strings.contains(name))
                    expected.integers[name] = value;
            }
            for (auto const& [name, text] : contents->strings) {
                if (!expected.integers.contains(name))
                    expected.strings[name] = text;
            }
        }
        run_and_compare("slot", expected, !contents);
    }

    // ".lod slot NAME": a declared variable takes the first value of its kind in the file; anything
    // else (not declared, not in the file, a refused file) is an error that changes nothing.
    void load_one(const std::optional<persist::SaveContents>& contents, std::string_view name)
    {
        Maps expected = table_of(m_engine);
        bool found = false;
        if (contents) {
            if (auto it = expected.integers.find(name); it != expected.integers.end()) {
                for (auto const& [entry, value] : contents->integers) {
                    if (entry == name) {
                        it->second = value;
                        found = true;
                        break;
                    }
                }
            } else if (auto that = expected.strings.find(name); that != expected.strings.end()) {
                for (auto const& [entry, text] : contents->strings) {
                    if (entry == name) {
                        that->second = text;
                        found = true;
                        break;
                    }
                }
            }
        }
        run_and_compare("slot " + std::string(name), expected, !found);
    }

private:
    void run_and_compare(const std::string& arguments, const Maps& expected, bool error_expected)
    {
        std::size_t const before = m_messages.text().size();
        run_command(m_engine, ".lod " + arguments);
        bool const reported = m_messages.text().size() != before;
        if (reported != error_expected || table_of(m_engine) != expected)
            __builtin_trap();
    }

    Engine& m_engine;
    const platform::StringOutput& m_messages;
};

// Every variable the table holds must come back from a ".sav" of it, in its order.
void check_saved_table(Engine& engine, fuzz::MemoryFiles& files, const platform::StringOutput& messages)
{
    std::size_t const before = messages.text().size();
    run_command(engine, ".sav saved");
    if (messages.text().size() != before)
        __builtin_trap();
    auto file = files.open_read("data\\saved.sav");
    if (!file)
        __builtin_trap();
    std::string bytes(static_cast<std::size_t>(file->size()), '\0');
    if (file->read({ reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size() }) != bytes.size())
        __builtin_trap();
    auto const saved = parse(bytes);
    if (!saved)
        __builtin_trap();
    Maps const table = table_of(engine);
    if (!same_entries(saved->integers, table.integers) || !same_entries(saved->strings, table.strings))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The conversion tables are opened once; every input gets its own engine.
    static const platform::TextEncoding encoding;
    std::string_view const bytes(reinterpret_cast<const char*>(data), size);

    auto const contents = parse(bytes);
    // A refused file always has a reason to show, an accepted one none.
    if (contents.has_value() != persist::describe_save_problem(buffer_of(bytes)).empty())
        __builtin_trap();
    if (contents)
        check_round_trip(*contents);

    fuzz::MemoryFiles files;
    files.add("data/config.txt", kConfig);
    files.add("data/slot.sav", bytes);
    platform::VirtualClock clock;
    platform::HeadlessWindow window;
    platform::StringOutput messages;
    platform::HeadlessMessageBox message_box(messages, encoding, platform::MessageBoxAnswer::No);
    Engine engine({ clock, window, message_box, files, encoding }, app::standard_commands());
    // Only the scripts and the config script of a start-up: its surfaces and tables would cost far
    // more than the rest of a run, and ".lod" and ".sav" do not touch them.
    if (!engine.store.load_folder(files, "data", ".txt"))
        __builtin_trap();
    app::run_config_script(engine);

    LoadCheck load(engine, messages);
    // One variable at a time into the declared table first, then the whole file, then one at a time
    // again, now also on names that only the file brought.
    for (auto const name : kLoadedOne)
        load.load_one(contents, name);
    load.load_all(contents);
    std::vector<std::string> names(std::begin(kLoadedOne), std::end(kLoadedOne));
    if (contents && !contents->integers.empty() && passes_as_token(contents->integers.front().first))
        names.push_back(contents->integers.front().first);
    if (contents && !contents->strings.empty() && passes_as_token(contents->strings.back().first))
        names.push_back(contents->strings.back().first);
    for (auto const& name : names)
        load.load_one(contents, name);

    check_saved_table(engine, files, messages);
    return 0;
}
