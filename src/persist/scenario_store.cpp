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

// The first `wanted` byte in [from, end) that is not the second byte of a two-byte character, where
// `line_start` is known to begin a character. Any byte outside the lead range ends a character, so a
// candidate is a second byte exactly when the run of lead-range bytes right before it is odd.
const std::uint8_t* find_unpaired(const std::uint8_t* line_start, const std::uint8_t* from,
    const std::uint8_t* end, std::uint8_t wanted)
{
    while (from < end) {
        auto const* found = static_cast<const std::uint8_t*>(std::memchr(from, wanted, end - from));
        if (!found)
            return nullptr;
        std::size_t run = 0;
        for (auto const* back = found; back > line_start && is_lead_byte(back[-1]); --back)
            ++run;
        if (run % 2 == 0)
            return found;
        from = found + 1;
    }
    return nullptr;
}

// Appends [begin, end) to `out` without the carriage returns that stand alone.
template<typename Sink>
void copy_without_returns(const std::uint8_t* line_start, const std::uint8_t* begin, const std::uint8_t* end,
    Sink&& sink)
{
    while (begin < end) {
        auto const* cr = find_unpaired(line_start, begin, end, '\r');
        auto const* stop = cr ? cr : end;
        if (stop > begin)
            sink(begin, static_cast<std::size_t>(stop - begin));
        if (!cr)
            return;
        begin = cr + 1;
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
        if (!file.load_file(files, path)) {
            m_last_error = "cannot read the script file (missing, empty or unreadable): " + path;
            return false;
        }
        std::string name = lower_ascii(path);
        name = name.substr(base.size(), name.size() - base.size() - m_extension.size());
        m_index[name] = { 0, static_cast<std::int32_t>(m_text.size()) };
        split_file(name, file.data(), file.size());
        std::uint8_t const closing[2] = { 0x00, kEndMark };
        (void)m_text.append(closing, 2);
    }
    m_text.shrink();
    m_position = { 0, 0, {}, true };
    return true;
}

void ScenarioStore::split_file(const std::string& script_name, const std::uint8_t* bytes, std::size_t size)
{
    static constexpr std::uint8_t kNul = 0x00;
    static constexpr std::uint8_t kLineEnd[2] = { 0x0A, 0x00 };
    auto const append_text = [this](const std::uint8_t* from, std::size_t length) {
        (void)m_text.append(from, length);
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
        const std::uint8_t* const line_feed = find_unpaired(start, start, end, '\n');
        const std::uint8_t* const stop = line_feed ? line_feed : end;

        if (*start == '\n') {
            (void)m_text.append_byte(kNul);
        } else if (*start == '#') {
            // A comment that runs to the end of the file is closed by the end of the script.
            if (line_feed)
                (void)m_text.append_byte(kNul);
        } else if (*start == ':') {
            std::string key = script_name;
            key += ':';
            copy_without_returns(start, start + 1, stop, [&key](const std::uint8_t* from, std::size_t length) {
                key.append(reinterpret_cast<const char*>(from), length);
            });
            m_index[key] = { line, static_cast<std::int32_t>(m_text.size()) };
            if (line_feed)
                (void)m_text.append_byte(kNul);
        } else {
            copy_without_returns(start, start, stop, append_text);
            if (line_feed)
                (void)m_text.append(kLineEnd, 2);
        }
        ++line;
        p = line_feed ? line_feed + 1 : end;
    }
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
