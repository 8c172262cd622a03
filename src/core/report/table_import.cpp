#include "report/table_import.h"

#include <utility>
#include <vector>

namespace shelfwatch::report {
namespace {

constexpr std::size_t kBatchRows = 8192;

// Collects listings and hands them to the statistics in batches.
class Batcher {
  public:
    explicit Batcher(ListingStats& stats) : m_stats(stats) { m_batch.reserve(kBatchRows); }

    void add(ListingTexts&& listing) {
        if (listing.title.empty()) return;
        m_batch.push_back(std::move(listing));
        ++m_count;
        if (m_batch.size() >= kBatchRows) flush();
    }
    void flush() {
        if (!m_batch.empty()) m_stats.addListings(m_batch);
        m_batch.clear();
    }
    std::int64_t count() const { return m_count; }

  private:
    ListingStats& m_stats;
    std::vector<ListingTexts> m_batch;
    std::int64_t m_count = 0;
};

// Skips a byte-order mark and white space; the first byte after them, or EOF.
int firstMeaningfulByte(std::istream& in) {
    static constexpr unsigned char kBom[] = {0xEF, 0xBB, 0xBF};
    std::size_t bom = 0;
    for (;;) {
        const int c = in.peek();
        if (c == std::char_traits<char>::eof()) return c;
        if (bom < 3 && c == kBom[bom]) {
            ++bom;
            in.get();
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            bom = 3;
            in.get();
            continue;
        }
        return c;
    }
}

}  // namespace

TableImport importTableListings(std::istream& in, ListingStats& stats, const TableImportLimits& limits) {
    TableImport result;
    Batcher batcher(stats);
    const int first = firstMeaningfulByte(in);
    if (in.bad()) {
        result.error = "the input could not be read";
        return result;
    }
    if (first == '[' || first == '{') {
        result.ok = readJsonListings(
            in, [&batcher](ListingTexts&& listing) { batcher.add(std::move(listing)); }, result.error,
            limits.json);
    } else {
        table::TableCsvReader reader(in, limits.csv);
        if (first != std::char_traits<char>::eof() && !reader.hasHeader() && reader.error().empty()) {
            result.error = "not a table: the first row names no title and end columns";
            return result;
        }
        table::ItemRecord row;
        while (reader.next(row)) {
            batcher.add(ListingTexts{std::move(row.title), std::move(row.startTime), std::move(row.endTime)});
        }
        result.error = reader.error();
        result.ok = result.error.empty();
    }
    batcher.flush();
    result.listings = batcher.count();
    return result;
}

}  // namespace shelfwatch::report
