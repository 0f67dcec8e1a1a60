// Generated game folders for the benchmarks: deterministic Shift-JIS-like scripts on disk.
#include "generated_scenario.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace advplay::bench {

namespace {

// splitmix64: tiny, and unlike the standard distributions it yields the same numbers on every library.
class Random {
public:
    explicit Random(std::uint64_t seed)
        : m_state(seed)
    {
    }
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // A number in [0, bound).
    std::uint32_t below(std::uint32_t bound)
    {
        return static_cast<std::uint32_t>(((next() >> 32) * bound) >> 32);
    }
    std::uint32_t between(std::uint32_t low, std::uint32_t high) { return low + below(high - low + 1); }

private:
    std::uint64_t m_state;
};

// Lead bytes of the kana rows and of the first kanji levels; second bytes over the whole valid
// range, 0x5C and 0x7C included, which a careless scanner would take for "\" and "|".
void append_two_byte_character(std::string& out, Random& random)
{
    static constexpr std::array<std::uint8_t, 2> kKanaLeads = { 0x82, 0x83 };
    std::uint8_t const lead = random.below(3) == 0
        ? kKanaLeads[random.below(2)]
        : static_cast<std::uint8_t>(0x88 + random.below(0x9F - 0x88 + 1));
    std::uint32_t const pick = random.below(188);
    // 0x40..0x7E, then 0x80..0xFC (0x7F never follows a lead byte).
    auto const trail = static_cast<std::uint8_t>(pick < 63 ? 0x40 + pick : 0x80 + (pick - 63));
    out += static_cast<char>(lead);
    out += static_cast<char>(trail);
}

void append_japanese(std::string& out, Random& random, std::uint32_t low, std::uint32_t high)
{
    std::uint32_t const count = random.between(low, high);
    for (std::uint32_t i = 0; i < count; ++i)
        append_two_byte_character(out, random);
}

void append_number(std::string& out, std::uint32_t value)
{
    out += std::to_string(value);
}

void append_command(std::string& out, Random& random)
{
    switch (random.below(10)) {
    case 0:
    case 1:
        out += ".wat ";
        append_number(out, random.below(50) * 10);
        break;
    case 2:
        out += ".pic screen bg";
        append_number(out, 100 + random.below(900));
        out += " 0 0";
        break;
    case 3:
        out += ".spr chr";
        append_number(out, random.below(100));
        out += ' ';
        append_number(out, random.below(640));
        out += ' ';
        append_number(out, random.below(480));
        break;
    case 4:
        out += ".cap \"";
        append_japanese(out, random, 2, 6);
        out += ' ';
        append_japanese(out, random, 2, 6);
        out += '"';
        break;
    case 5:
        out += ".let flag";
        append_number(out, random.below(64));
        out += " [flag";
        append_number(out, random.below(64));
        out += ']';
        break;
    case 6:
        out += ".mid bgm";
        append_number(out, random.below(30));
        break;
    case 7:
        out += ".wav se";
        append_number(out, random.below(200));
        out += "\t1";
        break;
    case 8:
        out += ".tps ";
        append_number(out, random.below(600));
        out += ' ';
        append_number(out, random.below(400));
        break;
    default:
        out += ".jmp scene";
        append_number(out, random.below(2000));
        out += ":label";
        append_number(out, random.below(20));
        break;
    }
}

// One line with its CR LF.
void append_line(std::string& out, Random& random, std::uint32_t& label_number)
{
    std::uint32_t const kind = random.below(100);
    if (kind < 8) {
        // Empty line.
    } else if (kind < 16) {
        out += random.below(2) ? "# " : "#";
        if (random.below(2))
            append_japanese(out, random, 4, 20);
        else
            out += "note for the scene painter";
    } else if (kind < 20) {
        out += ":label";
        append_number(out, label_number++);
    } else if (kind < 60) {
        if (random.below(8) == 0)
            out += random.below(2) ? "\t" : "\t\t";
        append_command(out, random);
    } else {
        if (random.below(10) == 0)
            out += '\t';
        append_japanese(out, random, 6, 30);
        if (random.below(5) == 0) {
            out += "ABC ";
            append_japanese(out, random, 2, 10);
        }
        if (random.below(20) == 0)
            out += "[flag1]";
    }
    out += "\r\n";
}

std::string script_text(Random& random, std::size_t target_size)
{
    std::string out;
    out.reserve(target_size + 256);
    out += "# generated scene\r\n";
    std::uint32_t label_number = 0;
    while (out.size() < target_size)
        append_line(out, random, label_number);
    return out;
}

} // namespace

