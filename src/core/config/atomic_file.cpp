#include "config/atomic_file.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <mutex>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace shelfwatch::config {
namespace {

namespace fs = std::filesystem;

fs::path temporaryBeside(const fs::path& target) {
    static std::mutex seedMutex;
    static std::mt19937_64 random{std::random_device{}()};
    std::uint64_t salt = 0;
    {
        std::lock_guard<std::mutex> guard(seedMutex);
        salt = random();
    }
    fs::path temporary = target;
    temporary += ".part-" + std::to_string(salt % 1000000007u);
    return temporary;
}

fs::path folderOf(const fs::path& target) {
    const fs::path parent = target.parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

// The cause of a failed stream operation: errno when the library left one.
std::string causeOf(int savedErrno, const char* fallback) {
    return savedErrno != 0 ? std::string(std::strerror(savedErrno)) : std::string(fallback);
}

// The written bytes reach the disk before the rename makes them the target, so a
// crash right after cannot leave an empty file under the target's name.
bool syncToDisk(const fs::path& file, std::string& error) {
#ifdef _WIN32
    const int fd = _wopen(file.c_str(), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    const bool ok = _commit(fd) == 0;
    if (!ok) error = std::strerror(errno);
    _close(fd);
    return ok;
#else
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    if (!ok) error = std::strerror(errno);
    ::close(fd);
    return ok;
#endif
}

bool refuseFolder(const fs::path& target, std::string& error) {
    std::error_code ec;
    if (fs::is_directory(target, ec)) {
        error = "is a folder";
        return true;
    }
    const fs::path folder = folderOf(target);
    if (!fs::exists(folder, ec)) {
        error = "no such folder";
        return true;
    }
    if (!fs::is_directory(folder, ec)) {
        error = "not in a folder";
        return true;
    }
    return false;
}

}  // namespace

bool writeFileAtomically(const fs::path& target, const std::function<void(std::ostream&)>& write,
                         std::string& error) {
    if (refuseFolder(target, error)) return false;
    const fs::path temporary = temporaryBeside(target);
    std::error_code ec;
    auto fail = [&](std::string cause) {
        error = std::move(cause);
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    };
    {
        errno = 0;
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) return fail(causeOf(errno, "cannot create a file in the folder"));
        write(file);
        errno = 0;
        file.flush();
        if (!file) return fail(causeOf(errno, "write failed"));
        errno = 0;
        file.close();
        if (!file) return fail(causeOf(errno, "write failed"));
    }
    std::string syncError;
    if (!syncToDisk(temporary, syncError)) return fail(syncError);
    const fs::file_status previous = fs::status(target, ec);
    if (!ec && fs::exists(previous)) fs::permissions(temporary, previous.permissions(), ec);
    fs::rename(temporary, target, ec);
    if (ec) return fail(ec.message());
    return true;
}

bool checkWritableTarget(const fs::path& target, std::string& error) {
    if (refuseFolder(target, error)) return false;
    const fs::path probe = temporaryBeside(target);
    errno = 0;
    {
        std::ofstream file(probe, std::ios::binary | std::ios::trunc);
        if (!file) {
            error = causeOf(errno, "cannot create a file in the folder");
            return false;
        }
    }
    std::error_code ignored;
    fs::remove(probe, ignored);
    return true;
}

}  // namespace shelfwatch::config
