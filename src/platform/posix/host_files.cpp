// HostFiles: engine paths mapped onto a case-sensitive POSIX file system.
#include "platform/posix/host_files.h"

#include "common/shift_jis.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace advplay::platform {

namespace {

bool is_ascii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Splits at "\" and "/" outside two-byte characters; empty components vanish.
std::vector<std::string_view> split_components(std::string_view path)
{
    std::vector<std::string_view> parts;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (is_lead_byte(path[i])) {
            ++i;
            continue;
        }
        if (path[i] == '\\' || path[i] == '/') {
            if (i > begin)
                parts.push_back(path.substr(begin, i - begin));
            begin = i + 1;
        }
    }
    if (begin < path.size())
        parts.push_back(path.substr(begin));
    return parts;
}

// The components with "." dropped and each ".." taken back with the component before it, as the
// system the games were written for reads a path: "ev\\..\\bg" is "bg" even where "ev" is a link.
// A ".." that climbs above the start stays (and leads out of the game folder); above "/" it is "/".
std::vector<std::string_view> plain_components(std::string_view path)
{
    bool const absolute = !path.empty() && path.front() == '/';
    std::vector<std::string_view> plain;
    for (auto part : split_components(path)) {
        if (part == ".")
            continue;
        if (part == "..") {
            if (!plain.empty() && plain.back() != "..")
                plain.pop_back();
            else if (!absolute)
                plain.push_back(part);
            continue;
        }
        plain.push_back(part);
    }
    return plain;
}

// The host path with every link and ".." followed, for a path whose last components need not exist
// yet; nothing for a link that leads nowhere, or when the path cannot be followed.
std::optional<std::string> real_location(const std::string& host)
{
    if (char* real = ::realpath(host.c_str(), nullptr)) {
        std::string result(real);
        std::free(real);
        return result;
    }
    if (errno != ENOENT)
        return std::nullopt;
    struct stat info;
    if (::lstat(host.c_str(), &info) == 0)
        return std::nullopt;
    std::size_t const slash = host.find_last_of('/');
    if (slash == std::string::npos)
        return std::nullopt;
    std::string_view const last = std::string_view(host).substr(slash + 1);
    if (last.empty() || last == "." || last == "..")
        return std::nullopt;
    auto parent = real_location(slash == 0 ? std::string("/") : host.substr(0, slash));
    if (!parent)
        return std::nullopt;
    if (*parent != "/")
        *parent += '/';
    *parent += last;
    return parent;
}

bool host_exists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

std::string fold_upper(std::string_view name)
{
    std::string folded(name);
    for (std::size_t i = 0; i < folded.size(); ++i) {
        if (is_lead_byte(folded[i])) {
            ++i;
            continue;
        }
        if (folded[i] >= 'a' && folded[i] <= 'z')
            folded[i] = static_cast<char>(folded[i] - ('a' - 'A'));
    }
    return folded;
}

class HostReadableFile final : public ReadableFile {
public:
    HostReadableFile(int descriptor, std::uint64_t size)
        : m_descriptor(descriptor)
        , m_size(size)
    {
    }
    ~HostReadableFile() override { ::close(m_descriptor); }
    std::uint64_t size() const override { return m_size; }
    std::size_t read(std::span<std::uint8_t> into) override
    {
        for (;;) {
            ssize_t const got = ::read(m_descriptor, into.data(), into.size());
            if (got >= 0)
                return static_cast<std::size_t>(got);
            if (errno != EINTR)
                return 0;
        }
    }

private:
    int m_descriptor;
    std::uint64_t m_size;
};

class HostWritableFile final : public WritableFile {
public:
    explicit HostWritableFile(int descriptor)
        : m_descriptor(descriptor)
    {
    }
    ~HostWritableFile() override
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    bool write(std::span<const std::uint8_t> bytes) override
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t const put = ::write(m_descriptor, bytes.data() + done, bytes.size() - done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return false;
            done += static_cast<std::size_t>(put);
        }
        return true;
    }
    bool sync() override
    {
        for (;;) {
            if (::fsync(m_descriptor) == 0)
                return true;
            if (errno != EINTR)
                return false;
        }
    }
    bool close() override
    {
        int const descriptor = m_descriptor;
        m_descriptor = -1;
        return descriptor >= 0 && ::close(descriptor) == 0;
    }

private:
    int m_descriptor;
};

} // namespace

