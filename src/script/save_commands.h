// .sav and .lod: the script variables to and from save files.
#pragma once

#include <string_view>

namespace advplay {
class Engine;
}

namespace advplay::script {

void save_command(Engine& engine);
void load_command(Engine& engine);

// Writes every variable to the file; false when the file could not be written.
bool save_variables(Engine& engine, std::string_view path);
// Reads every variable of the file into the table, adding names it lacks; false, and no variable
// changed, when the file cannot be read or is not a whole save file.
bool load_variables(Engine& engine, std::string_view path);
// Reads one declared variable; false, and nothing changed, when it is not declared, is not in the
// file's section of its kind, or the file is not a whole save file.
bool load_variable(Engine& engine, std::string_view path, std::string_view variable);

} // namespace advplay::script