ScratchFolder::ScratchFolder()
{
    char pattern[] = "/tmp/advplay-bench-XXXXXX";
    if (!::mkdtemp(pattern)) {
        std::perror("advplay_bench: cannot create a folder below /tmp");
        std::exit(1);
    }
    m_path = pattern;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

void ScratchFolder::write(const std::string& relative, std::string_view bytes) const
{
    std::filesystem::path const target = std::filesystem::path(m_path) / relative;
    std::filesystem::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "advplay_bench: cannot write %s\n", target.c_str());
        std::exit(1);
    }
}

GeneratedScenario::GeneratedScenario(const ScenarioShape& shape)
{
    static constexpr std::array<const char*, 6> kFolders
        = { "", "ch1/", "ch2/", "ch3/", "ch4/", "ch4/extra/" };
    Random random(shape.seed);
    std::size_t const average = shape.total_bytes / shape.file_count;
    for (std::size_t i = 0; i < shape.file_count; ++i) {
        char name[32];
        // Some names in capitals, as old games have them; the store lower-cases them.
        std::snprintf(name, sizeof name, i % 7 == 0 ? "EV%04zu.TXT" : "s%04zu.txt", i);
        std::string const relative = std::string("data/") + kFolders[i % kFolders.size()] + name;
        std::size_t const target = average / 2 + random.below(static_cast<std::uint32_t>(average));
        std::string const text = script_text(random, target);
        m_folder.write(relative, text);
        m_script_paths.push_back(m_folder.path() + '/' + relative);
        m_script_sizes.push_back(text.size());
        m_script_bytes += text.size();
        m_largest_script = std::max(m_largest_script, text.size());
    }
    m_folder.write("data/readme.doc", "not a script\r\n");
    m_folder.write("data/ch2/notes", "no extension\r\n");
    m_folder.write("data/ch4/old.txt.bak", "backup\r\n");
    // Written pages would otherwise go to the disk while a benchmark runs.
    ::sync();
}

RepeatedLineGame::RepeatedLineGame(std::string_view line, std::size_t lines)
{
    std::string text;
    text.reserve((line.size() + 2) * lines);
    for (std::size_t i = 0; i < lines; ++i) {
        text += line;
        text += "\r\n";
    }
    m_folder.write("data/start.txt", text);
    ::sync();
}

HeadlessEngine::HeadlessEngine(const std::string& root)
    : m_files(root, m_encoding)
    , m_message_box(m_messages, m_encoding, platform::MessageBoxAnswer::No)
    , m_engine(std::make_unique<Engine>(
          Platform { m_clock, m_window, m_message_box, m_files, m_encoding }, app::standard_commands()))
{
}

std::size_t warm_page_cache(const std::vector<std::string>& host_paths)
{
    std::vector<char> buffer(1 << 20);
    std::size_t total = 0;
    for (auto const& path : host_paths) {
        int const descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor < 0)
            continue;
        for (;;) {
            ssize_t const got = ::read(descriptor, buffer.data(), buffer.size());
            if (got <= 0)
                break;
            total += static_cast<std::size_t>(got);
        }
        ::close(descriptor);
    }
    return total;
}

const GeneratedScenario& large_scenario()
{
    static const GeneratedScenario scenario { ScenarioShape {} };
    return scenario;
}

const RepeatedLineGame& million_waits()
{
    static const RepeatedLineGame game(".wat 0", kMillionWaitLines);
    return game;
}

} // namespace advplay::bench
