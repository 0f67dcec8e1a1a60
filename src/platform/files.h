// Files: the engine's view of the game folder on the host file system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace advplay::platform {

enum class PathKind {
    Missing,
    File,
    Folder,
};

struct FolderEntry {
    // The name as the engine sees it: Shift-JIS bytes. Names stored on disk in UTF-8 are converted.
    std::string name;
    bool is_folder { false };
};

class ReadableFile {
public:
    virtual ~ReadableFile() = default;
    virtual std::uint64_t size() const = 0;
    // Reads up to into.size() bytes; returns how many were read (0 at the end or on an error).
    virtual std::size_t read(std::span<std::uint8_t> into) = 0;
};

class WritableFile {
public:
    virtual ~WritableFile() = default;
    // False when not every byte could be written.
    [[nodiscard]] virtual bool write(std::span<const std::uint8_t> bytes) = 0;
    // Makes what was written survive a crash or a power cut (it reaches the disk); false if it
    // cannot. Closing alone leaves the data in the system's cache.
    [[nodiscard]] virtual bool sync() = 0;
    // Flushes and closes; false when the data may not have reached the file.
    [[nodiscard]] virtual bool close() = 0;
};

// Paths are engine paths: Shift-JIS bytes, "\" or "/" as separators (a "\" that is the second byte
// of a two-byte character is part of the name), relative to the game folder unless they begin with
// "/". Every component is looked up without regard to the letter case of "A".."Z", under its
// Shift-JIS bytes or its UTF-8 spelling, so a game written for a case-insensitive system finds its
// files on any host.
class Files {
public:
    virtual ~Files() = default;

    virtual PathKind kind(std::string_view path) = 0;
    virtual std::unique_ptr<ReadableFile> open_read(std::string_view path) = 0;
    // Creates or truncates the file. A missing last component is created under its UTF-8 spelling.
    virtual std::unique_ptr<WritableFile> open_write(std::string_view path) = 0;
    // Removes a read-only mark so that a retried open_write can succeed. False if it cannot.
    virtual bool clear_read_only(std::string_view path) = 0;
    // Creates the folder and its missing parents. False if it cannot.
    virtual bool create_folders(std::string_view path) = 0;
    // Puts the file `from` in the place of `to` in one step: readers see the old file or the new
    // one, never a mixture, and where the host allows, the change survives a power cut once this
    // returns. False (and nothing changed) if it cannot.
    virtual bool replace(std::string_view from, std::string_view to) = 0;
    // Deletes a file; false if it cannot.
    virtual bool remove(std::string_view path) = 0;
    // The entries of a folder without "." and "..", in a fixed order: by their Shift-JIS names with
    // "a".."z" folded to capitals, then by the bytes themselves, so runs repeat on every file system.
    // Nothing when the folder cannot be listed.
    virtual std::optional<std::vector<FolderEntry>> list_folder(std::string_view path) = 0;
    // The host path that `path` resolves to (for libraries that open files themselves), or nothing.
    virtual std::optional<std::string> host_path(std::string_view path) = 0;

    // A game is a folder from a stranger: every operation above refuses a path that, once ".." and
    // symbolic links are followed, lies outside the game folder and the folders allowed below, as it
    // refuses a missing file. Whether `path` (which need not exist yet) lies inside them; a refusal
    // is told as theirs are.
    virtual bool reachable(std::string_view path) = 0;
    // Lets the operations reach `path` (a folder or a file) and everything below it as well.
    virtual void allow(std::string_view path) = 0;
};

} // namespace advplay::platform
