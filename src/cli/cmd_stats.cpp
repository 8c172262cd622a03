// shelfwatch-cli stats: the 7 x 24 delisting grid of a workbook written by the
// export (or any with the same columns), of a CSV or JSON table the command line
// wrote, or of such a table on standard input; optionally a report page that
// opens anywhere.
#include "config/atomic_file.h"
#include "cli/command.h"
#include "cli/exit_codes.h"
#include "cli/options.h"
#include "config/data_dir.h"
#include "history/best_hours.h"
#include "report/listing_stats.h"
#include "report/report_page.h"
#include "report/table_import.h"
#include "report/workbook_reader.h"
#include "text/gbk_text.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <system_error>

namespace shelfwatch::cli {
namespace {

namespace fs = std::filesystem;

bool isWorkbook(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[4] = {};
    in.read(magic, sizeof magic);
    return (magic[0] == 'P' && magic[1] == 'K') || static_cast<unsigned char>(magic[0]) == 0xD0;
}

// Date, weekday, the 24 hours and the day's total in 100 columns while every
// hour's count has at most two digits; a larger count widens every hour's column
// so that numbers never run together.
void printGrid(const report::SlotGrid& grid, std::ostream& out) {
    int widest = 0;
    for (const auto& day : grid.counts) {
        for (int count : day) widest = std::max(widest, count);
    }
    const std::size_t width = std::max<std::size_t>(3, std::to_string(widest).size() + 1);
    auto cell = [width](int number) {
        std::string text = std::to_string(number);
        return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
    };
    out << "date      day    ";
    for (int h = 0; h < report::kSlotHours; ++h) out << cell(h);
    out << "  total\n";
    for (int d = 0; d < report::kSlotDays; ++d) {
        const item::DateTime day = item::addDays(grid.today, d);
        std::string date = report::yearMonthDay(day);
        date.resize(10, ' ');
        out << date << text::gbkToUtf8(report::weekdayName(day)) << " ";
        for (int h = 0; h < report::kSlotHours; ++h) out << cell(grid.counts[d][h]);
        char total[24];
        std::snprintf(total, sizeof total, "%7d", grid.dayTotal(d));
        out << total << "\n";
    }
}

// Fills the statistics from the input; false with a message (GBK) when it
// cannot be read or is not a table.
bool loadInput(const std::string& input, report::ListingStats& stats, std::string& message) {
    auto failure = [&message, &input](const std::string& whyUtf8) {
        message = text::utf8ToGbk("shelfwatch-cli: " + input + ": " + whyUtf8);
        return false;
    };
    if (input == "-") {
        const report::TableImport imported = report::importTableListings(std::cin, stats);
        return imported.ok || failure(imported.error);
    }
    std::error_code ec;
    if (fs::is_directory(input, ec)) return failure("is a folder, not a file");
    if (!fs::exists(input, ec)) return failure("no such file");
    if (isWorkbook(input)) {
        const report::ImportResult imported = report::importWorkbookListings(input, stats);
        return imported.ok || failure(text::gbkToUtf8(imported.message));
    }
    std::ifstream file(input, std::ios::binary);
    if (!file) return failure("cannot be opened");
    const report::TableImport imported = report::importTableListings(file, stats);
    return imported.ok || failure(imported.error);
}

// One best hour a line: date, weekday, hour, delistings in that hour.
void printBestHours(const report::SlotGrid& grid, const std::vector<history::BestHour>& best,
                    std::ostream& out) {
    for (const history::BestHour& slot : best) {
        const item::DateTime day = item::addDays(grid.today, slot.day);
        std::string date = report::yearMonthDay(day);
        date.resize(10, ' ');
        char hour[32];
        std::snprintf(hour, sizeof hour, " %2dh %5d\n", slot.hour, slot.count);
        out << date << text::gbkToUtf8(report::weekdayName(day)) << hour;
    }
}

int runStats(CliContext& context, const std::string& input, const fs::path& html, int best) {
    if (!html.empty()) {
        std::string cause;
        if (!config::checkWritableTarget(html, cause)) {
            std::cerr << "shelfwatch-cli: cannot write " << html.string() << ": " << cause << "\n";
            return kExitFile;
        }
    }
    bool inputFailed = false;
    report::Analysis analysis = report::analyse(
        [&](report::ListingStats& stats, std::string& message) {
            inputFailed = !loadInput(input, stats, message);
            return !inputFailed;
        },
        context.app.clock);
    if (!analysis.ok) {
        std::cerr << text::gbkToUtf8(analysis.message) << "\n";
        return inputFailed ? kExitFile : kExitFailure;
    }
    // The page marks as many hours as --best asks for, else the few the window shows.
    const int marked = best > 0 ? best : history::kShownBestHours;
    const history::PrimeHours prime = history::primeHoursSetting(context.app.dataDir);
    history::attachBestHours(analysis.report, analysis.grid,
                             history::bestHours(analysis.grid, prime, marked));
    if (best > 0) {
        printBestHours(analysis.grid, history::bestHours(analysis.grid, prime, best), std::cout);
    } else {
        printGrid(analysis.grid, std::cout);
    }
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "shelfwatch-cli: cannot write to standard output\n";
        return kExitFile;
    }
    if (!html.empty()) {
        std::string error;
        if (!report::writeReportPage(config::programDir() / "res", html, analysis.report, error)) {
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
        int best = 0;
    };
    auto options = std::make_shared<StatsOptions>();
    CLI::App& command =
        commands.add("stats", "print how many listings end in each hour of the coming seven days",
                     "shelfwatch-cli stats dresses.xlsx --html report.html\n"
                     "shelfwatch-cli stats dresses.xlsx --best 5\n"
                     "shelfwatch-cli search 连衣裙 --json | shelfwatch-cli stats -",
                     [options](CliContext& context, const CLI::App&) {
                         return runStats(context, options->input, fs::path(options->html), options->best);
                     });
    command
        .add_option(
            "FILE", options->input,
            "a workbook the export wrote, a CSV or JSON table this program wrote, or - for standard input")
        ->required();
    command.add_option("--html", options->html, "also write the report page, which opens in any browser")
        ->type_name("OUT.html");
    addWholeNumberOption(command, "--best", options->best, 1, report::kSlotDays * report::kSlotHours,
                         "print instead the N hours of the week with the fewest delistings, within "
                         "configs.ini [analysis] primeHours (default 9-23); ties go to the earlier hour")
        ->type_name("N")
        ->default_str("");
}

}  // namespace shelfwatch::cli
