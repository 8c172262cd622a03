// The table's CSV form: what a spreadsheet sees (byte-order mark, quoting, the
// formula guard), that every cell reads back as written, and that the streaming
// reader ends hostile input with an error instead of exhausting memory.
#include "table/table_csv.h"

#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace shelfwatch::table {
namespace {

struct GuardCase {
    const char* cell;
    const char* written;
    const char* reason;
};

const GuardCase kGuardCases[] = {
    {"=HYPERLINK(\"http://x\")", "'=HYPERLINK(\"http://x\")", "a formula"},
    {"+cmd|' /C calc'!A0", "'+cmd|' /C calc'!A0", "DDE through a plus"},
    {"-2+3", "'-2+3", "arithmetic is a formula"},
    {"@SUM(A1)", "'@SUM(A1)", "at-functions"},
    {"\tx", "'\tx", "a leading tab (OWASP)"},
    {"\rx", "'\rx", "a leading carriage return (OWASP)"},
    {"-", "'-", "a lone sign is no number"},
    {"-15", "-15", "minutes left of an ended listing stay a number"},
    {"+3", "+3", "a signed number"},
    {"128.00", "128.00", "a price"},
    {"-1.5", "-1.5", "a negative decimal"},
    {"1-2", "1-2", "only the first character counts"},
    {"'=x", "''=x", "a real apostrophe before a formula gains one more"},
    {"''-", "'''-", "any run of apostrophes"},
    {"'abc", "'abc", "an apostrophe before plain text stays alone"},
    {"'", "'", "a lone apostrophe"},
    {"", "", "empty"},
    {"连衣裙", "连衣裙", "text"},
};

TEST(TableCsv, FormulaGuardIsUndoneExactly) {
    for (const GuardCase& c : kGuardCases) {
        SCOPED_TRACE(c.reason);
        EXPECT_EQ(neutralizedCell(c.cell), c.written);
        EXPECT_EQ(restoredCell(neutralizedCell(c.cell)), c.cell);
    }
}

ItemRecord rowWith(const std::string& title, const std::string& start, const std::string& end) {
    ItemRecord row;
    row.seq = "0";
    row.title = text::gbk(title);
    row.url = "http://item.example/item.htm?id=1";
    row.startTime = text::gbk(start);
    row.endTime = text::gbk(end);
    row.minutesLeft = "-30";
    return row;
}

TEST(TableCsv, StartsWithAByteOrderMarkAndTheTitles) {
    const std::string csv = tableCsv({rowWith("=1+1", "2014年7月25日8时", "2014年8月1日8时")});
    ASSERT_EQ(csv.rfind(std::string(kUtf8Bom) + "序号,标题,", 0), 0u) << csv;
    EXPECT_NE(
        csv.find("\r\n0,'=1+1,http://item.example/item.htm?id=1,,2014年7月25日8时,2014年8月1日8时,-30,"),
        std::string::npos)
        << csv;
}

TEST(TableCsv, EveryCellReadsBackAsWritten) {
    std::vector<ItemRecord> rows = {
        rowWith("a,b \"quoted\"", "", ""),
        rowWith("line\r\nbreak", "2014年7月25日8时", ""),
        rowWith("@risk", "", "2014年8月1日8时"),
        rowWith("'=kept", "", ""),
        rowWith("", "", ""),
    };
    rows[2].price = "-";
    rows[3].location = "\t";
    std::istringstream in(tableCsv(rows));
    TableCsvReader reader(in);
    ItemRecord row;
    std::vector<ItemRecord> back;
    while (reader.next(row)) back.push_back(row);
    EXPECT_EQ(reader.error(), "");
    EXPECT_TRUE(reader.hasHeader());
    EXPECT_EQ(back, rows);
}

TEST(TableCsv, HeaderColumnsMayComeInAnyOrderOrByFieldName) {
    std::istringstream in("endTime,标题\n2014年8月1日8时,x\n");
    TableCsvReader reader(in);
    ItemRecord row;
    ASSERT_TRUE(reader.next(row));
    EXPECT_EQ(row.title, "x");
    EXPECT_EQ(row.endTime, text::gbk("2014年8月1日8时"));
    EXPECT_FALSE(reader.next(row));

    std::istringstream headerless("0,t,u,s,a,b\n");
    TableCsvReader positional(headerless);
    EXPECT_FALSE(positional.hasHeader());
    ASSERT_TRUE(positional.next(row));
    EXPECT_EQ(row.title, "t");
    EXPECT_EQ(row.endTime, "b");
}

// Hands out `total` bytes of `fill` without ever holding them.
class EndlessBuffer : public std::streambuf {
  public:
    EndlessBuffer(char fill, std::uint64_t total) : m_total(total) { m_chunk.assign(4096, fill); }

  protected:
    int_type underflow() override {
        if (m_total == 0) return traits_type::eof();
        const std::size_t n = std::min<std::uint64_t>(m_total, m_chunk.size());
        m_total -= n;
        setg(m_chunk.data(), m_chunk.data(), m_chunk.data() + n);
        return traits_type::to_int_type(m_chunk[0]);
    }

  private:
    std::vector<char> m_chunk;
    std::uint64_t m_total;
};

struct LimitCase {
    char fill;
    std::uint64_t bytes;
    const char* error;
    const char* reason;
};

TEST(CsvReader, BoundsEveryRead) {
    CsvLimits limits;
    limits.maxFieldBytes = 1000;
    limits.maxFieldsPerRecord = 50;
    limits.maxInputBytes = 100000;
    const LimitCase cases[] = {
        {'\0', 1u << 20, "a field is longer than 1000 bytes", "/dev/zero is one endless field"},
        {',', 1u << 20, "a record has more than 50 fields", "endless commas"},
        {'\n', 1u << 20, "the input is longer than 100000 bytes", "endless blank lines"},
    };
    for (const LimitCase& c : cases) {
        SCOPED_TRACE(c.reason);
        EndlessBuffer source(c.fill, c.bytes);
        std::istream in(&source);
        CsvReader reader(in, limits);
        std::vector<std::string> record;
        while (reader.next(record)) {
        }
        EXPECT_EQ(reader.error(), c.error);
    }
}

TEST(CsvReader, QuotesAndLineEndsAcrossItsReadChunks) {
    // A quoted field long enough to straddle the reader's chunks, with doubled
    // quotes and CR LF pairs split at every boundary.
    std::string big;
    for (int i = 0; i < 70000; ++i) big += (i % 7 == 0) ? "\"\"" : (i % 11 == 0 ? "\r\n" : "x");
    std::string expected;
    for (int i = 0; i < 70000; ++i) expected += (i % 7 == 0) ? "\"" : (i % 11 == 0 ? "\r\n" : "x");
    std::istringstream in("a,\"" + big + "\"\r\n\r\n\nb\rc");
    CsvReader reader(in);
    std::vector<std::string> record;
    ASSERT_TRUE(reader.next(record));
    EXPECT_EQ(record, (std::vector<std::string>{"a", expected}));
    ASSERT_TRUE(reader.next(record));
    EXPECT_EQ(record, std::vector<std::string>{"b"});
    ASSERT_TRUE(reader.next(record));
    EXPECT_EQ(record, std::vector<std::string>{"c"});
    EXPECT_FALSE(reader.next(record));
    EXPECT_EQ(reader.error(), "");
}

}  // namespace
}  // namespace shelfwatch::table
