// Generated game folders for the benchmarks, and a headless engine rooted at one.
#pragma once

#include "app/command_table.h"
#include "engine/engine.h"
#include "platform/headless/headless_message_box.h"
#include "platform/headless/headless_window.h"
#include "platform/headless/virtual_clock.h"
#include "platform/posix/host_files.h"
#include "platform/text_encoding.h"
#include "platform/text_output.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace advplay::bench {

// A fresh folder below /tmp, removed with everything in it when the object dies.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return m_path; }
    // Writes the bytes to `relative` ("/" between folders), creating the folders on the way.
    void write(const std::string& relative, std::string_view bytes) const;

private:
    std::string m_path;
};

struct ScenarioShape {
    std::size_t file_count { 2000 };
    std::size_t total_bytes { 50'000'000 };
    std::uint64_t seed { 0x5eed'2024 };
};

// A game folder whose data/ holds script files of Shift-JIS-like text in a few nested folders, plus
// a handful of files with other extensions that the loader must pass over. The same shape and seed
// give the same bytes on every host.
class GeneratedScenario {
public:
    explicit GeneratedScenario(const ScenarioShape& shape);

    const std::string& root() const { return m_folder.path(); }
    // Host paths of the script files, in the order they were written.
    const std::vector<std::string>& script_paths() const { return m_script_paths; }
    const std::vector<std::size_t>& script_sizes() const { return m_script_sizes; }
    std::size_t script_bytes() const { return m_script_bytes; }
    std::size_t largest_script() const { return m_largest_script; }

private:
    ScratchFolder m_folder;
    std::vector<std::string> m_script_paths;
    std::vector<std::size_t> m_script_sizes;
    std::size_t m_script_bytes { 0 };
    std::size_t m_largest_script { 0 };
};

// A game folder whose only script is data/start.txt of `lines` identical lines.
class RepeatedLineGame {
public:
    RepeatedLineGame(std::string_view line, std::size_t lines);

    const std::string& root() const { return m_folder.path(); }

private:
    ScratchFolder m_folder;
};

// An engine on the headless backend with the standard command table, over a host game folder.
class HeadlessEngine {
public:
    explicit HeadlessEngine(const std::string& root);

    Engine& engine() { return *m_engine; }
    platform::VirtualClock& clock() { return m_clock; }
    platform::HostFiles& files() { return m_files; }
    // What the message boxes wrote; empty while no script error was reported.
    const std::string& messages() const { return m_messages.text(); }

private:
    platform::TextEncoding m_encoding;
    platform::HostFiles m_files;
    platform::VirtualClock m_clock;
    platform::HeadlessWindow m_window;
    platform::StringOutput m_messages;
    platform::HeadlessMessageBox m_message_box;
    std::unique_ptr<Engine> m_engine;
};

// Reads every file once, so that later runs find them in the page cache. The bytes read, in total.
std::size_t warm_page_cache(const std::vector<std::string>& host_paths);

// The 50 MB scenario of 2,000 scripts, generated on first use and removed at exit.
const GeneratedScenario& large_scenario();
// The game of one million ".wat 0" lines, generated on first use and removed at exit.
const RepeatedLineGame& million_waits();
constexpr std::size_t kMillionWaitLines = 1'000'000;

} // namespace advplay::bench
