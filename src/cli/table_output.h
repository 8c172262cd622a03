// Writing a walk's finished table where the command line was told to: standard
// output (CSV, or JSON with --json) or the file --out names, in the form its
// extension says (.csv, .json, or .xlsx for the export's workbook). The forms
// themselves live in the core.
#pragma once

#include "item/listing_time.h"
#include "table/result_table.h"

#include "cli/options.h"

#include <ostream>
#include <string>

namespace shelfwatch::cli {

// False with `error` (UTF-8) set when the output cannot be written; a file that
// fails keeps its previous content. `clock` gives the "now" of an .xlsx
// statistics sheet.
bool writeTable(const table::ResultTable& table, const TableOutput& output, const item::Clock& clock,
                std::ostream& standardOutput, std::string& error);

}  // namespace shelfwatch::cli