HostFiles::HostFiles(std::string root, const TextEncoding& encoding, Reach reach)
    : m_root(std::move(root))
    , m_encoding(encoding)
    , m_reach(reach)
{
    while (m_root.size() > 1 && m_root.back() == '/')
        m_root.pop_back();
    m_reachable.push_back(real_location(m_root).value_or(m_root));
}

bool HostFiles::within_reach(const std::string& host) const
{
    if (m_reach == Reach::Anywhere)
        return true;
    auto const real = real_location(host);
    if (!real)
        return false;
    return std::any_of(m_reachable.begin(), m_reachable.end(), [&real](const std::string& folder) {
        if (folder == "/" || *real == folder)
            return true;
        return real->size() > folder.size() && real->compare(0, folder.size(), folder) == 0
            && (*real)[folder.size()] == '/';
    });
}

void HostFiles::refuse(std::string_view path)
{
    if (!m_on_refused || path == m_last_refused)
        return;
    m_last_refused = path;
    m_on_refused(path);
}

std::optional<std::string> HostFiles::future_path(std::string_view path) const
{
    auto host = find(path, Purpose::Existing);
    return host ? host : direct_path(path);
}

bool HostFiles::reachable(std::string_view path)
{
    auto const host = future_path(path);
    if (host && within_reach(*host))
        return true;
    refuse(path);
    return false;
}

void HostFiles::allow(std::string_view path)
{
    auto const host = future_path(path);
    if (!host)
        return;
    if (auto real = real_location(*host))
        m_reachable.push_back(std::move(*real));
}

std::string HostFiles::engine_name(std::string_view host_name) const
{
    if (is_ascii(host_name) || !is_valid_utf8(host_name))
        return std::string(host_name);
    auto converted = m_encoding.to_sjis(host_name);
    return converted ? *converted : std::string(host_name);
}

std::optional<std::string> HostFiles::direct_path(std::string_view path) const
{
    bool const absolute = !path.empty() && path.front() == '/';
    auto const parts = plain_components(path);
    if (parts.empty())
        return std::nullopt;
    std::string direct = absolute ? std::string() : m_root;
    for (auto part : parts) {
        direct += '/';
        direct += part;
    }
    return direct;
}

std::optional<std::string> HostFiles::resolve(std::string_view path, Purpose purpose)
{
    auto host = find(path, purpose);
    if (host && !within_reach(*host)) {
        refuse(path);
        return std::nullopt;
    }
    return host;
}

std::optional<std::string> HostFiles::find(std::string_view path, Purpose purpose) const
{
    bool const absolute = !path.empty() && path.front() == '/';
    auto const parts = plain_components(path);
    std::string base = absolute ? std::string() : m_root;

    // Most paths are spelled as they lie on disk: try that before listing folders.
    std::string direct = base;
    std::string direct_utf8 = base;
    bool utf8_possible = true;
    for (auto part : parts) {
        direct += '/';
        direct += part;
        direct_utf8 += '/';
        if (is_ascii(part)) {
            direct_utf8 += part;
        } else if (auto converted = m_encoding.to_utf8_exact(part)) {
            direct_utf8 += *converted;
        } else {
            utf8_possible = false;
        }
    }
    if (parts.empty())
        return absolute ? std::string("/") : base;
    if (host_exists(direct))
        return direct;
    if (utf8_possible && direct_utf8 != direct && host_exists(direct_utf8))
        return direct_utf8;

    std::string current = base;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::string_view const part = parts[i];
        bool const last = i + 1 == parts.size();
        std::string candidate = current + '/' + std::string(part);
        if (part == "." || part == ".." || host_exists(candidate)) {
            current = std::move(candidate);
            continue;
        }
        std::optional<std::string> utf8;
        if (!is_ascii(part))
            utf8 = m_encoding.to_utf8_exact(part);
        if (utf8 && host_exists(current + '/' + *utf8)) {
            current += '/' + *utf8;
            continue;
        }
        std::string found;
        if (DIR* folder = ::opendir(current.empty() ? "/" : current.c_str())) {
            std::string const wanted = lower_ascii(part);
            while (dirent* entry = ::readdir(folder)) {
                std::string_view const name = entry->d_name;
                if (name == "." || name == "..")
                    continue;
                if (lower_ascii(engine_name(name)) == wanted) {
                    found = name;
                    break;
                }
            }
            ::closedir(folder);
        }
        if (!found.empty()) {
            current += '/' + found;
            continue;
        }
        if (last && purpose == Purpose::Create) {
            current += '/' + (utf8 ? *utf8 : std::string(part));
            return current;
        }
        return std::nullopt;
    }
    return current;
}

