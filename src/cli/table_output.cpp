#include "cli/table_output.h"

#include "config/atomic_file.h"
#include "report/excel_export.h"
#include "report/table_json.h"
#include "table/table_csv.h"
#include "text/gbk_text.h"

#include <algorithm>
#include <cctype>

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
    const std::vector<table::ItemRecord> rows = table.snapshot();
    const bool json = extension == ".json";
    std::string cause;
    if (!config::writeFileAtomically(
            output.outFile, [&rows, json](std::ostream& out) { writeForm(rows, json, out); }, cause)) {
        error = "cannot write " + output.outFile.string() + ": " + cause;
        return false;
    }
    return true;
}

}  // namespace shelfwatch::cli
