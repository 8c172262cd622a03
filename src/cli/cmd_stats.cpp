// shelfwatch-cli stats: the 7 x 24 delisting grid of a workbook written by the
// export (or any with the same columns), of a CSV file the command line wrote, or
// of such a CSV on standard input; optionally a report page that opens anywhere.
#include "app/data_dir.h"
#include "report/listing_stats.h"
#include "report/report_page.h"
#include "report/workbook_reader.h"
#include "table/result_table.h"
#include "text/gbk_text.h"

#include "cli/command.h"
#include "cli/exit_codes.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>

namespace shelfwatch::cli {
namespace {

namespace fs = std::filesystem;

// RFC 4180 records: quoted fields may hold commas, quotes and line breaks.
std::vector<std::vector<std::string>> parseCsv(std::string_view data) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string field;
    bool quoted = false;
    bool any = false;
    for (size_t i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < data.size() && data[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == '"') {
            quoted = true;
            any = true;
        } else if (c == ',') {
            record.push_back(std::move(field));
            field.clear();
            any = true;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ++i;
            if (any || !field.empty()) {
                record.push_back(std::move(field));
                records.push_back(std::move(record));
            }
            field.clear();
            record.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.empty()) {
        record.push_back(std::move(field));
        records.push_back(std::move(record));
    }
    return records;
}

// Title, start and end columns from the header row (titles or field names);
// without a recognisable header the export's positions are taken.
void loadCsv(std::string data, report::ListingStats& stats) {
    if (data.rfind("\xEF\xBB\xBF", 0) == 0) data.erase(0, 3);
    std::vector<std::vector<std::string>> records = parseCsv(data);
    int title = table::kTitle;
    int start = table::kStartTime;
    int end = table::kEndTime;
    size_t first = 0;
    if (!records.empty()) {
        const std::vector<std::string>& header = records.front();
        auto find = [&](int column) {
            const std::string titleUtf8 = text::gbkToUtf8(table::columnTitles()[static_cast<size_t>(column)]);
            const std::string_view name = table::fieldNames()[static_cast<size_t>(column)];
            for (size_t i = 0; i < header.size(); ++i) {
                if (header[i] == titleUtf8 || header[i] == name) return static_cast<int>(i);
            }
            return -1;
        };
        const int t = find(table::kTitle);
        const int s = find(table::kStartTime);
        const int e = find(table::kEndTime);
        if (t >= 0 && e >= 0) {
            title = t;
            start = s;
            end = e;
            first = 1;
        }
    }
    auto at = [](const std::vector<std::string>& record, int column) {
        return column >= 0 && static_cast<size_t>(column) < record.size() ? text::utf8ToGbk(record[column])
                                                                          : std::string();
    };
    std::vector<report::ListingTexts> listings;
    for (size_t r = first; r < records.size(); ++r) {
        std::string t = at(records[r], title);
        if (t.empty()) continue;
        listings.push_back({std::move(t), at(records[r], start), at(records[r], end)});
    }
    stats.addListings(listings);
}

bool isWorkbook(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[4] = {};
    in.read(magic, sizeof magic);
    return (magic[0] == 'P' && magic[1] == 'K') || static_cast<unsigned char>(magic[0]) == 0xD0;
}

std::string readAll(std::istream& in) { return std::string(std::istreambuf_iterator<char>(in), {}); }

void printGrid(const report::SlotGrid& grid, std::ostream& out) {
    out << "date        day   ";
    for (int h = 0; h < report::kSlotHours; ++h) {
        char cell[8];
        std::snprintf(cell, sizeof cell, "%4d", h);
        out << cell;
    }
    out << "  total\n";
    for (int d = 0; d < report::kSlotDays; ++d) {
        const item::DateTime day = item::addDays(grid.today, d);
        std::string date = report::yearMonthDay(day);
        date.resize(12, ' ');
        out << date << text::gbkToUtf8(report::weekdayName(day)) << " ";
        for (int h = 0; h < report::kSlotHours; ++h) {
            char cell[16];
            std::snprintf(cell, sizeof cell, "%4d", grid.counts[d][h]);
            out << cell;
        }
        char total[16];
        std::snprintf(total, sizeof total, "%7d", grid.dayTotal(d));
        out << total << "\n";
    }
}

bool writeHtml(const fs::path& out, const report::Report& rep, std::string& error) {
    const fs::path res = app::programDir() / "res";
    std::ifstream pageFile(res / "b.html", std::ios::binary);
    if (!pageFile) {
        error = "cannot read the report page " + (res / "b.html").string();
        return false;
    }
    const std::string page = readAll(pageFile);
    std::string library;
    std::ifstream libraryFile(res / "vendor" / "echarts.min.js", std::ios::binary);
    if (libraryFile) library = readAll(libraryFile);
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file << report::selfContainedPage(page, library, rep);
    file.close();
    if (!file) {
        error = "cannot write " + out.string();
        return false;
    }
    return true;
}

int runStats(CliContext& context, const std::string& input, const fs::path& html) {
    report::ListingStats stats;
    if (!stats.open()) {
        std::cerr << text::gbkToUtf8(text::gbk("内存数据库创建失败，无法获取统计")) << "\n";
        return kExitFailure;
    }
    if (input == "-") {
        loadCsv(readAll(std::cin), stats);
    } else if (isWorkbook(input)) {
        report::ImportResult imported = report::importWorkbookListings(input, stats);
        if (!imported.ok) {
            std::cerr << "shelfwatch-cli: " << input << ": " << text::gbkToUtf8(imported.message) << "\n";
            return kExitFile;
        }
    } else {
        std::ifstream file(input, std::ios::binary);
        if (!file) {
            std::cerr << "shelfwatch-cli: cannot read " << input << "\n";
            return kExitFile;
        }
        loadCsv(readAll(file), stats);
    }
    const report::SlotGrid grid = report::computeSlotGrid(stats, context.app.clock);
    stats.close();
    printGrid(grid, std::cout);
    std::cout.flush();

    if (!html.empty()) {
        std::string error;
        if (!writeHtml(html, report::buildReport(grid), error)) {
            std::cerr << "shelfwatch-cli: " << error << "\n";
            return kExitFile;
        }
    }
    return kExitOk;
}

}  // namespace

void registerStatsCommand(Commands& commands) {
    struct StatsOptions {
        std::string input;
        std::string html;
    };
    auto options = std::make_shared<StatsOptions>();
    CLI::App& command =
        commands.add("stats", "print how many listings end in each hour of the coming seven days",
                     "shelfwatch-cli stats dresses.xlsx --html report.html\nshelfwatch-cli search 连衣裙 | "
                     "shelfwatch-cli stats -",
                     [options](CliContext& context, const CLI::App&) {
                         return runStats(context, options->input, fs::path(options->html));
                     });
    command
        .add_option(
            "FILE", options->input,
            "a workbook the export wrote, a CSV or JSON file this program wrote, or - for standard input")
        ->required();
    command.add_option("--html", options->html, "also write the report page, which opens in any browser")
        ->type_name("OUT.html");
}

}  // namespace shelfwatch::cli
