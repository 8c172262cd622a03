#include "history/best_hours.h"

#include "config/ini_file.h"
#include "text/gbk_text.h"

#include <algorithm>
#include <charconv>

namespace shelfwatch::history {
namespace {

bool parseHour(std::string_view text, int& out) {
    const std::string trimmed = text::trim(text);
    if (trimmed.empty() || trimmed.size() > 2) return false;
    const auto [end, ec] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), out);
    return ec == std::errc() && end == trimmed.data() + trimmed.size() && out >= 0 && out <= 23;
}

}  // namespace

bool parsePrimeHours(std::string_view text, PrimeHours& out) {
    const std::size_t dash = text.find('-');
    if (dash == std::string_view::npos) return false;
    PrimeHours parsed;
    if (!parseHour(text.substr(0, dash), parsed.first) || !parseHour(text.substr(dash + 1), parsed.last)) {
        return false;
    }
    if (parsed.first > parsed.last) return false;
    out = parsed;
    return true;
}

PrimeHours primeHoursSetting(const std::filesystem::path& dataDir) {
    PrimeHours prime;
    parsePrimeHours(config::iniRead(dataDir / "configs.ini", "analysis", "primeHours", "9-23"), prime);
    return prime;
}

std::vector<BestHour> bestHours(const report::SlotGrid& grid, const PrimeHours& prime, int n) {
    std::vector<BestHour> slots;
    for (int d = 0; d < report::kSlotDays; ++d) {
        for (int h = 0; h < report::kSlotHours; ++h) {
            if (prime.contains(h)) slots.push_back({d, h, grid.counts[d][h]});
        }
    }
    // Stable over slots already in week order, so equal counts keep the earlier hour first.
    std::stable_sort(slots.begin(), slots.end(),
                     [](const BestHour& a, const BestHour& b) { return a.count < b.count; });
    if (n < 0) n = 0;
    if (slots.size() > static_cast<std::size_t>(n)) slots.resize(static_cast<std::size_t>(n));
    return slots;
}

void attachBestHours(report::Report& report, const report::SlotGrid& grid,
                     const std::vector<BestHour>& best) {
    if (best.empty()) {
        report.bestText.clear();
        return;
    }
    // A plain JSON array; every text in it is digits, hyphens or a weekday name.
    std::string out = "[";
    for (const BestHour& slot : best) {
        const item::DateTime day = item::addDays(grid.today, slot.day);
        if (out.size() > 1) out += ",";
        out += "{\"day\":" + std::to_string(slot.day) + ",\"hour\":" + std::to_string(slot.hour) +
               ",\"count\":" + std::to_string(slot.count) + ",\"date\":\"" + report::yearMonthDay(day) +
               "\",\"weekday\":\"" + report::weekdayName(day) + "\"}";
    }
    report.bestText = out + "]";
}

}  // namespace shelfwatch::history
