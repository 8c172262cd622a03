#include "cli/options.h"

#include "text/gbk_text.h"

#include "cli/exit_codes.h"

#include <algorithm>
#include <cctype>
#include <iostream>

namespace shelfwatch::cli {
namespace {

std::string lowerExtension(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

}  // namespace

bool parseWholeNumber(const std::string& text, int min, int max, int& value) {
    if (text.empty() || text.size() > 10) return false;
    long long number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    if (number < min || number > max) return false;
    value = static_cast<int>(number);
    return true;
}

CLI::Option* addWholeNumberOption(CLI::App& app, const std::string& name, int& value, int min, int max,
                                  const std::string& description) {
    const std::string range = std::to_string(min) + " to " + std::to_string(max);
    CLI::Option* option = app.add_option_function<std::string>(
        name,
        [&value, name, min, max, range](const std::string& text) {
            if (!parseWholeNumber(text, min, max, value)) {
                throw CLI::ValidationError(name,
                                           "wants a whole number from " + range + ", not \"" + text + "\"");
            }
        },
        description);
    option->type_name("N")->default_str(std::to_string(value));
    return option;
}

void addTableOutputOptions(CLI::App& app, TableOutput& output) {
    app.add_option_function<std::string>(
           "--out",
           [&output](const std::string& file) {
               const std::string extension = lowerExtension(file);
               if (extension != ".csv" && extension != ".json" && extension != ".xlsx") {
                   throw CLI::ValidationError("--out",
                                              "wants a .csv, .json or .xlsx file, not \"" + file + "\"");
               }
               output.outFile = file;
           },
           "write the table to FILE (.csv, .json or .xlsx) instead of standard output")
        ->type_name("FILE");
    app.add_flag("--json", output.json, "print the table as JSON instead of CSV");
}

bool toGbk(const std::string& utf8, std::string& gbk) {
    gbk = text::utf8ToGbk(utf8);
    return text::gbkToUtf8(gbk) == utf8;
}

int usageError(const CLI::App& command, const std::string& message) {
    std::cerr << "shelfwatch-cli: " << message << "\n"
              << "Run 'shelfwatch-cli " << command.get_name() << " --help' for more information.\n";
    return kExitUsage;
}

}  // namespace shelfwatch::cli
