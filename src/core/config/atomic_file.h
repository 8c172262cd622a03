// Files the program writes for the user (tables, report pages) replace a previous
// good file only when the new one is complete: the bytes go to a temporary file
// in the same folder, are flushed to the disk, and the temporary is renamed over
// the target. A full disk, a file-size limit or a failing device therefore leave
// the old file as it was, never half a file.
#pragma once

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

namespace shelfwatch::config {

// Writes `target` with what `write` puts into the stream. False with `error` (a
// short English cause, without the file's name) when any step fails; the
// temporary is removed then and the target is untouched. The new file takes the
// permissions of the file it replaces.
bool writeFileAtomically(const std::filesystem::path& target, const std::function<void(std::ostream&)>& write,
                         std::string& error);

// Whether `target` could be written that way, asked before long work whose
// result would otherwise be lost at the end: its folder exists, a file can be
// created in it, and the target is not a folder. Nothing is left behind.
bool checkWritableTarget(const std::filesystem::path& target, std::string& error);

}  // namespace shelfwatch::config
