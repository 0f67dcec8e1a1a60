// Running advplay: builds the platform backend, starts the engine and runs the frame loop.
#include "app/runner.h"

#include "app/command_table.h"
#include "app/frame_loop.h"
#include "app/startup.h"
#include "common/shift_jis.h"
#include "engine/engine.h"
#include "persist/save_file.h"
#include "persist/scenario_unpack.h"
#include "platform/headless/headless_message_box.h"
#include "platform/headless/headless_window.h"
#include "platform/headless/virtual_clock.h"
#include "platform/posix/host_files.h"
#include "platform/sdl/steady_clock.h"
#include "platform/text_output.h"

#include <cstdio>
#include <filesystem>
#include <memory>

namespace advplay::app {

namespace {

void say(const std::string& text) { std::fprintf(stderr, "advplay: %s\n", text.c_str()); }

// A host path from the command line as the engine spells paths: Shift-JIS when it converts.
std::string engine_path(const platform::TextEncoding& encoding, const std::string& host)
{
    auto converted = encoding.to_sjis(host);
    return converted ? *converted : host;
}

bool has_extension(std::string_view name, std::string_view extension)
{
    return name.size() > extension.size() && lower_ascii(name.substr(name.size() - extension.size())) == extension;
}

// The game's ini file: the one named on the command line, else the one named after the game's only
// executable, else the only one there is. Defaults apply without one.
std::optional<std::string> choose_ini(platform::Files& files, const CommandLine& line, std::string& error)
{
    if (line.ini_name)
        return *line.ini_name;
    auto entries = files.list_folder(".");
    if (!entries)
        return std::nullopt;
    std::vector<std::string> executables;
    std::vector<std::string> inis;
    for (auto const& entry : *entries) {
        if (entry.is_folder)
            continue;
        if (has_extension(entry.name, ".exe"))
            executables.push_back(entry.name);
        if (has_extension(entry.name, ".ini"))
            inis.push_back(entry.name);
    }
    if (executables.size() == 1) {
        std::string const& exe = executables.front();
        return exe.substr(0, exe.size() - 4) + ".ini";
    }
    if (inis.size() == 1)
        return inis.front();
    if (inis.size() > 1) {
        error = "the game folder has several ini files; choose one with --ini:";
        for (auto const& name : inis)
            error += " " + name;
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

int run_game(const CommandLine& line, const std::string& demo_folder)
{
    std::string const folder = line.operands.empty() ? demo_folder : line.operands.front();
    std::error_code status;
    if (!std::filesystem::is_directory(folder, status)) {
        say("no game folder at " + folder);
        return kExitStartupFailed;
    }
    std::string const root = std::filesystem::absolute(folder, status).lexically_normal().string();

    platform::TextEncoding encoding;
    platform::HostFiles files(root, encoding);
    platform::FileOutput error_output(stderr);
    platform::HeadlessWindow window;
    platform::HeadlessMessageBox message_box(error_output, encoding,
        line.answer == YesNo::Yes ? platform::MessageBoxAnswer::Yes : platform::MessageBoxAnswer::No);
    std::unique_ptr<platform::Clock> clock;
    if (line.headless) {
        auto virtual_clock = std::make_unique<platform::VirtualClock>();
        if (line.date) {
            auto const start = platform::parse_date_time(*line.date);
            if (!start) {
                say("--date wants \"YYYY-MM-DD HH:MM:SS\" with a real date, not \"" + *line.date + "\"");
                return kExitUsage;
            }
            virtual_clock->set_calendar(*start);
        }
        clock = std::move(virtual_clock);
    } else {
        if (line.date)
            say("--date applies to --headless runs only; the real calendar is used");
        say("the game window is not built yet: playing in the console in real time (message boxes on stderr)");
        clock = std::make_unique<platform::SteadyClock>();
    }

    std::string error;
    auto const ini_name = choose_ini(files, line, error);
    if (!error.empty()) {
        say(error);
        return kExitStartupFailed;
    }
    IniFile ini;
    if (ini_name) {
        persist::ByteBuffer bytes;
        if (bytes.load_file(files, *ini_name))
            ini = IniFile::parse(bytes.view(), [&encoding](const std::string& text) { return encoding.to_sjis(text); });
        else if (line.ini_name)
            say("cannot read the ini file " + *ini_name + "; using the defaults");
    }

    Engine engine({ *clock, window, message_box, files, encoding }, standard_commands());
    if (line.trace)
        engine.trace = &error_output;
    if (start_up(engine, ini, { line.seed }) == StartupResult::Failed)
        return kExitStartupFailed;
    switch (frame_loop(engine, { line.max_time, line.max_passes })) {
    case RunEnd::Closed:
        return kExitEnded;
    case RunEnd::TimeLimit:
    case RunEnd::PassLimit:
        return kExitLimit;
    }
    return kExitEnded;
}

int run_pack(const CommandLine& line)
{
    platform::TextEncoding encoding;
    std::error_code status;
    platform::HostFiles files(std::filesystem::current_path(status).string(), encoding);
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
    say("packed " + std::to_string(scripts) + " scripts (" + std::to_string(store.text().size()) + " bytes of text) into "
        + line.operands[1]);
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
            if ((part.empty() && !last) || part == "." || part == ".." || part.find('\0') != std::string_view::npos)
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
    platform::HostFiles files(std::filesystem::current_path(status).string(), encoding);
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
        for (std::size_t i = 0; i + 1 < parts.size(); ++i)
            folder += "\\" + std::string(parts[i]);
        std::string const path = folder + "\\" + std::string(parts.back()) + ".txt";
        auto file = files.create_folders(folder) ? files.open_write(path) : nullptr;
        std::span<const std::uint8_t> const bytes(reinterpret_cast<const std::uint8_t*>(script.text.data()), script.text.size());
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
    platform::HostFiles files(std::filesystem::current_path(status).string(), encoding);
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

} // namespace advplay::app
