// The authoring subcommands: scenario packs and save files.
#include "app/runner.h"

#include "common/shift_jis.h"
#include "datafile/gplp.h"
#include "persist/save_file.h"
#include "persist/scenario_store.h"
#include "persist/scenario_unpack.h"
#include "platform/posix/host_files.h"

#include <cstdio>
#include <filesystem>

namespace advplay::app {

namespace {

void say(const std::string& text)
{
    std::fprintf(stderr, "advplay: %s\n", text.c_str());
}

// A host path from the command line as the engine spells paths: Shift-JIS when it converts.
std::string engine_path(const platform::TextEncoding& encoding, const std::string& host)
{
    auto converted = encoding.to_sjis(host);
    return converted ? *converted : host;
}

} // namespace

int run_pack(const CommandLine& line)
{
    platform::TextEncoding encoding;
    std::error_code status;
    platform::HostFiles files(
        std::filesystem::current_path(status).string(), encoding, platform::HostFiles::Reach::Anywhere);
    std::string const folder = engine_path(encoding, line.operands[0]);
    std::string const output = engine_path(encoding, line.operands[1]);
    if (files.kind(folder) != platform::PathKind::Folder) {
        say("no scenario folder at " + line.operands[0]);
        return kExitUsage;
    }
    persist::ScenarioStore store;
    if (!store.load_folder(files, folder, line.extension)) {
        say("cannot pack " + line.operands[0] + ": " + encoding.to_utf8(store.last_error()));
        return kExitUsage;
    }
    std::size_t scripts = 0;
    for (auto const& [key, entry] : store.index())
        scripts += key.find(':') == std::string::npos;
    if (!store.export_pack(files, output)) {
        say("cannot write " + line.operands[1]);
        return kExitUsage;
    }
    say("packed " + std::to_string(scripts) + " scripts (" + std::to_string(store.text().size())
        + " bytes of text) into " + line.operands[1]);
    return kExitEnded;
}

namespace {

// Script names come from a pack, which may be hostile: every part must be a plain name.
bool safe_script_name(std::string_view name, std::vector<std::string_view>& parts)
{
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && is_lead_byte(name[i])) {
            ++i;
            continue;
        }
        if (i < name.size() && name[i] == '/')
            return false;
        if (i == name.size() || name[i] == '\\') {
            std::string_view const part = name.substr(begin, i - begin);
            bool const last = i >= name.size();
            if ((part.empty() && !last) || part == "." || part == ".."
                || part.find('\0') != std::string_view::npos)
                return false;
            parts.push_back(part);
            begin = i + 1;
        }
    }
    return true;
}

} // namespace

int run_unpack(const CommandLine& line)
{
    platform::TextEncoding encoding;
    std::error_code status;
    platform::HostFiles files(
        std::filesystem::current_path(status).string(), encoding, platform::HostFiles::Reach::Anywhere);
    persist::ScenarioStore store;
    if (!store.load_pack(files, engine_path(encoding, line.operands[0]))) {
        say("cannot unpack " + line.operands[0] + ": " + store.last_error());
        return kExitUsage;
    }
    std::string const output = engine_path(encoding, line.operands[1]);
    if (!files.create_folders(output)) {
        say("cannot create the folder " + line.operands[1]);
        return kExitUsage;
    }
    std::vector<std::string> warnings;
    auto const scripts = persist::unpack_scripts(store, warnings);
    int written = 0;
    bool failed = false;
    for (auto const& script : scripts) {
        std::vector<std::string_view> parts;
        if (!safe_script_name(script.name, parts)) {
            say("skipped a script whose name is not a plain path: " + encoding.to_utf8(script.name));
            failed = true;
            continue;
        }
        std::string folder = output;
        for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
            folder += '\\';
            folder += parts[i];
        }
        std::string path = folder;
        path += '\\';
        path += parts.back();
        path += ".txt";
        auto file = files.create_folders(folder) ? files.open_write(path) : nullptr;
        std::span<const std::uint8_t> const bytes(
            reinterpret_cast<const std::uint8_t*>(script.text.data()), script.text.size());
        if (!file || !file->write(bytes) || !file->close()) {
            say("cannot write " + encoding.to_utf8(path));
            failed = true;
            continue;
        }
        ++written;
    }
    for (auto const& warning : warnings)
        say(encoding.to_utf8(warning));
    say("unpacked " + std::to_string(written) + " scripts into " + line.operands[1]);
    return failed ? kExitUsage : kExitEnded;
}

int run_savedump(const CommandLine& line)
{
    platform::TextEncoding encoding;
    std::error_code status;
    platform::HostFiles files(
        std::filesystem::current_path(status).string(), encoding, platform::HostFiles::Reach::Anywhere);
    std::string const& name = line.operands[0];
    persist::ByteBuffer bytes;
    if (!bytes.load_file(files, engine_path(encoding, name))) {
        say("cannot read " + name + " (missing, empty or unreadable)");
        return kExitUsage;
    }
    persist::ByteBuffer copy;
    (void)copy.assign(bytes.data(), bytes.size());
    auto const contents = persist::parse_save(std::move(bytes));
    if (!contents) {
        say(name + " is damaged or not a save file: " + persist::describe_save_problem(std::move(copy)));
        return kExitUsage;
    }
    std::printf("%s: %zu integer and %zu string variables\n", name.c_str(), contents->integers.size(),
        contents->strings.size());
    for (auto const& [variable, value] : contents->integers)
        std::printf("int %s = %d\n", encoding.to_utf8(variable).c_str(), value);
    for (auto const& [variable, text] : contents->strings)
        std::printf("str %s = \"%s\"\n", encoding.to_utf8(variable).c_str(), encoding.to_utf8(text).c_str());
    return kExitEnded;
}

int run_gplp(const CommandLine& line)
{
    platform::TextEncoding encoding;
    std::error_code status;
    platform::HostFiles files(
        std::filesystem::current_path(status).string(), encoding, platform::HostFiles::Reach::Anywhere);
    bool const pack = line.operands[0] == "pack";
    std::string const input = engine_path(encoding, line.operands[1]);
    // Packing writes by default the name the engine looks for when the plain file is missing.
    std::string const output
        = line.operands.size() > 2 ? engine_path(encoding, line.operands[2]) : datafile::packed_path(input);
    if (lower_ascii(output) == lower_ascii(input)) {
        say("the output would replace " + line.operands[1] + "; name another file");
        return kExitUsage;
    }
    auto const result
        = pack ? datafile::pack_file(files, input, output) : datafile::unpack_file(files, input, output);
    std::string const shown_output = encoding.to_utf8(output);
    switch (result) {
    case datafile::GplpToolResult::Done:
        say((pack ? "packed " : "unpacked ") + line.operands[1] + " into " + shown_output);
        return kExitEnded;
    case datafile::GplpToolResult::CannotRead:
        say("cannot read " + line.operands[1]
            + (pack ? "" : " (missing, unreadable or a damaged packed file)"));
        return kExitUsage;
    case datafile::GplpToolResult::NotPacked:
        say(line.operands[1] + " is not a packed data file (it does not begin with \"GPLP\")");
        return kExitUsage;
    case datafile::GplpToolResult::CannotWrite:
        say("cannot write " + shown_output);
        return kExitUsage;
    }
    return kExitUsage;
}

} // namespace advplay::app
