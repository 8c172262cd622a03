// Reading a table file the program wrote — its CSV or its JSON, from a file or
// a pipe — into the statistics, for the analysis of tables that never were
// workbooks. The input streams through in batches, so memory stays close to
// what the statistics keep, and every read is bounded. Runs on the caller's thread.
#pragma once

#include "report/listing_stats.h"
#include "report/table_json.h"
#include "table/table_csv.h"

#include <cstdint>
#include <istream>
#include <string>

namespace shelfwatch::report {

struct TableImportLimits {
    table::CsvLimits csv;
    JsonReadLimits json;
};

struct TableImport {
    bool ok = false;
    std::string error;          // UTF-8, why the input is not a table
    std::int64_t listings = 0;  // rows with a title handed to the statistics
};

// JSON when the input starts with "[" or "{" (after a byte-order mark and white
// space), CSV otherwise; a CSV must name the title and end columns in its header
// row, or it is not a table. `stats` must be open.
TableImport importTableListings(std::istream& in, ListingStats& stats, const TableImportLimits& limits = {});

}  // namespace shelfwatch::report
