// A headless engine over a temporary game folder, for tests that run scripts.
#pragma once

#include "app/command_table.h"
#include "engine/engine.h"
#include "platform/codecs/host_image_codecs.h"
#include "platform/fonts/freetype_fonts.h"
#include "platform/headless/headless_message_box.h"
#include "platform/headless/headless_window.h"
#include "platform/headless/recording_audio.h"
#include "platform/headless/recording_media_player.h"
#include "platform/headless/recording_midi_out.h"
#include "platform/headless/virtual_clock.h"
#include "platform/headless/virtual_timer.h"
#include "platform/posix/host_files.h"
#include "platform/text_output.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace advplay::testing {

// A folder under the system's temporary folder, removed with everything in it when the object dies.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // Writes `bytes` to the file at `relative` (a host path with "/"), creating folders on the way.
    void write(const std::string& relative, std::string_view bytes) const;
    std::string read(const std::string& relative) const;

private:
    std::filesystem::path m_path;
};

// Converts UTF-8 test text to the Shift-JIS bytes that game files hold.
std::string sjis(std::string_view utf8);

// An engine on the headless backend with the standard command table, rooted at a temporary folder.
class TestGame {
public:
    // Yes/No boxes get `answer`. The engine shows its picture in `window` if one is given, in the
    // headless window otherwise.
    explicit TestGame(platform::MessageBoxAnswer answer = platform::MessageBoxAnswer::No,
        platform::Window* window = nullptr);

    TemporaryFolder& folder() { return m_folder; }
    // Writes a script (UTF-8 text, stored as Shift-JIS) as data/<name>.txt.
    void write_script(const std::string& name, std::string_view utf8_text);
    // Loads data/ as the scenario and positions at "start"; false when it could not.
    bool load_and_start();
    // Runs the frame loop until the game ends (or a limit); returns the virtual time at the end.
    std::uint32_t run(std::uint64_t max_passes = 1'000'000);

    Engine& engine() { return *m_engine; }
    platform::VirtualClock& clock() { return m_clock; }
    platform::HeadlessWindow& window() { return m_window; }
    platform::RecordingAudio& audio() { return m_audio; }
    // What the media devices asked for; it plays on the virtual clock.
    platform::RecordingMediaPlayer& media() { return m_media; }
    platform::HeadlessMessageBox& message_box() { return m_message_box; }
    // What the MIDI sequencer sent, with virtual times.
    platform::RecordingMidiOut& midi_out() { return m_midi_out; }
    platform::FreeTypeFonts& fonts() { return m_fonts; }
    const platform::HeadlessMessageBox& message_box() const { return m_message_box; }
    // What the message boxes wrote (UTF-8, each box followed by an empty line).
    const std::string& messages() const { return m_messages.text(); }
    // The trace, once enable_trace() was called.
    const std::string& trace() const { return m_trace.text(); }
    void enable_trace() { m_engine->trace = &m_trace; }

private:
    TemporaryFolder m_folder;
    platform::TextEncoding m_encoding;
    platform::HostFiles m_files;
    platform::VirtualClock m_clock;
    platform::HeadlessWindow m_window;
    platform::RecordingAudio m_audio;
    platform::RecordingMediaPlayer m_media { m_clock };
    platform::VirtualTimer m_midi_timer { m_clock };
    platform::RecordingMidiOut m_midi_out { m_clock };
    platform::HostImageCodecs m_images;
    platform::FreeTypeFonts m_fonts { m_encoding };
    platform::StringOutput m_messages;
    platform::StringOutput m_trace;
    platform::HeadlessMessageBox m_message_box;
    std::unique_ptr<Engine> m_engine;
};

} // namespace advplay::testing
