#include "config/ini_file.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <sstream>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace shelfwatch::config {

namespace {

// One mutex per file (by absolute path), so that a read never sees another
// thread's write half applied and two writes never lose each other's change.
std::mutex& fileMutex(const std::filesystem::path& file) {
    static std::mutex registryMutex;
    static std::map<std::string, std::unique_ptr<std::mutex>> registry;
    std::error_code ec;
    std::filesystem::path key = std::filesystem::absolute(file, ec);
    if (ec) key = file;
    key = key.lexically_normal();
    std::lock_guard<std::mutex> guard(registryMutex);
    std::unique_ptr<std::mutex>& slot = registry[key.string()];
    if (!slot) slot = std::make_unique<std::mutex>();
    return *slot;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimBlanks(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

struct IniText {
    std::vector<std::string> lines;  // without line ends
    std::string eol = "\r\n";
    bool exists = false;
    bool readable = true;
};

IniText load(const std::filesystem::path& file) {
    IniText ini;
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return ini;
    ini.exists = true;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        ini.readable = false;
        return ini;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    const std::string bytes = buffer.str();
    std::size_t from = 0;
    bool sawEol = false;
    while (from < bytes.size()) {
        std::size_t nl = bytes.find('\n', from);
        std::string line = bytes.substr(from, nl == std::string::npos ? std::string::npos : nl - from);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        else if (nl != std::string::npos && !sawEol)
            ini.eol = "\n";
        if (nl != std::string::npos) sawEol = true;
        ini.lines.push_back(std::move(line));
        if (nl == std::string::npos) break;
        from = nl + 1;
    }
    return ini;
}

// What one line is, for the profile functions.
struct Line {
    enum Kind { kOther, kSection, kKey } kind = kOther;
    std::string name;   // section or key name, trimmed
    std::string value;  // key value, trimmed, outer quotes removed
};

Line classify(const std::string& raw, bool first) {
    std::string_view text(raw);
    if (first && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    Line line;
    const std::string trimmed = trimBlanks(text);
    if (trimmed.empty() || trimmed.front() == ';') return line;
    if (trimmed.front() == '[') {
        const std::size_t close = trimmed.find(']');
        line.kind = Line::kSection;
        line.name = trimBlanks(
            std::string_view(trimmed).substr(1, close == std::string::npos ? std::string::npos : close - 1));
        return line;
    }
    const std::size_t eq = trimmed.find('=');
    if (eq == std::string::npos) return line;
    line.kind = Line::kKey;
    line.name = trimBlanks(std::string_view(trimmed).substr(0, eq));
    line.value = trimBlanks(std::string_view(trimmed).substr(eq + 1));
    if (line.value.size() >= 2 && (line.value.front() == '"' || line.value.front() == '\'') &&
        line.value.back() == line.value.front())
        line.value = line.value.substr(1, line.value.size() - 2);
    return line;
}

// Index of the first header line of `section`, or -1.
long findSection(const std::vector<std::string>& lines, const std::string& section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line line = classify(lines[i], i == 0);
        if (line.kind == Line::kSection && sameName(line.name, section)) return static_cast<long>(i);
    }
    return -1;
}

// One past the last line that belongs to the section starting at `header`.
std::size_t sectionEnd(const std::vector<std::string>& lines, std::size_t header) {
    std::size_t i = header + 1;
    while (i < lines.size() && classify(lines[i], false).kind != Line::kSection) ++i;
    return i;
}

std::string oneLine(std::string s) {
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

// The new text goes to a temporary file beside the old one, is flushed to the
// disk and only then renamed over it: the file is always either the old or the
// new version, never a torn mixture.
bool store(const std::filesystem::path& file, const IniText& ini) {
    std::string bytes;
    for (const std::string& line : ini.lines) bytes += line + ini.eol;
    std::error_code ec;
    const std::filesystem::path dir = file.parent_path();
    if (!dir.empty()) std::filesystem::create_directories(dir, ec);
    static std::mutex seedMutex;
    static std::mt19937_64 random{std::random_device{}()};
    std::uint64_t salt;
    {
        std::lock_guard<std::mutex> guard(seedMutex);
        salt = random();
    }
    std::filesystem::path temp = file;
    temp += ".tmp" + std::to_string(salt % 1000000007u);
#ifdef _WIN32
    FILE* out = _wfopen(temp.c_str(), L"wb");
#else
    FILE* out = std::fopen(temp.c_str(), "wb");
#endif
    if (!out) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    ok = std::fflush(out) == 0 && ok;
#ifdef _WIN32
    ok = _commit(_fileno(out)) == 0 && ok;
#else
    ok = fsync(fileno(out)) == 0 && ok;
#endif
    ok = std::fclose(out) == 0 && ok;
    if (ok) {
        std::filesystem::rename(temp, file, ec);
        ok = !ec;
    }
    if (!ok) std::filesystem::remove(temp, ec);
    return ok;
}

}  // namespace

std::string iniRead(const std::filesystem::path& file, const std::string& section, const std::string& key,
                    const std::string& defaultValue) {
    std::lock_guard<std::mutex> guard(fileMutex(file));
    const IniText ini = load(file);
    const long header = findSection(ini.lines, section);
    if (header < 0) return defaultValue;
    const std::size_t end = sectionEnd(ini.lines, static_cast<std::size_t>(header));
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < end; ++i) {
        const Line line = classify(ini.lines[i], false);
        if (line.kind == Line::kKey && sameName(line.name, key)) return line.value;
    }
    return defaultValue;
}

bool iniWrite(const std::filesystem::path& file, const std::string& section, const std::string& key,
              const std::string& value) {
    std::lock_guard<std::mutex> guard(fileMutex(file));
    IniText ini = load(file);
    if (!ini.readable) return false;
    const std::string entry = oneLine(key) + "=" + oneLine(value);
    const long header = findSection(ini.lines, section);
    if (header < 0) {
        ini.lines.push_back("[" + oneLine(section) + "]");
        ini.lines.push_back(entry);
        return store(file, ini);
    }
    const std::size_t end = sectionEnd(ini.lines, static_cast<std::size_t>(header));
    std::size_t insertAt = static_cast<std::size_t>(header) + 1;
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < end; ++i) {
        const Line line = classify(ini.lines[i], false);
        if (line.kind == Line::kKey && sameName(line.name, key)) {
            ini.lines[i] = entry;
            return store(file, ini);
        }
        if (!trimBlanks(ini.lines[i]).empty()) insertAt = i + 1;
    }
    ini.lines.insert(ini.lines.begin() + static_cast<long>(insertAt), entry);
    return store(file, ini);
}

bool iniDeleteSection(const std::filesystem::path& file, const std::string& section) {
    std::lock_guard<std::mutex> guard(fileMutex(file));
    IniText ini = load(file);
    if (!ini.exists) return true;
    if (!ini.readable) return false;
    bool changed = false;
    // Every copy of the section goes, so none of its keys can resurface.
    for (long header = findSection(ini.lines, section); header >= 0;
         header = findSection(ini.lines, section)) {
        const std::size_t end = sectionEnd(ini.lines, static_cast<std::size_t>(header));
        ini.lines.erase(ini.lines.begin() + header, ini.lines.begin() + static_cast<long>(end));
        changed = true;
    }
    return changed ? store(file, ini) : true;
}

std::vector<std::string> iniSectionNames(const std::filesystem::path& file) {
    std::lock_guard<std::mutex> guard(fileMutex(file));
    const IniText ini = load(file);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < ini.lines.size(); ++i) {
        const Line line = classify(ini.lines[i], i == 0);
        if (line.kind != Line::kSection) continue;
        bool seen = false;
        for (const std::string& n : names) seen = seen || sameName(n, line.name);
        if (!seen) names.push_back(line.name);
    }
    return names;
}

}  // namespace shelfwatch::config
