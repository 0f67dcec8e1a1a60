// ScenarioStore: folder and pack loaders, the line splitter, pack export and line navigation.
#include "persist/scenario_store.h"

#include "common/shift_jis.h"
#include "platform/files.h"

#include <cstring>
#include <vector>

namespace advplay::persist {

namespace {

constexpr char kPackMagic[4] = { 'S', 'C', 'N', '\0' };
constexpr std::size_t kPackHeaderSize = 12;

// The first line feed or carriage return in [from, end), or end. Eight bytes are tested at a time:
// a byte equal to c makes (v ^ c) have a zero byte, which (x - 0x01..) & ~x & 0x80.. detects.
const std::uint8_t* find_line_break(const std::uint8_t* from, const std::uint8_t* end)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHighs = 0x8080808080808080u;
    while (end - from >= 8) {
        std::uint64_t word;
        std::memcpy(&word, from, sizeof word);
        std::uint64_t const feeds = word ^ (kOnes * '\n');
        std::uint64_t const returns = word ^ (kOnes * '\r');
        if ((((feeds - kOnes) & ~feeds) | ((returns - kOnes) & ~returns)) & kHighs)
            break;
        from += 8;
    }
    while (from < end && *from != '\n' && *from != '\r')
        ++from;
    return from;
}

// Whether the byte at `at` is the second byte of a two-byte character, where `line_start` is known
// to begin a character. Any byte outside the lead range ends a character, so it is one exactly when
// the run of lead-range bytes right before it is odd.
bool is_second_byte(const std::uint8_t* line_start, const std::uint8_t* at)
{
    std::size_t run = 0;
    for (auto const* back = at; back > line_start && is_lead_byte(back[-1]); --back)
        ++run;
    return run % 2 == 1;
}

// Walks one line from `line_start`: hands the pieces between carriage returns that stand alone to
// `sink`, and returns the line feed that ends the line, or nullptr when the file ends first.
template<typename Sink>
const std::uint8_t* scan_line(const std::uint8_t* line_start, const std::uint8_t* end, Sink&& sink)
{
    const std::uint8_t* piece = line_start;
    const std::uint8_t* from = line_start;
    for (;;) {
        const std::uint8_t* const found = find_line_break(from, end);
        if (found == end) {
            if (end > piece)
                sink(piece, static_cast<std::size_t>(end - piece));
            return nullptr;
        }
        from = found + 1;
        if (is_second_byte(line_start, found))
            continue;
        if (found > piece)
            sink(piece, static_cast<std::size_t>(found - piece));
        if (*found == '\n')
            return found;
        piece = found + 1;
    }
}

// The line after `line`. A pack may put a label at any line index, the largest one included, and
// counting on from there wraps around as the original's 32-bit counter did.
std::int32_t next_line(std::int32_t line)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(line) + 1U);
}

bool ends_with_separator(std::string_view path)
{
    if (path.empty())
        return false;
    std::size_t const last = find_last_sjis(path, '\\');
    std::size_t const last_slash = find_last_sjis(path, '/');
    std::size_t const size = path.size();
    return (last != kNotFound && last == size - 1) || (last_slash != kNotFound && last_slash == size - 1);
}

// Depth-first scan in listing order; folders are entered where they are listed.
bool collect_files(platform::Files& files, const std::string& folder, std::string_view extension,
    std::vector<std::string>& out, std::string& error)
{
    auto entries = files.list_folder(folder);
    if (!entries)
        return true;
    for (auto const& entry : *entries) {
        std::string path = folder + entry.name;
        if (path.size() > kMaxPathLength) {
            error = "path longer than " + std::to_string(kMaxPathLength) + " bytes: " + path;
            return false;
        }
        if (entry.is_folder) {
            if (!collect_files(files, path + '\\', extension, out, error))
                return false;
            continue;
        }
        std::size_t const dot = find_last_sjis(entry.name, '.');
        if (dot == kNotFound)
            continue;
        if (lower_ascii(std::string_view(entry.name).substr(dot)) == extension)
            out.push_back(std::move(path));
    }
    return true;
}

} // namespace

void ScenarioStore::reset()
{
    m_index.clear();
    m_text.clear();
    m_position = {};
}

