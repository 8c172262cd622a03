// The typed JSON form of result rows, for programs: one record shape for a table
// row and for a single item's analysis. Numbers are numbers (seq, minutesLeft,
// sales, stock; null when the cell is empty or not a whole number), isMall is a
// boolean (null when unknown), and each date-time comes twice, as the table shows
// it and as ISO 8601 China time ("endTime": "2014年8月1日8时", "endIso":
// "2014-08-01T08:00:00+08:00"), both null when there is none. Texts are UTF-8.
// Reading gives back what the statistics need (title, start, end) from such a
// file, streaming and with bounded reads. Pure; any thread.
#pragma once

#include "item/item_analyzer.h"
#include "report/listing_stats.h"
#include "table/result_table.h"

#include <cstdint>
#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace shelfwatch::report {

// "2014-08-01T08:00:00+08:00" for a table date-time text (GBK); empty when the
// text is empty or not a date-time.
std::string isoDateTime(std::string_view gbkText);

// One record, compact, for a table row (message null) and for an item (seq null).
std::string rowJson(const table::ItemRecord& row);
std::string itemJson(const std::string& url, const item::ItemDetails& details);

// The table cells the detail fetch would write for `details` (GBK), so an item's
// record reads exactly like its row.
table::ItemRecord itemRecord(const std::string& url, const item::ItemDetails& details);

// An array of row records, one a line, written as it goes.
void writeTableJson(const std::vector<table::ItemRecord>& rows, std::ostream& out);
std::string tableJson(const std::vector<table::ItemRecord>& rows);

struct JsonReadLimits {
    std::uint64_t maxInputBytes = std::uint64_t{16} << 30;
    std::size_t maxTokenBytes = std::size_t{1} << 20;  // one string or number
};

// Every record of `in` (an array of records, or one record) as title and
// date-time texts (GBK), handed to `sink` one at a time. False with `error`
// (UTF-8) set when the input is not such JSON or passes a limit; the records
// before the fault have been handed over.
bool readJsonListings(std::istream& in, const std::function<void(ListingTexts&&)>& sink, std::string& error,
                      JsonReadLimits limits = {});

}  // namespace shelfwatch::report
