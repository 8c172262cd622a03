// Any bytes as a CSV file for the table: the record reader keeps its bounds, and
// the rows that read write back to a CSV that reads as the same rows.
#include "table/result_table.h"
#include "table/table_csv.h"

#include "fuzz_support.h"

#include <sstream>
#include <string>
#include <vector>

namespace table = shelfwatch::table;
namespace fuzz = shelfwatch::fuzz;

namespace {

std::vector<table::ItemRecord> readRows(const std::string& csv, const table::CsvLimits& limits) {
    std::istringstream in(csv);
    table::TableCsvReader reader(in, limits);
    std::vector<table::ItemRecord> rows;
    table::ItemRecord row;
    while (reader.next(row)) rows.push_back(row);
    return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(fuzz::bytes(data, size));
    table::CsvLimits limits;
    limits.maxFieldBytes = 256;
    limits.maxFieldsPerRecord = 64;

    std::istringstream in(input);
    table::CsvReader records(in, limits);
    std::vector<std::string> record;
    while (records.next(record)) {
        fuzz::check(!record.empty() && record.size() <= limits.maxFieldsPerRecord);
        for (const std::string& field : record) fuzz::check(field.size() <= limits.maxFieldBytes);
    }

    const std::vector<table::ItemRecord> rows = readRows(input, limits);
    const std::string written = table::tableCsv(rows);
    const std::vector<table::ItemRecord> again = readRows(written, table::CsvLimits{});
    fuzz::check(again.size() == rows.size());
    fuzz::check(table::tableCsv(again) == written);
    return 0;
}
