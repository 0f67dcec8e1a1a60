// .sav and .lod.
#include "script/save_commands.h"

#include "common/data_path.h"
#include "common/engine_texts.h"
#include "common/shift_jis.h"
#include "engine/engine.h"
#include "persist/save_file.h"
#include "platform/files.h"
#include "script/interpreter.h"
#include "script/line_reader.h"

#include <string>

namespace advplay::script {

namespace {

constexpr std::string_view kSaveExtension = ".sav";

std::optional<persist::SaveContents> read_save(Engine& engine, std::string_view path)
{
    persist::ByteBuffer bytes;
    if (!bytes.load_file(engine.platform.files, path))
        return std::nullopt;
    return persist::parse_save(std::move(bytes));
}

// The folder part of a path, or empty when it has none.
std::string_view folder_of(std::string_view path)
{
    std::size_t const separator = find_last_sjis(path, '\\');
    return separator == kNotFound ? std::string_view() : path.substr(0, separator);
}

} // namespace

bool save_variables(Engine& engine, std::string_view path)
{
    persist::ByteBuffer const bytes
        = persist::build_save(engine.variables.integers(), engine.variables.strings());
    platform::Files& files = engine.platform.files;
    // Refused before anything of the save (its folder, its temporary file) is touched.
    if (!files.reachable(path))
        return false;
    // A save folder lost when the game was copied (archives drop empty folders) is made again.
    std::string_view const folder = folder_of(path);
    if (!folder.empty() && files.kind(folder) == platform::PathKind::Missing)
        (void)files.create_folders(folder);
    return persist::write_save(files, path, bytes);
}

bool load_variables(Engine& engine, std::string_view path)
{
    auto const contents = read_save(engine, path);
    if (!contents)
        return false;
    VariableTable& variables = engine.variables;
    // The names the save adds must fit the budget before anything changes.
    std::size_t added = 0;
    for (auto const& [name, value] : contents->integers) {
        if (variables.kind(name) == VariableKind::None)
            added += VariableTable::cost(name);
    }
    // Every text counts whole, as if none replaced an old one: only a load near the budget can
    // tell the difference.
    for (auto const& [name, text] : contents->strings) {
        if (variables.kind(name) == VariableKind::None)
            added += VariableTable::cost(name);
        added += text.size();
    }
    if (!variables.has_room_for(added))
        return false;
    // A name declared as the other kind keeps its kind: a name lives in one map only.
    for (auto const& [name, value] : contents->integers)
        (void)variables.put_int(name, value);
    for (auto const& [name, text] : contents->strings)
        (void)variables.put_string(name, text);
    return true;
}

bool load_variable(Engine& engine, std::string_view path, std::string_view variable)
{
    VariableKind const kind = engine.variables.kind(variable);
    if (kind == VariableKind::None)
        return false;
    auto const contents = read_save(engine, path);
    if (!contents)
        return false;
    if (kind == VariableKind::Integer) {
        for (auto const& [name, value] : contents->integers) {
            if (name == variable)
                return engine.variables.assign_int(variable, value);
        }
        return false;
    }
    for (auto const& [name, text] : contents->strings) {
        if (name == variable)
            return engine.variables.assign_string(variable, text);
    }
    return false;
}

void save_command(Engine& engine)
{
    next_string(engine);
    auto const path
        = resolve_data_path(engine.interpreter.token.view(), engine.settings.save_path, kSaveExtension);
    if (!path || !save_variables(engine, *path))
        script_error(engine, texts::kSaveFailed.sjis);
}

void load_command(Engine& engine)
{
    next_string(engine);
    std::string const name(engine.interpreter.token.view());
    next_string(engine);
    std::string const variable(engine.interpreter.token.view());
    auto const path = resolve_data_path(name, engine.settings.save_path, kSaveExtension);
    if (!path) {
        script_error(engine, texts::kLoadFailed.sjis);
        return;
    }
    // A save that does not exist yet is no error: the game has simply not saved there.
    if (engine.platform.files.kind(*path) == platform::PathKind::Missing)
        return;
    bool const loaded
        = variable.empty() ? load_variables(engine, *path) : load_variable(engine, *path, variable);
    if (!loaded)
        script_error(engine, texts::kLoadFailed.sjis, "cannot read the save \"" + *path + "\"");
}

} // namespace advplay::script