bool ScenarioStore::load_folder(platform::Files& files, std::string_view folder, std::string_view extension)
{
    m_last_error.clear();
    m_folder = std::string(folder);
    m_extension = lower_ascii(extension);

    std::string base = m_folder;
    if (!ends_with_separator(base))
        base += '\\';
    std::vector<std::string> file_list;
    bool const listed = collect_files(files, base, m_extension, file_list, m_last_error);

    reset();
    if (!listed)
        return false;

    ByteBuffer file;
    for (auto const& path : file_list) {
        std::string name = lower_ascii(path);
        name = name.substr(base.size(), name.size() - base.size() - m_extension.size());
        if (!load_script_file(files, path, name, file)) {
            m_last_error = "cannot read the script file (missing, empty or unreadable): " + path;
            return false;
        }
    }
    m_text.shrink();
    m_position = { 0, 0, {}, true };
    return true;
}

bool ScenarioStore::load_script_file(platform::Files& files, const std::string& path, const std::string& name,
    ByteBuffer& file)
{
    // The file goes into a block that is reused from file to file, so its pages stay in the cache
    // for the splitter; reading it straight into fresh pages of the text made the splitter wait for
    // memory.
    if (!file.load_file(files, path) || file.size() > kMaxScriptFile)
        return false;
    std::size_t const size = file.size();
    std::size_t const start = m_text.size();
    // The entries of a file take at most one and a half times its bytes (a two-byte line "a\n"
    // becomes "a\n\0"), plus the two bytes that close the script.
    if (!m_text.reserve_at_least(start + size + size / 2 + 2))
        return false;
    m_index[name] = { 0, static_cast<std::int32_t>(start) };
    std::size_t const end = split_file(name, file.data(), size, start);
    m_text.data()[end] = 0x00;
    m_text.data()[end + 1] = kEndMark;
    m_text.set_size(end + 2);
    return true;
}

std::size_t ScenarioStore::split_file(const std::string& script_name, const std::uint8_t* bytes, std::size_t size,
    std::size_t out)
{
    std::uint8_t* const text = m_text.data();
    auto const put = [text, &out](const std::uint8_t* from, std::size_t length) {
        std::memcpy(text + out, from, length);
        out += length;
    };

    const std::uint8_t* p = bytes;
    const std::uint8_t* const end = bytes + size;
    std::int32_t line = 0;
    while (p < end) {
        while (p < end && (*p == '\t' || *p == '\r'))
            ++p;
        if (p == end)
            break;
        const std::uint8_t* const start = p;
        const std::uint8_t* line_feed = start;
        if (*start == '\n') {
            text[out++] = 0x00;
        } else if (*start == '#') {
            line_feed = scan_line(start, end, [](const std::uint8_t*, std::size_t) { });
            // A comment that runs to the end of the file is closed by the end of the script.
            if (line_feed)
                text[out++] = 0x00;
        } else if (*start == ':') {
            std::string key = script_name;
            key += ':';
            line_feed = scan_line(start + 1, end, [&key](const std::uint8_t* from, std::size_t length) {
                key.append(reinterpret_cast<const char*>(from), length);
            });
            m_index[key] = { line, static_cast<std::int32_t>(out) };
            if (line_feed)
                text[out++] = 0x00;
        } else {
            line_feed = scan_line(start, end, put);
            if (line_feed) {
                text[out++] = 0x0A;
                text[out++] = 0x00;
            }
        }
        ++line;
        p = line_feed ? line_feed + 1 : end;
    }
    return out;
}

ByteBuffer ScenarioStore::build_pack() const
{
    ByteBuffer pack;
    (void)pack.append(kPackMagic, sizeof kPackMagic);
    pack.append_int32(0);
    pack.append_int32(0);
    for (auto const& [key, entry] : m_index) {
        if (!key.empty())
            (void)pack.append(key);
        pack.append_byte(0);
        pack.append_int32(entry.line_index);
        pack.append_int32(entry.offset);
    }
    auto const text_start = static_cast<std::int32_t>(pack.size());
    if (!m_text.empty())
        (void)pack.append(m_text.data(), m_text.size());
    pack.put_int32(4, static_cast<std::int32_t>(kPackHeaderSize));
    pack.put_int32(8, text_start);
    pack.invert_range(4, 0);
    return pack;
}

bool ScenarioStore::export_pack(platform::Files& files, std::string_view path) const
{
    ByteBuffer const pack = build_pack();
    auto out = files.open_write(path);
    if (!out) {
        if (!files.clear_read_only(path))
            return false;
        out = files.open_write(path);
        if (!out)
            return false;
    }
    bool const written = out->write(pack.bytes());
    bool const closed = out->close();
    return written && closed;
}

