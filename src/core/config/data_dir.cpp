#include "config/data_dir.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace shelfwatch::config {

namespace {

// Writable means a file can really be created there, which a permission test
// on the folder alone does not tell (read-only mounts, ACLs).
bool writableDir(const std::filesystem::path& dir) {
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) return false;
    std::filesystem::path probe = dir / (".shelfwatch-probe-" + std::to_string(std::random_device{}()));
    {
        std::ofstream out(probe, std::ios::binary);
        if (!out) return false;
        out << "x";
        if (!out) return false;
    }
    std::filesystem::remove(probe, ec);
    return true;
}

std::filesystem::path userDataDir() {
#ifdef _WIN32
    if (const wchar_t* local = _wgetenv(L"LOCALAPPDATA"); local && *local)
        return std::filesystem::path(local) / "shelfwatch";
    return std::filesystem::temp_directory_path() / "shelfwatch";
#else
    if (const char* xdg = std::getenv("XDG_DATA_HOME");
        xdg && *xdg && std::filesystem::path(xdg).is_absolute())
        return std::filesystem::path(xdg) / "shelfwatch";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".local" / "share" / "shelfwatch";
    std::error_code ec;
    return std::filesystem::temp_directory_path(ec) / "shelfwatch";
#endif
}

}  // namespace

std::filesystem::path programDir() {
    std::error_code ec;
#ifdef _WIN32
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::filesystem::current_path(ec);
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return std::filesystem::path(buffer).parent_path();
#else
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && !exe.empty()) return exe.parent_path();
    return std::filesystem::current_path(ec);
#endif
}

std::filesystem::path resolveDataDir(const std::optional<std::filesystem::path>& override) {
    std::error_code ec;
    if (override && !override->empty()) {
        std::filesystem::path dir = std::filesystem::absolute(*override, ec);
        if (ec) dir = *override;
        std::filesystem::create_directories(dir, ec);
        return dir;
    }
    const std::filesystem::path own = programDir();
    if (writableDir(own)) return own;
    const std::filesystem::path user = userDataDir();
    std::filesystem::create_directories(user, ec);
    return user;
}

std::optional<std::filesystem::path> takeDataDirOption(std::vector<std::string>& args) {
    static const std::string kOption = "--data-dir";
    std::optional<std::filesystem::path> value;
    for (auto it = args.begin(); it != args.end();) {
        if (*it == kOption) {
            // Without its value the option stays, so the command line reads as bad.
            if (it + 1 == args.end()) break;
            value = std::filesystem::path(*(it + 1));
            it = args.erase(it, it + 2);
        } else if (it->rfind(kOption + "=", 0) == 0) {
            value = std::filesystem::path(it->substr(kOption.size() + 1));
            it = args.erase(it);
        } else {
            ++it;
        }
    }
    return value;
}

}  // namespace shelfwatch::config
