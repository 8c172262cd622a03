// What the fuzz targets share: a failed invariant aborts (the fuzzer reports it),
// and the readers that take a path get the input through a file of their own.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace shelfwatch::fuzz {

inline void check(bool ok) {
    if (!ok) std::abort();
}

inline std::string_view bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A folder of this process's own under the temporary folder, made once.
inline const std::filesystem::path& scratchDir() {
    static const std::filesystem::path dir = [] {
        std::filesystem::path p =
            std::filesystem::temp_directory_path() / ("shelfwatch-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(p);
        return p;
    }();
    return dir;
}

// Writes `content` to `name` in the scratch folder and returns its path.
inline std::filesystem::path scratchFile(const std::string& name, std::string_view content) {
    const std::filesystem::path path = scratchDir() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return path;
}

}  // namespace shelfwatch::fuzz