bool ScenarioStore::load_pack(platform::Files& files, std::string_view path)
{
    m_last_error.clear();
    ByteBuffer pack;
    if (!pack.load_file(files, path)) {
        m_last_error = "cannot read the pack (missing, empty or unreadable)";
        return false;
    }
    if (pack.size() < sizeof kPackMagic || std::memcmp(pack.data(), kPackMagic, sizeof kPackMagic) != 0) {
        m_last_error = "not a scenario pack (the file does not begin with \"SCN\")";
        return false;
    }
    pack.invert_range(4, 0);
    if (pack.size() < kPackHeaderSize) {
        m_last_error = "the pack is shorter than its header";
        return false;
    }
    std::int64_t const size = static_cast<std::int64_t>(pack.size());
    std::int64_t const index_start = pack.int32_at(4);
    std::int64_t const text_start = pack.int32_at(8);
    if (index_start < static_cast<std::int64_t>(kPackHeaderSize) || index_start > text_start || text_start > size) {
        m_last_error = "the pack's index or text offsets lie outside the file";
        return false;
    }
    std::int64_t const text_size = size - text_start;

    ScenarioIndex index;
    auto const* data = pack.data();
    std::int64_t at = index_start;
    while (at < text_start) {
        auto const* nul = static_cast<const std::uint8_t*>(std::memchr(data + at, 0, text_start - at));
        std::int64_t const key_end = nul ? nul - data : text_start;
        if (!nul || key_end + 9 > text_start) {
            m_last_error = "an index entry of the pack runs past the start of its text";
            return false;
        }
        IndexEntry const entry { pack.int32_at(key_end + 1), pack.int32_at(key_end + 5) };
        if (entry.offset < 0 || entry.offset > text_size) {
            m_last_error = "an index entry of the pack points outside its text";
            return false;
        }
        index[std::string(reinterpret_cast<const char*>(data + at), key_end - at)] = entry;
        at = key_end + 9;
    }

    ByteBuffer text;
    if (text_size > 0 && !text.assign(data + text_start, static_cast<std::size_t>(text_size))) {
        m_last_error = "out of memory";
        return false;
    }
    m_folder.clear();
    m_extension.clear();
    m_index = std::move(index);
    m_text = std::move(text);
    m_position = { 0, 0, {}, true };
    return true;
}

std::optional<std::string_view> ScenarioStore::read_next_line()
{
    if (!m_position.valid)
        return std::nullopt;
    auto const* text = reinterpret_cast<const char*>(m_text.data());
    std::size_t const size = m_text.size();
    std::size_t at = m_position.read_offset;
    while (at < size && text[at] == '\0') {
        ++at;
        m_position.line_index = next_line(m_position.line_index);
    }
    m_position.read_offset = at;
    if (at >= size || static_cast<std::uint8_t>(text[at]) == kEndMark)
        return std::nullopt;
    auto const* nul = static_cast<const char*>(std::memchr(text + at, 0, size - at));
    std::size_t const length = nul ? static_cast<std::size_t>(nul - (text + at)) : size - at;
    m_position.read_offset = nul ? at + length + 1 : size;
    m_position.line_index = next_line(m_position.line_index);
    return std::string_view(text + at, length);
}

bool ScenarioStore::goto_name(std::string_view name)
{
    std::size_t const colon = find_last_sjis(name, ':');
    std::string script;
    std::string key;
    if (colon != kNotFound) {
        script = lower_ascii(name.substr(0, colon));
        key = script;
        key += name.substr(colon);
    } else {
        script = lower_ascii(name);
        key = script;
    }
    auto const found = m_index.find(key);
    if (found == m_index.end())
        return false;
    m_position.file_name = std::move(script);
    m_position.line_index = found->second.line_index;
    m_position.read_offset = static_cast<std::size_t>(found->second.offset);
    m_position.valid = true;
    return true;
}

bool ScenarioStore::goto_line(std::string_view name, std::int32_t n)
{
    if (n < 0)
        return false;
    std::string script = lower_ascii(name);
    auto const found = m_index.find(script);
    if (found == m_index.end())
        return false;
    auto const* text = reinterpret_cast<const char*>(m_text.data());
    std::size_t const size = m_text.size();
    auto at = static_cast<std::size_t>(found->second.offset);
    for (std::int32_t walked = 0; walked < n; ++walked) {
        auto const* nul = at < size ? static_cast<const char*>(std::memchr(text + at, 0, size - at)) : nullptr;
        if (!nul)
            return false;
        at = static_cast<std::size_t>(nul - text) + 1;
        if (at >= size || static_cast<std::uint8_t>(text[at]) == kEndMark)
            return false;
    }
    m_position.file_name = std::move(script);
    m_position.line_index = n;
    m_position.read_offset = at;
    m_position.valid = true;
    return true;
}

} // namespace advplay::persist
