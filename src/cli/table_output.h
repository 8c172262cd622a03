// Writing the finished result table out of the command line: CSV (UTF-8, a header
// row of the twelve column titles, RFC 4180 quoting, CRLF line ends) or a JSON
// array of row objects keyed by the ItemRecord field names, to standard output or
// to the file --out names (the format follows its extension; .xlsx writes the
// export's workbook, table and statistics sheet).
#pragma once

#include "item/listing_time.h"
#include "table/result_table.h"

#include "cli/options.h"

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace shelfwatch::cli {

std::string tableCsv(const std::vector<table::ItemRecord>& rows);
std::string tableJson(const std::vector<table::ItemRecord>& rows);

// False with `error` set when the file cannot be written or its extension is not
// one the command line writes.
// `clock` gives the "now" of an .xlsx statistics sheet.
bool writeTable(const table::ResultTable& table, const TableOutput& output, const item::Clock& clock,
                std::ostream& standardOutput, std::string& error);

}  // namespace shelfwatch::cli
