// The workbook reader on the hostile shapes: rows written in descending order
// (once quadratic) beside the same rows ascending, and a small file whose cells
// all name one long shared string (once gigabytes; now refused at the bound).
#include "report/workbook_reader.h"

#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zip.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace shelfwatch;
namespace fs = std::filesystem;

fs::path writeWorkbook(const std::string& name, const std::string& sharedStrings,
                       const std::string& sheetData) {
    const fs::path path =
        fs::temp_directory_path() / ("shelfwatch-bench-" + std::to_string(::getpid()) + name);
    const std::string sheet =
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" +
        sheetData + "</sheetData></worksheet>";
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    zip_file_add(zip, "xl/sharedStrings.xml",
                 zip_source_buffer(zip, sharedStrings.data(), sharedStrings.size(), 0), 0);
    zip_file_add(zip, "xl/worksheets/sheet1.xml", zip_source_buffer(zip, sheet.data(), sheet.size(), 0), 0);
    zip_close(zip);
    return path;
}

void readRows(benchmark::State& state, bool descending) {
    const int n = static_cast<int>(state.range(0));
    std::string rows;
    for (int k = 0; k < n; ++k) {
        const std::string r = std::to_string(descending ? n - k : k + 1);
        rows += "<row r=\"" + r + "\"><c r=\"B" + r + "\" t=\"s\"><v>0</v></c><c r=\"E" + r +
                "\"><v>41845.5</v></c>" + "<c r=\"F" + r + "\"><v>41846.5</v></c></row>";
    }
    const fs::path path =
        writeWorkbook(descending ? "-desc.xlsx" : "-asc.xlsx", "<sst><si><t>t</t></si></sst>", rows);
    for (auto _ : state) {
        report::WorkbookContent content = report::readWorkbook(path);
        if (!content.ok || content.rows.size() != static_cast<size_t>(n)) state.SkipWithError("not read");
        benchmark::DoNotOptimize(content);
    }
    fs::remove(path);
}

void BM_ReadRowsAscending(benchmark::State& state) { readRows(state, false); }
void BM_ReadRowsDescending(benchmark::State& state) { readRows(state, true); }

void BM_SharedStringAmplification(benchmark::State& state) {
    std::string cells;
    for (int r = 1; r <= 2000; ++r) {
        const std::string n = std::to_string(r);
        cells += "<row r=\"" + n + "\"><c r=\"B" + n + "\" t=\"s\"><v>0</v></c><c r=\"E" + n +
                 "\" t=\"s\"><v>0</v></c><c r=\"F" + n + "\" t=\"s\"><v>0</v></c></row>";
    }
    const fs::path path =
        writeWorkbook("-amp.xlsx", "<sst><si><t>" + std::string(1 << 20, 'x') + "</t></si></sst>", cells);
    state.counters["fileKB"] = static_cast<double>(fs::file_size(path)) / 1024.0;
    for (auto _ : state) {
        report::WorkbookContent content = report::readWorkbook(path);
        benchmark::DoNotOptimize(content);
    }
    fs::remove(path);
}

BENCHMARK(BM_ReadRowsAscending)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRowsDescending)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SharedStringAmplification)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
