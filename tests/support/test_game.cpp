// A headless engine over a temporary game folder.
#include "support/test_game.h"

#include "app/frame_loop.h"
#include "app/startup.h"
#include "media/midi_sequencer.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace advplay::testing {

TemporaryFolder::TemporaryFolder()
{
    std::random_device device;
    auto const base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = base / ("advplay-test-" + std::to_string(device()));
        if (std::filesystem::create_directory(candidate)) {
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TemporaryFolder::~TemporaryFolder()
{
    std::error_code ignored;
    std::filesystem::permissions(
        m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

void TemporaryFolder::write(const std::string& relative, std::string_view bytes) const
{
    auto const target = m_path / relative;
    std::filesystem::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TemporaryFolder::read(const std::string& relative) const
{
    std::ifstream in(m_path / relative, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string sjis(std::string_view utf8)
{
    platform::TextEncoding encoding;
    auto converted = encoding.to_sjis(utf8);
    if (!converted)
        throw std::invalid_argument("test text has no Shift-JIS form");
    return *converted;
}

TestGame::TestGame(platform::MessageBoxAnswer answer, platform::Window* window)
    : m_files(m_folder.path().string(), m_encoding)
    , m_message_box(m_messages, m_encoding, answer)
    , m_engine(std::make_unique<Engine>(Platform { m_clock, window ? *window : m_window, m_message_box,
                                            m_files, m_encoding, &m_audio, &m_images, &m_fonts },
          app::standard_commands()))
{
    m_engine->media.link.player = &m_media;
    m_engine->midi = std::make_unique<media::MidiSequencer>(m_clock, &m_midi_timer, &m_midi_out);
}

void TestGame::write_script(const std::string& name, std::string_view utf8_text)
{
    m_folder.write("data/" + name + ".txt", sjis(utf8_text));
}

bool TestGame::load_and_start()
{
    return app::start_up(*m_engine, app::IniFile()) == app::StartupResult::Ready;
}

std::uint32_t TestGame::run(std::uint64_t max_passes)
{
    app::frame_loop(*m_engine, { std::nullopt, max_passes });
    return m_clock.now();
}

} // namespace advplay::testing
