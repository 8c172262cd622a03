// Any bytes as a table file for the statistics: the JSON listing reader (with
// small limits, so the bounds are reached too) and the import that sniffs
// between JSON and CSV (table_csv covers the CSV reader alone), and two round
// trips that must hold for every input: the bytes as one cell through the formula
// guard, and as the cells of a row through the CSV writer and reader.
#include "report/listing_stats.h"
#include "report/table_import.h"
#include "report/table_json.h"
#include "table/table_csv.h"
#include "text/gbk_text.h"

#include "fuzz_support.h"

#include <sstream>
#include <string>
#include <vector>

namespace report = shelfwatch::report;
namespace table = shelfwatch::table;
namespace fuzz = shelfwatch::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(fuzz::bytes(data, size));
    table::CsvLimits csvLimits;
    csvLimits.maxFieldBytes = 4096;
    csvLimits.maxFieldsPerRecord = 64;
    csvLimits.maxInputBytes = 1 << 20;

    {
        std::istringstream in(input);
        report::JsonReadLimits jsonLimits;
        jsonLimits.maxTokenBytes = 4096;
        std::string error;
        std::size_t count = 0;
        report::readJsonListings(
            in, [&count](report::ListingTexts&&) { ++count; }, error, jsonLimits);
    }
    {
        report::ListingStats stats;
        if (stats.open()) {
            std::istringstream in(input);
            report::TableImportLimits limits;
            limits.csv = csvLimits;
            (void)report::importTableListings(in, stats, limits);
            stats.close();
        }
    }

    fuzz::check(table::restoredCell(table::neutralizedCell(input)) == input);

    // The input cut into cells of a row (GBK in the table; the CSV carries UTF-8,
    // so only texts that survive that conversion can come back unchanged).
    table::ItemRecord row;
    std::size_t start = 0;
    for (int column = 0; column < table::kColumnCount && start <= input.size(); ++column) {
        const std::size_t end = std::min(input.find('\x1f', start), input.size());
        row.field(column) = input.substr(start, end - start);
        start = end + 1;
    }
    std::istringstream written(table::tableCsv({row}));
    table::TableCsvReader reader(written);
    table::ItemRecord back;
    fuzz::check(reader.next(back));
    for (int column = 0; column < table::kColumnCount; ++column) {
        const std::string& cell = row.field(column);
        if (shelfwatch::text::utf8ToGbk(shelfwatch::text::gbkToUtf8(cell)) == cell) {
            fuzz::check(back.field(column) == cell);
        }
    }
    return 0;
}
