// The text report of one analysed item, as the single item query shows it: ten
// lines of label and value (GBK), each ending in CR LF, in a fixed order. Shared
// by the desktop text window and the command line so both read the same. Pure.
#pragma once

#include "item/item_analyzer.h"

#include <string>
#include <vector>

namespace shelfwatch::item {

inline constexpr int kItemReportLineCount = 10;

// `usedUrl` is the address as the analysis used it (cut at its first double quote).
std::vector<std::string> itemReportLines(const std::string& usedUrl, const ItemDetails& details);
// The ten lines joined.
std::string itemReportText(const std::string& usedUrl, const ItemDetails& details);

}  // namespace shelfwatch::item
