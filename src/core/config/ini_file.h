// INI files in GBK, with the semantics of the classic profile functions the
// program's settings and task files are written for: section and key names match
// without regard to ASCII case, values are trimmed of surrounding blanks, a
// missing file or key reads as the default. Every write rewrites the file through
// a temporary file and a rename, so a crash never leaves it half-written.
// Calls on the same file are serialised within the process.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace shelfwatch::config {

std::string iniRead(const std::filesystem::path& file, const std::string& section, const std::string& key,
                    const std::string& defaultValue);
// Creates the file and the section when needed; false when the file cannot be written.
bool iniWrite(const std::filesystem::path& file, const std::string& section, const std::string& key,
              const std::string& value);
bool iniDeleteSection(const std::filesystem::path& file, const std::string& section);
// Section names in file order (each once).
std::vector<std::string> iniSectionNames(const std::filesystem::path& file);

}  // namespace shelfwatch::config
