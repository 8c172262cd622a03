// The old .xls reader: the input is the file, behind the compound-file magic when
// it does not start with it, so every input reaches the .xls path.
#include "report/workbook_reader.h"

#include "fuzz_support.h"

#include <string>

namespace report = shelfwatch::report;
namespace fuzz = shelfwatch::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string kMagic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    std::string file(fuzz::bytes(data, size));
    if (file.compare(0, kMagic.size(), kMagic) != 0) file.insert(0, kMagic);
    const report::WorkbookContent content = report::readWorkbook(fuzz::scratchFile("input.xls", file));
    if (!content.ok) {
        fuzz::check(!content.error.empty());
        return 0;
    }
    int previous = 0;
    for (const report::WorkbookRow& row : content.rows) {
        fuzz::check(row.row > previous && row.row <= content.usedRows);
        previous = row.row;
    }
    return 0;
}
