// Replays saved inputs through a fuzz target without libFuzzer, so that any compiler can run the seeds.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> inputs_of(const std::filesystem::path& argument)
{
    std::vector<std::filesystem::path> inputs;
    if (!std::filesystem::is_directory(argument)) {
        inputs.push_back(argument);
        return inputs;
    }
    for (auto const& entry : std::filesystem::recursive_directory_iterator(argument)) {
        if (entry.is_regular_file())
            inputs.push_back(entry.path());
    }
    // The same order on every file system, so that a failure repeats.
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

bool replay(const std::filesystem::path& input)
{
    std::ifstream file(input, std::ios::binary);
    if (!file)
        return false;
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // A copy of exactly the input's size, so that a sanitizer sees every read past its end.
    std::vector<std::uint8_t> const exact(bytes.begin(), bytes.end());
    (void)LLVMFuzzerTestOneInput(exact.data(), exact.size());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
        return 2;
    }
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (auto const& input : inputs_of(argv[i])) {
            std::printf("replaying %s\n", input.c_str());
            std::fflush(stdout);
            if (!replay(input)) {
                std::fprintf(stderr, "cannot read %s\n", input.c_str());
                return 1;
            }
            ++replayed;
        }
    }
    std::printf("replayed %zu inputs\n", replayed);
    // No input at all means a misspelt corpus folder, not a pass.
    return replayed > 0 ? 0 : 1;
}
