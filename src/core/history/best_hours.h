// The best hours of the week to list: the hours of the coming seven days with
// the fewest competing delistings, among the hours the seller considers prime.
#pragma once

#include "report/listing_stats.h"
#include "report/report_page.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace shelfwatch::history {

// Hours of the day from `first` to `last`, both included (9-23: 09:00 to 23:59).
struct PrimeHours {
    int first = 9;
    int last = 23;
    bool contains(int hour) const { return hour >= first && hour <= last; }
};

// "9-23" (blanks allowed around the numbers); false for anything else or an
// hour outside 0..23 or first > last.
bool parsePrimeHours(std::string_view text, PrimeHours& out);
// configs.ini [analysis] primeHours, default 9-23 (also when unreadable).
PrimeHours primeHoursSetting(const std::filesystem::path& dataDir);

struct BestHour {
    int day = 0;  // 0..6 from the grid's first day
    int hour = 0;
    int count = 0;
    friend bool operator==(const BestHour&, const BestHour&) = default;
};

// The `n` prime slots with the fewest delistings, fewest first; ties go to the
// earlier hour of the week.
std::vector<BestHour> bestHours(const report::SlotGrid& grid, const PrimeHours& prime, int n);

// Hands the best hours to the report page: the marks on the heatmap and the
// list under the chart (the page's function `best`).
void attachBestHours(report::Report& report, const report::SlotGrid& grid, const std::vector<BestHour>& best);

// How many best hours the report page and the analysis window show.
inline constexpr int kShownBestHours = 5;

}  // namespace shelfwatch::history
