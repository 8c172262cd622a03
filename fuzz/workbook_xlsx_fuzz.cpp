// The .xlsx reader. Byte 0 picks the form: even, the rest is split at NUL bytes
// into the worksheet, the shared strings, workbook.xml and its relationships, and
// packed into a zip here (so the fuzzer works on the XML, not on checksums); odd,
// the rest is the file itself. A workbook that reads must hold its rows in order
// and inside the used range.
#include "report/workbook_reader.h"

#include "fuzz_support.h"
#include <zip.h>

#include <string>
#include <vector>

namespace report = shelfwatch::report;
namespace fuzz = shelfwatch::fuzz;

namespace {

bool packZip(const std::filesystem::path& path, std::string_view parts) {
    static const char* const kMembers[] = {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml",
                                           "xl/workbook.xml", "xl/_rels/workbook.xml.rels"};
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip) return false;
    std::size_t from = 0;
    for (const char* member : kMembers) {
        if (from > parts.size()) break;
        std::size_t nul = parts.find('\0', from);
        if (nul == std::string_view::npos) nul = parts.size();
        const std::string_view part = parts.substr(from, nul - from);
        from = nul + 1;
        zip_source_t* source = zip_source_buffer(zip, part.data(), part.size(), 0);
        if (!source || zip_file_add(zip, member, source, ZIP_FL_OVERWRITE) < 0) {
            if (source) zip_source_free(source);
            zip_discard(zip);
            return false;
        }
    }
    return zip_close(zip) == 0 || (zip_discard(zip), false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string_view rest = fuzz::bytes(data + 1, size - 1);
    std::filesystem::path path;
    if (data[0] % 2 == 0) {
        path = fuzz::scratchDir() / "packed.xlsx";
        if (!packZip(path, rest)) return 0;
    } else {
        path = fuzz::scratchFile("raw.xlsx", rest);
    }
    report::WorkbookLimits limits;
    limits.maxInflatedBytes = 16u << 20;
    limits.maxSharedStringBytes = 4u << 20;
    limits.maxCellTextBytes = 8u << 20;
    const report::WorkbookContent content = report::readWorkbook(path, limits);
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
