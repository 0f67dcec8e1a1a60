// MemoryFiles: a game folder held in memory, so that fuzz inputs never touch the disk.
#pragma once

#include "common/shift_jis.h"
#include "platform/files.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace advplay::fuzz {

// Files and folders live in memory; what the engine writes (save files) can be read back. Names
// match without regard to "A".."Z" case, as on the hosts the games were written for.
class MemoryFiles final : public platform::Files {
public:
    // Adds or replaces a file; its folders exist from then on. `path` separates folders with "\" or "/".
    void add(std::string_view path, std::string_view bytes)
    {
        auto file = find_file(path);
        if (!file) {
            file = std::make_shared<File>();
            file->components = components(path);
            m_files.push_back(file);
        }
        file->bytes = std::string(bytes);
    }

    platform::PathKind kind(std::string_view path) override
    {
        auto const wanted = folded(components(path));
        if (wanted.empty())
            return platform::PathKind::Folder;
        for (auto const& file : m_files) {
            auto const have = folded(file->components);
            if (have == wanted)
                return platform::PathKind::File;
            if (is_below(have, wanted))
                return platform::PathKind::Folder;
        }
        for (auto const& folder : m_folders) {
            auto const have = folded(folder);
            if (have == wanted || is_below(have, wanted))
                return platform::PathKind::Folder;
        }
        return platform::PathKind::Missing;
    }

    std::unique_ptr<platform::ReadableFile> open_read(std::string_view path) override
    {
        auto const file = find_file(path);
        if (!file)
            return nullptr;
        return std::make_unique<MemoryReadableFile>(file);
    }

    std::unique_ptr<platform::WritableFile> open_write(std::string_view path) override
    {
        auto file = find_file(path);
        if (!file) {
            auto parts = components(path);
            if (parts.empty())
                return nullptr;
            file = std::make_shared<File>();
            file->components = std::move(parts);
            m_files.push_back(file);
        }
        file->bytes.clear();
        return std::make_unique<MemoryWritableFile>(file);
    }

    bool clear_read_only(std::string_view path) override { return kind(path) != platform::PathKind::Missing; }

    bool create_folders(std::string_view path) override
    {
        if (kind(path) == platform::PathKind::File)
            return false;
        m_folders.push_back(components(path));
        return true;
    }

    bool replace(std::string_view from, std::string_view to) override
    {
        auto const file = find_file(from);
        if (!file)
            return false;
        if (auto const old = find_file(to); old && old != file)
            erase(old);
        file->components = components(to);
        return true;
    }

    bool remove(std::string_view path) override
    {
        auto const file = find_file(path);
        if (!file)
            return false;
        erase(file);
        return true;
    }

    std::optional<std::vector<platform::FolderEntry>> list_folder(std::string_view path) override
    {
        if (kind(path) != platform::PathKind::Folder)
            return std::nullopt;
        auto const folder = folded(components(path));
        std::vector<platform::FolderEntry> entries;
        auto const add_entry = [&entries, &folder](const std::vector<std::string>& parts, bool is_file) {
            if (!is_below(folded(parts), folder))
                return;
            platform::FolderEntry entry { parts[folder.size()],
                !is_file || parts.size() > folder.size() + 1 };
            std::string const key = lower_ascii(entry.name);
            bool const known = std::any_of(entries.begin(), entries.end(),
                [&key](const platform::FolderEntry& other) { return lower_ascii(other.name) == key; });
            if (!known)
                entries.push_back(std::move(entry));
        };
        for (auto const& file : m_files)
            add_entry(file->components, true);
        for (auto const& created : m_folders)
            add_entry(created, false);
        // The order the Files contract promises: capitals folded, then the bytes themselves.
        std::sort(entries.begin(), entries.end(),
            [](const platform::FolderEntry& a, const platform::FolderEntry& b) {
                std::string const a_key = upper_ascii(a.name);
                std::string const b_key = upper_ascii(b.name);
                if (a_key != b_key)
                    return a_key < b_key;
                return a.name < b.name;
            });
        return entries;
    }

    std::optional<std::string> host_path(std::string_view) override { return std::nullopt; }
    bool reachable(std::string_view) override { return true; }
    void allow(std::string_view) override { }

private:
    struct File {
        std::vector<std::string> components;
        std::string bytes;
    };

    class MemoryReadableFile final : public platform::ReadableFile {
    public:
        explicit MemoryReadableFile(std::shared_ptr<const File> file)
            : m_file(std::move(file))
        {
        }
        std::uint64_t size() const override { return m_file->bytes.size(); }
        std::size_t read(std::span<std::uint8_t> into) override
        {
            std::string const& bytes = m_file->bytes;
            std::size_t const left = m_at < bytes.size() ? bytes.size() - m_at : 0;
            std::size_t const count = std::min(into.size(), left);
            if (count)
                std::memcpy(into.data(), bytes.data() + m_at, count);
            m_at += count;
            return count;
        }

    private:
        std::shared_ptr<const File> m_file;
        std::size_t m_at { 0 };
    };

    class MemoryWritableFile final : public platform::WritableFile {
    public:
        explicit MemoryWritableFile(std::shared_ptr<File> file)
            : m_file(std::move(file))
        {
        }
        bool write(std::span<const std::uint8_t> bytes) override
        {
            m_file->bytes.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            return true;
        }
        bool sync() override { return true; }
        bool close() override { return true; }

    private:
        std::shared_ptr<File> m_file;
    };

    // Splits at "\" and "/" outside two-byte characters; empty and "." components vanish.
    static std::vector<std::string> components(std::string_view path)
    {
        std::vector<std::string> parts;
        auto const keep = [&parts](std::string_view part) {
            if (!part.empty() && part != ".")
                parts.emplace_back(part);
        };
        std::size_t begin = 0;
        for (std::size_t i = 0; i < path.size(); ++i) {
            if (is_lead_byte(path[i])) {
                ++i;
                continue;
            }
            if (path[i] == '\\' || path[i] == '/') {
                keep(path.substr(begin, i - begin));
                begin = i + 1;
            }
        }
        if (begin < path.size())
            keep(path.substr(begin));
        return parts;
    }

    static std::vector<std::string> folded(const std::vector<std::string>& parts)
    {
        std::vector<std::string> result;
        result.reserve(parts.size());
        for (auto const& part : parts)
            result.push_back(lower_ascii(part));
        return result;
    }

    static std::string upper_ascii(std::string_view text)
    {
        std::string result(text);
        for (std::size_t i = 0; i < result.size(); ++i) {
            if (is_lead_byte(result[i])) {
                ++i;
                continue;
            }
            if (result[i] >= 'a' && result[i] <= 'z')
                result[i] = static_cast<char>(result[i] - ('a' - 'A'));
        }
        return result;
    }

    // True when `path` lies somewhere below `folder` (not the folder itself).
    static bool is_below(const std::vector<std::string>& path, const std::vector<std::string>& folder)
    {
        return path.size() > folder.size() && std::equal(folder.begin(), folder.end(), path.begin());
    }

    std::shared_ptr<File> find_file(std::string_view path) const
    {
        auto const wanted = folded(components(path));
        if (wanted.empty())
            return nullptr;
        for (auto const& file : m_files) {
            if (folded(file->components) == wanted)
                return file;
        }
        return nullptr;
    }

    void erase(const std::shared_ptr<File>& file)
    {
        m_files.erase(std::remove(m_files.begin(), m_files.end(), file), m_files.end());
    }

    std::vector<std::shared_ptr<File>> m_files;
    std::vector<std::vector<std::string>> m_folders;
};

} // namespace advplay::fuzz
