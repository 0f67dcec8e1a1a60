// Fuzz target: DataFile over a ".dpa" file as the decoders use it (the fallback name, size, one read
// of the whole content, then reads and lines past it), and the packer's round trip of what came out.
#include "memory_files.h"

#include "datafile/data_file.h"
#include "datafile/gplp.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using namespace advplay::datafile;

// Reads lines until the end; each line consumes at least one byte, so more lines than bytes would be
// a reader that stopped moving.
void read_lines(DataFile& file, std::size_t length)
{
    char line[7];
    std::size_t budget = length + 1;
    while (file.read_line(line)) {
        if (budget-- == 0)
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view const input(reinterpret_cast<const char*>(data), size);
    advplay::fuzz::MemoryFiles files;
    files.add("data\\pic.dpa", input);
    DataFile file(files);
    // Only the ".dpa" file exists, so the reader has to fall back to it.
    if (!file.open("data\\pic.bmp", FileMode::ReadBinary))
        return 0;

    std::vector<std::uint8_t> content(static_cast<std::size_t>(file.size()));
    if (!content.empty() && file.read(content) == 0)
        __builtin_trap();
    std::uint8_t past_end[1];
    if (file.read(past_end) != 0)
        __builtin_trap();
    // Three bytes remain; eight are asked for.
    std::uint8_t tail[8];
    (void)file.seek(-3, SeekOrigin::End);
    (void)file.read(tail);
    (void)file.seek(0, SeekOrigin::Start);
    read_lines(file, content.size());

    if (!file.is_packed()) {
        // A plain file is served as it is.
        if (std::string_view(reinterpret_cast<const char*>(content.data()), content.size()) != input)
            __builtin_trap();
        return 0;
    }
    // Whatever a packed file unpacked to packs again into a file that unpacks to the same bytes.
    GplpContent again;
    if (!gplp_unpack(gplp_pack(content, file.name()), again) || again.bytes != content
        || again.name != file.name())
        __builtin_trap();
    return 0;
}
