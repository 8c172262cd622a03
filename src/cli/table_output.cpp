#include "cli/table_output.h"

#include "app/headless_panel.h"
#include "report/excel_export.h"
#include "text/gbk_text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <fstream>

namespace shelfwatch::cli {

namespace {

void appendCsvField(std::string& out, const std::string& gbkText) {
    const std::string field = text::gbkToUtf8(gbkText);
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

std::string lowerExtension(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

}  // namespace

std::string tableCsv(const std::vector<table::ItemRecord>& rows) {
    std::string out;
    const auto& titles = table::columnTitles();
    for (int column = 0; column < table::kColumnCount; ++column) {
        if (column > 0) out += ',';
        appendCsvField(out, titles[static_cast<std::size_t>(column)]);
    }
    out += "\r\n";
    for (const table::ItemRecord& row : rows) {
        for (int column = 0; column < table::kColumnCount; ++column) {
            if (column > 0) out += ',';
            appendCsvField(out, row.field(column));
        }
        out += "\r\n";
    }
    return out;
}

std::string tableJson(const std::vector<table::ItemRecord>& rows) {
    nlohmann::json array = nlohmann::json::array();
    const auto& names = table::fieldNames();
    for (const table::ItemRecord& row : rows) {
        nlohmann::json object = nlohmann::json::object();
        for (int column = 0; column < table::kColumnCount; ++column) {
            object[std::string(names[static_cast<std::size_t>(column)])] = text::gbkToUtf8(row.field(column));
        }
        array.push_back(std::move(object));
    }
    return array.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

bool writeTable(const table::ResultTable& table, const TableOutput& output, const item::Clock& clock,
                std::ostream& standardOutput, std::string& error) {
    const std::vector<table::ItemRecord> rows = table.snapshot();
    if (output.outFile.empty()) {
        standardOutput << (output.json ? tableJson(rows) : tableCsv(rows));
        standardOutput.flush();
        return true;
    }
    const std::string extension = lowerExtension(output.outFile);
    if (extension == ".xlsx") {
        app::HeadlessPanel panel;
        const report::ExportResult result =
            report::exportResultTable(table, true, output.outFile, clock, panel);
        if (!result.ok) error = text::gbkToUtf8(result.error);
        return result.ok;
    }
    std::string body;
    if (extension == ".csv") {
        body = tableCsv(rows);
    } else if (extension == ".json") {
        body = tableJson(rows);
    } else {
        error = "--out wants a .csv, .json or .xlsx file: " + output.outFile.string();
        return false;
    }
    std::ofstream file(output.outFile, std::ios::binary | std::ios::trunc);
    file << body;
    file.close();
    if (!file) {
        error = "cannot write " + output.outFile.string();
        return false;
    }
    return true;
}

}  // namespace shelfwatch::cli
