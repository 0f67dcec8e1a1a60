// HostFiles: Files on a POSIX file system, rooted at the game folder.
#pragma once

#include "platform/files.h"
#include "platform/text_encoding.h"

#include <string>

namespace advplay::platform {

class HostFiles final : public Files {
public:
    // `root` is the host path of the game folder; relative engine paths are taken from there.
    HostFiles(std::string root, const TextEncoding& encoding);

    PathKind kind(std::string_view path) override;
    std::unique_ptr<ReadableFile> open_read(std::string_view path) override;
    std::unique_ptr<WritableFile> open_write(std::string_view path) override;
    bool clear_read_only(std::string_view path) override;
    bool create_folders(std::string_view path) override;
    bool replace(std::string_view from, std::string_view to) override;
    bool remove(std::string_view path) override;
    std::optional<std::vector<FolderEntry>> list_folder(std::string_view path) override;
    std::optional<std::string> host_path(std::string_view path) override;

    const std::string& root() const { return m_root; }
    // The engine's (Shift-JIS) form of a name found on disk.
    std::string engine_name(std::string_view host_name) const;

private:
    enum class Purpose {
        Existing,
        Create,
    };
    std::optional<std::string> resolve(std::string_view path, Purpose purpose) const;
    // The path with its separators made "/" and nothing else changed.
    std::optional<std::string> direct_path(std::string_view path) const;

    std::string m_root;
    const TextEncoding& m_encoding;
};

} // namespace advplay::platform
