// FaultyFiles: host files that fail in chosen ways, for the paths that must survive failures.
#pragma once

#include "platform/files.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace advplay::testing {

class FaultyFiles final : public platform::Files {
public:
    explicit FaultyFiles(platform::Files& inner)
        : m_inner(inner)
    {
    }

    // open_write and replace onto a path ending in `suffix` fail until clear_read_only is called.
    void make_read_only(std::string suffix) { m_read_only = std::move(suffix); }
    // Writing stops with an error once this many bytes have gone out (in every file).
    void fail_writes_after(std::size_t bytes) { m_write_budget = bytes; }
    void fail_replace() { m_replace_fails = true; }
    // Flushing a written file to the disk fails, as on a disk that reports an I/O error.
    void fail_sync() { m_sync_fails = true; }
    int cleared() const { return m_cleared; }

    platform::PathKind kind(std::string_view path) override { return m_inner.kind(path); }
    std::unique_ptr<platform::ReadableFile> open_read(std::string_view path) override
    {
        return m_inner.open_read(path);
    }
    std::unique_ptr<platform::WritableFile> open_write(std::string_view path) override;
    bool clear_read_only(std::string_view path) override;
    bool create_folders(std::string_view path) override { return m_inner.create_folders(path); }
    bool replace(std::string_view from, std::string_view to) override;
    bool remove(std::string_view path) override { return m_inner.remove(path); }
    std::optional<std::vector<platform::FolderEntry>> list_folder(std::string_view path) override
    {
        return m_inner.list_folder(path);
    }
    std::optional<std::string> host_path(std::string_view path) override { return m_inner.host_path(path); }
    bool reachable(std::string_view path) override { return m_inner.reachable(path); }
    void allow(std::string_view path) override { m_inner.allow(path); }

private:
    bool read_only(std::string_view path) const
    {
        return m_read_only && path.size() >= m_read_only->size()
            && path.substr(path.size() - m_read_only->size()) == *m_read_only;
    }

    platform::Files& m_inner;
    std::optional<std::string> m_read_only;
    std::optional<std::size_t> m_write_budget;
    bool m_replace_fails { false };
    bool m_sync_fails { false };
    int m_cleared { 0 };
};

} // namespace advplay::testing