PathKind HostFiles::kind(std::string_view path)
{
    auto const host = resolve(path, Purpose::Existing);
    struct stat info;
    if (!host || ::stat(host->c_str(), &info) != 0)
        return PathKind::Missing;
    if (S_ISDIR(info.st_mode))
        return PathKind::Folder;
    return PathKind::File;
}

std::unique_ptr<ReadableFile> HostFiles::open_read(std::string_view path)
{
    // Scripts and pictures are mostly named as they lie on disk: opening that spelling at once
    // saves the look-up for every file of a large scenario.
    int descriptor = -1;
    if (auto const direct = direct_path(path)) {
        descriptor = ::open(direct->c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor >= 0 && !within_reach(*direct)) {
            ::close(descriptor);
            refuse(path);
            return nullptr;
        }
    }
    if (descriptor < 0) {
        auto const host = resolve(path, Purpose::Existing);
        if (!host)
            return nullptr;
        descriptor = ::open(host->c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (descriptor < 0)
        return nullptr;
    struct stat info;
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        return nullptr;
    }
    return std::make_unique<HostReadableFile>(descriptor, static_cast<std::uint64_t>(info.st_size));
}

std::unique_ptr<WritableFile> HostFiles::open_write(std::string_view path)
{
    auto const host = resolve(path, Purpose::Create);
    if (!host)
        return nullptr;
    int const descriptor = ::open(host->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (descriptor < 0)
        return nullptr;
    return std::make_unique<HostWritableFile>(descriptor);
}

bool HostFiles::clear_read_only(std::string_view path)
{
    auto const host = resolve(path, Purpose::Existing);
    struct stat info;
    if (!host || ::stat(host->c_str(), &info) != 0)
        return false;
    return ::chmod(host->c_str(), info.st_mode | S_IWUSR) == 0;
}

bool HostFiles::create_folders(std::string_view path)
{
    if (!reachable(path))
        return false;
    auto const parts = plain_components(path);
    std::string prefix = !path.empty() && path.front() == '/' ? "/" : "";
    for (auto part : parts) {
        prefix += part;
        if (kind(prefix) != PathKind::Folder) {
            auto const host = resolve(prefix, Purpose::Create);
            if (!host || (::mkdir(host->c_str(), 0755) != 0 && errno != EEXIST))
                return false;
        }
        prefix += '\\';
    }
    return true;
}

bool HostFiles::replace(std::string_view from, std::string_view to)
{
    auto const source = resolve(from, Purpose::Existing);
    auto const target = resolve(to, Purpose::Create);
    if (!source || !target || ::rename(source->c_str(), target->c_str()) != 0)
        return false;
    // The rename is an entry of the folder: until the folder reaches the disk, a power cut may
    // bring back the old entry or none. The file is in place either way, so a folder that cannot
    // be flushed is no failure.
    std::size_t const slash = target->find_last_of('/');
    std::string const folder = slash == 0 ? "/" : target->substr(0, slash);
    int const descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        (void)::fsync(descriptor);
        ::close(descriptor);
    }
    return true;
}

bool HostFiles::remove(std::string_view path)
{
    auto const host = resolve(path, Purpose::Existing);
    return host && ::unlink(host->c_str()) == 0;
}

std::optional<std::vector<FolderEntry>> HostFiles::list_folder(std::string_view path)
{
    auto const host = resolve(path, Purpose::Existing);
    if (!host)
        return std::nullopt;
    DIR* folder = ::opendir(host->c_str());
    if (!folder)
        return std::nullopt;
    struct Sortable {
        std::string key;
        FolderEntry entry;
    };
    std::vector<Sortable> found;
    while (dirent* entry = ::readdir(folder)) {
        std::string_view const name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        bool is_folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat info;
            std::string const full = *host + '/' + std::string(name);
            is_folder = ::stat(full.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        }
        std::string engine = engine_name(name);
        found.push_back({ fold_upper(engine), { std::move(engine), is_folder } });
    }
    ::closedir(folder);
    std::sort(found.begin(), found.end(), [](const Sortable& a, const Sortable& b) {
        if (a.key != b.key)
            return a.key < b.key;
        return a.entry.name < b.entry.name;
    });
    std::vector<FolderEntry> entries;
    entries.reserve(found.size());
    for (auto& item : found)
        entries.push_back(std::move(item.entry));
    return entries;
}

std::optional<std::string> HostFiles::host_path(std::string_view path)
{
    return resolve(path, Purpose::Existing);
}

} // namespace advplay::platform
