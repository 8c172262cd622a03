// Option helpers the commands share, so every command reads numbers and output
// files the same strict way: a value that is not exactly what the option wants
// is a usage error before any request goes out.
#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>
#include <string>

namespace shelfwatch::cli {

// A whole decimal number in [min, max], digits only ("2x", "1e3", "0x10", " 5"
// and "+5" are refused). Parsing stores it in `value`, whose value on entry is
// shown as the default.
CLI::Option* addWholeNumberOption(CLI::App& app, const std::string& name, int& value, int min, int max,
                                  const std::string& description);

// True when `text` is such a number; `value` is set then.
bool parseWholeNumber(const std::string& text, int min, int max, int& value);

// Where a walk's finished table goes.
struct TableOutput {
    std::filesystem::path outFile;  // empty: standard output
    bool json = false;              // for standard output (a file goes by its extension)
};

// --out FILE (.csv, .json or .xlsx, checked while parsing) and --json.
void addTableOutputOptions(CLI::App& app, TableOutput& output);

// UTF-8 to GBK; false when a character has no GBK form.
bool toGbk(const std::string& utf8, std::string& gbk);

// "shelfwatch-cli: <message>" and a hint to the command's help on standard
// error; the usage exit code. For what the parser itself cannot check.
int usageError(const CLI::App& command, const std::string& message);

}  // namespace shelfwatch::cli
