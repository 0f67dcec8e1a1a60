// HostFiles: Files on a POSIX file system, rooted at the game folder.
#pragma once

#include "platform/files.h"
#include "platform/text_encoding.h"

#include <functional>
#include <string>
#include <vector>

namespace advplay::platform {

class HostFiles final : public Files {
public:
    enum class Reach {
        // A game's files: nothing outside the game folder and the allowed folders.
        GameFolder,
        // An author's tools, given their paths by the author on the command line.
        Anywhere,
    };

    // `root` is the host path of the game folder; relative engine paths are taken from there.
    HostFiles(std::string root, const TextEncoding& encoding, Reach reach = Reach::GameFolder);

    PathKind kind(std::string_view path) override;
    std::unique_ptr<ReadableFile> open_read(std::string_view path) override;
    std::unique_ptr<WritableFile> open_write(std::string_view path) override;
    bool clear_read_only(std::string_view path) override;
    bool create_folders(std::string_view path) override;
    bool replace(std::string_view from, std::string_view to) override;
    bool remove(std::string_view path) override;
    std::optional<std::vector<FolderEntry>> list_folder(std::string_view path) override;
    std::optional<std::string> host_path(std::string_view path) override;
    bool reachable(std::string_view path) override;
    void allow(std::string_view path) override;

    // Told the engine path of every refused path outside the reachable folders (once for a path
    // refused several times in a row).
    void on_refused(std::function<void(std::string_view)> report) { m_on_refused = std::move(report); }

    const std::string& root() const { return m_root; }
    // The engine's (Shift-JIS) form of a name found on disk.
    std::string engine_name(std::string_view host_name) const;

private:
    enum class Purpose {
        Existing,
        Create,
    };
    // The host path, or nothing for a missing one or one out of reach (which is reported).
    std::optional<std::string> resolve(std::string_view path, Purpose purpose);
    std::optional<std::string> find(std::string_view path, Purpose purpose) const;
    // The path with its separators made "/" and its "." and ".." taken out, nothing looked up.
    std::optional<std::string> direct_path(std::string_view path) const;
    // The host path of an existing path, or else where a path still to be made would lie.
    std::optional<std::string> future_path(std::string_view path) const;
    // Whether the host path, once its links and ".." are followed, lies in a reachable folder.
    bool within_reach(const std::string& host) const;
    void refuse(std::string_view path);

    std::string m_root;
    const TextEncoding& m_encoding;
    Reach m_reach;
    // The real paths of the game folder and of the allowed folders.
    std::vector<std::string> m_reachable;
    std::function<void(std::string_view)> m_on_refused;
    std::string m_last_refused;
};

} // namespace advplay::platform
