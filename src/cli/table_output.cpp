#include "cli/table_output.h"

#include "report/excel_export.h"
#include "report/table_json.h"
#include "table/table_csv.h"
#include "text/gbk_text.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <random>
#include <system_error>

namespace shelfwatch::cli {
namespace {

namespace fs = std::filesystem;

std::string lowerExtension(const fs::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

void writeForm(const std::vector<table::ItemRecord>& rows, bool json, std::ostream& out) {
    if (json) {
        report::writeTableJson(rows, out);
    } else {
        table::writeCsv(rows, out);
    }
}

// Written beside the target and renamed over it when complete, so a failed
// write never leaves half a file in place of a good one.
bool writeFile(const fs::path& target, const std::vector<table::ItemRecord>& rows, bool json,
               std::string& error) {
    fs::path temporary = target;
    temporary += ".part-" + std::to_string(std::random_device{}() & 0xFFFFFF);
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (file) writeForm(rows, json, file);
        file.close();
        if (!file) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            error = "cannot write " + target.string();
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        error = "cannot write " + target.string() + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace

bool writeTable(const table::ResultTable& table, const TableOutput& output, const item::Clock& clock,
                std::ostream& standardOutput, std::string& error) {
    if (output.outFile.empty()) {
        writeForm(table.snapshot(), output.json, standardOutput);
        standardOutput.flush();
        if (!standardOutput) {
            error = "cannot write to standard output";
            return false;
        }
        return true;
    }
    const std::string extension = lowerExtension(output.outFile);
    if (extension == ".xlsx") {
        const report::ExportResult result = report::writeWorkbook(table, output.outFile, clock);
        if (!result.ok) error = text::gbkToUtf8(result.error);
        return result.ok;
    }
    return writeFile(output.outFile, table.snapshot(), extension == ".json", error);
}

}  // namespace shelfwatch::cli
