// Replays fuzz inputs without libFuzzer, so the normal build's test suite runs
// every committed corpus through its target: each argument is a file or a folder
// of files, each file is one input.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int replayFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "cannot read " << path << "\n";
        return 1;
    }
    const std::vector<char> content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A copy of exactly the input's size, so reads past its end are caught by
    // the sanitizers as libFuzzer would catch them.
    std::vector<std::uint8_t> exact(content.begin(), content.end());
    LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int failures = 0;
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg)) {
                if (!entry.is_regular_file()) continue;
                failures += replayFile(entry.path());
                ++inputs;
            }
        } else {
            failures += replayFile(arg);
            ++inputs;
        }
    }
    std::cout << inputs << " inputs replayed\n";
    return failures == 0 && inputs > 0 ? 0 : 1;
}
