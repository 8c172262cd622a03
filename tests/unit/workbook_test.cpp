#include "panel/headless_panel.h"
#include "report/excel_export.h"
#include "report/listing_stats.h"
#include "report/workbook_reader.h"
#include "table/result_table.h"
#include "text/gbk_text.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <regex>

namespace shelfwatch::report {
namespace {

namespace fs = std::filesystem;
using item::fromCivil;

std::string g(const char* utf8) { return text::gbk(utf8); }

class TempDir {
  public:
    TempDir() {
        std::random_device random;
        m_path = fs::temp_directory_path() / ("shelfwatch-wb-" + std::to_string(random()));
        fs::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    const fs::path& path() const { return m_path; }

  private:
    fs::path m_path;
};

// One member of a zip archive read whole (for checking what the writer wrote).
std::string zipMember(const fs::path& archive, const char* member) {
    int error = 0;
    zip_t* zip = zip_open(archive.c_str(), ZIP_RDONLY, &error);
    if (!zip) return {};
    std::string out;
    if (zip_file_t* file = zip_fopen(zip, member, 0)) {
        char buffer[8192];
        zip_int64_t got;
        while ((got = zip_fread(file, buffer, sizeof buffer)) > 0)
            out.append(buffer, static_cast<size_t>(got));
        zip_fclose(file);
    }
    zip_discard(zip);
    return out;
}

// Cell reference -> text of the inline-string cells of a written worksheet (UTF-8).
std::map<std::string, std::string> inlineCells(const std::string& xml) {
    std::map<std::string, std::string> cells;
    static const std::regex cell(R"re(<c r="([A-Z]+[0-9]+)"[^>]*><is><t[^>]*>([^<]*)</t></is></c>)re");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), cell); it != std::sregex_iterator(); ++it) {
        cells[(*it)[1]] = (*it)[2];
    }
    return cells;
}

// A zip archive built from members, for hand-made and hostile workbooks.
void writeZip(const fs::path& path, const std::vector<std::pair<std::string, std::string>>& members) {
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(zip, nullptr);
    for (const auto& [name, data] : members) {
        zip_source_t* source = zip_source_buffer(zip, data.data(), data.size(), 0);
        ASSERT_GE(zip_file_add(zip, name.c_str(), source, ZIP_FL_OVERWRITE), 0);
    }
    ASSERT_EQ(zip_close(zip), 0);
}

std::string sheetXml(const std::string& sheetData, const std::string& dimension = "") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet "
           "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" +
           (dimension.empty() ? std::string() : "<dimension ref=\"" + dimension + "\"/>") + "<sheetData>" +
           sheetData + "</sheetData></worksheet>";
}

class WorkbookTest : public ::testing::Test {
  protected:
    TempDir dir;
    item::FixedClock clock{fromCivil(2014, 7, 25, 10, 0, 0)};
    panel::HeadlessPanel panel;

    static table::ItemRecord record(int i, item::DateTime end) {
        table::ItemRecord r;
        r.seq = std::to_string(i);
        r.title = text::gbk("宝贝") + std::to_string(i);
        r.url = "http://item.example/item.htm?id=" + std::to_string(1000 + i);
        r.seller = text::gbk("店主");
        r.startTime = item::dateTimeText(item::addDays(end, -7));
        r.endTime = item::dateTimeText(end);
        r.minutesLeft = "10";
        r.sales = "3";
        r.stock = "9";
        r.isMall = text::gbk("真");
        r.price = "12.50 -> 9.90";
        r.location = text::gbk("浙江杭州");
        return r;
    }
    SlotGrid gridOfTable(const table::ResultTable& table) {
        ListingStats stats;
        EXPECT_TRUE(stats.open());
        stats.loadFromResultTable(table);
        return computeSlotGrid(stats, clock);
    }
    SlotGrid gridOfWorkbook(const fs::path& path) {
        ListingStats stats;
        ImportResult imported = importWorkbookListings(path, stats);
        EXPECT_TRUE(imported.ok) << text::gbkToUtf8(imported.message);
        return computeSlotGrid(stats, clock);
    }
};

TEST_F(WorkbookTest, WritesTheTableUnderItsHeaderRow) {
    table::ResultTable table;
    for (int i = 0; i < 3; ++i) table.appendRecord(record(i, fromCivil(2014, 7, 25, 12 + i, 0, 0)));
    table.setCell(1, table::kTitle, "two\r\nlines");
    table.setCell(2, table::kSeller, "lone\nfeed");
    const fs::path path = dir.path() / "out.xls";
    ExportResult result = exportResultTable(table, false, path, clock, panel);
    ASSERT_TRUE(result.ok) << text::gbkToUtf8(result.error);
    EXPECT_TRUE(panel.messages().empty());
    EXPECT_EQ(panel.status(), "");
    EXPECT_GE(panel.processEventsCalls(), 3);

    auto cells = inlineCells(zipMember(path, "xl/worksheets/sheet1.xml"));
    const char* headers[] = {"序号a",     "标题a",     "地址a",     "店主a", "开始日期a", "结束日期a",
                             "剩余分钟a", "当前销量a", "剩余库存a", "商城a", "商品售价a", "所在地a"};
    for (int c = 0; c < 12; ++c) EXPECT_EQ(cells[std::string(1, char('A' + c)) + "1"], headers[c]) << c;
    EXPECT_EQ(cells["A2"], "0");
    EXPECT_EQ(cells["B2"], "宝贝0");
    EXPECT_EQ(cells["B3"], "two lines");
    EXPECT_EQ(cells["D4"], "lone\nfeed");
    EXPECT_EQ(cells["F4"], "2014年7月25日14时");
    EXPECT_EQ(cells["K2"], "12.50 -&gt; 9.90");
    EXPECT_EQ(cells["L4"], "浙江杭州");
    EXPECT_EQ(cells.count("A5"), 0u);

    auto stats = inlineCells(zipMember(path, "xl/worksheets/sheet2.xml"));
    EXPECT_EQ(stats.count("A1"), 0u);
    EXPECT_EQ(stats["B1"], "1");
    EXPECT_EQ(stats["Y1"], "24");
    EXPECT_EQ(stats["A2"], "2014年7月25日 星期五");
    EXPECT_EQ(stats["A8"], "2014年7月31日 星期四");
    EXPECT_EQ(stats["M2"], "0");
    EXPECT_EQ(stats["N2"], "1");  // 12:00 today: B holds hour 0, so hour 12 is N
    EXPECT_EQ(stats["P2"], "1");
    EXPECT_EQ(stats["B8"], "0");
    EXPECT_EQ(stats["Y8"], "0");

    // No temporary file stays behind.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir.path())) files += entry.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST_F(WorkbookTest, EmptyTableGivesHeaderAndZeroStatistics) {
    table::ResultTable table;
    const fs::path path = dir.path() / "report.txt";  // the task run's name, used as given
    ASSERT_TRUE(exportResultTable(table, true, path, clock, panel).ok);
    auto cells = inlineCells(zipMember(path, "xl/worksheets/sheet1.xml"));
    EXPECT_EQ(cells.size(), 12u);
    auto stats = inlineCells(zipMember(path, "xl/worksheets/sheet2.xml"));
    EXPECT_EQ(stats.size(), 24u + 7u + 7u * 24u);
    for (const auto& [ref, value] : stats) {
        if (ref[0] != 'A' && ref.substr(1) != "1") {
            EXPECT_EQ(value, "0") << ref;
        }
    }
    WorkbookContent content = readWorkbook(path);
    ASSERT_TRUE(content.ok) << content.error;
    EXPECT_EQ(content.usedRows, 1);
}

TEST_F(WorkbookTest, FailureIsReportedWithPathAndCause) {
    table::ResultTable table;
    table.appendRecord(record(0, fromCivil(2014, 7, 26)));
    const fs::path missing = dir.path() / "no-such-folder" / "out.xlsx";
    panel.setStatus(g("正在导出数据，请稍后。"));
    ExportResult loud = exportResultTable(table, false, missing, clock, panel);
    EXPECT_FALSE(loud.ok);
    EXPECT_EQ(panel.status(), "");
    EXPECT_NE(loud.error.find(pathText(missing)), std::string::npos);
    EXPECT_NE(loud.error.find(g("文件夹不存在")), std::string::npos);
    ASSERT_EQ(panel.messages().size(), 1u);
    EXPECT_EQ(panel.messages()[0], loud.error);

    ExportResult quiet = exportResultTable(table, true, missing, clock, panel);
    EXPECT_FALSE(quiet.ok);
    EXPECT_EQ(panel.messages().size(), 1u);
    EXPECT_FALSE(fs::exists(missing));
}

TEST_F(WorkbookTest, FailedSaveKeepsThePreviousFile) {
    // A folder where nothing can be created (even as root) makes the save fail.
    const fs::path locked("/proc/self");
    if (!fs::is_directory(locked)) GTEST_SKIP() << "needs /proc";
    table::ResultTable table;
    table.appendRecord(record(0, fromCivil(2014, 7, 26)));
    ExportResult result = exportResultTable(table, true, locked / "out.xlsx", clock, panel);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("/proc/self/out.xlsx"), std::string::npos);

    // Replacing an existing workbook: the old content stays until the new one is whole.
    const fs::path path = dir.path() / "keep.xlsx";
    { std::ofstream(path) << "previous"; }
    ASSERT_TRUE(exportResultTable(table, true, path, clock, panel).ok);
    EXPECT_TRUE(readWorkbook(path).ok);
}

TEST_F(WorkbookTest, ReimportCountsWhatTheTableCounts) {
    table::ResultTable table;
    std::mt19937 random(3);
    std::uniform_int_distribution<std::int64_t> offset(-2 * 86400, 9 * 86400);
    for (int i = 0; i < 10000; ++i) {
        table.appendRecord(record(i, item::addSeconds(fromCivil(2014, 7, 25), offset(random))));
    }
    table.setCell(5, table::kEndTime, "");  // a failed fetch
    table.setCell(6, table::kTitle, "");    // skipped on import even with dates
    table.setCell(7, table::kTitle, "it's \"odd\"");
    const fs::path path = dir.path() / "round.xlsx";
    ASSERT_TRUE(exportResultTable(table, true, path, clock, panel).ok);

    WorkbookContent content = readWorkbook(path);
    ASSERT_TRUE(content.ok) << content.error;
    EXPECT_EQ(content.usedRows, 10001);
    ASSERT_EQ(content.rows.size(), 10001u);
    EXPECT_EQ(content.rows[0].title, g("标题a"));
    EXPECT_EQ(content.rows[8].title, "it's \"odd\"");
    EXPECT_EQ(content.rows[1].end, table.cell(0, table::kEndTime));

    ListingStats imported;
    ImportResult result = importWorkbookListings(path, imported);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.listings, 10000);  // header row in, empty-title row out
    SlotGrid fromWorkbook = computeSlotGrid(imported, clock);

    table.setCell(6, table::kEndTime, "");  // what the import skipped
    SlotGrid fromTable = gridOfTable(table);
    EXPECT_EQ(std::memcmp(fromWorkbook.counts, fromTable.counts, sizeof fromTable.counts), 0);
    int total = 0;
    for (int d = 0; d < kSlotDays; ++d) total += fromTable.dayTotal(d);
    EXPECT_GT(total, 5000);
}

TEST_F(WorkbookTest, TruncatedOrForeignFilesFailToOpen) {
    table::ResultTable table;
    for (int i = 0; i < 200; ++i) table.appendRecord(record(i, fromCivil(2014, 7, 26)));
    const fs::path whole = dir.path() / "whole.xlsx";
    ASSERT_TRUE(exportResultTable(table, true, whole, clock, panel).ok);
    std::string bytes;
    {
        std::ifstream in(whole, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    struct Case {
        const char* name;
        std::string content;
    };
    std::string flipped = bytes;
    for (size_t i = 200; i < flipped.size() / 2; i += 97) flipped[i] = static_cast<char>(flipped[i] ^ 0x5A);
    const Case cases[] = {
        {"half.xlsx", bytes.substr(0, bytes.size() / 2)},
        {"cut-tail.xlsx", bytes.substr(0, bytes.size() - 10)},
        {"flipped.xlsx", flipped},
        {"empty.xlsx", ""},
        {"text.xls", "just some text\r\n"},
        {"pk.xlsx", std::string("PK\3\4") + std::string(100, '\0')},
        {"ole.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, '\x01')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = dir.path() / c.name;
        {
            std::ofstream out(path, std::ios::binary);
            out << c.content;
        }
        EXPECT_FALSE(readWorkbook(path).ok);
        ListingStats stats;
        ImportResult result = importWorkbookListings(path, stats);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.message, g("打开excel文件失败！"));
    }
    ListingStats stats;
    EXPECT_EQ(importWorkbookListings(dir.path() / "missing.xlsx", stats).message, g("打开excel文件失败！"));
}

TEST_F(WorkbookTest, HostileWorkbooksFailWithinTheirLimits) {
    const std::string laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">"
        "<!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">"
        "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">"
        "<!ENTITY lol4 \"&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;\">]>"
        "<worksheet><sheetData><row r=\"1\"><c r=\"B1\" t=\"inlineStr\"><is><t>&lol4;</t></is></c></row>"
        "</sheetData></worksheet>";
    std::string manyStrings = "<sst>";
    for (int i = 0; i < 20000; ++i) manyStrings += "<si><t>" + std::string(100, 'x') + "</t></si>";
    manyStrings += "</sst>";
    const std::string padding(8 << 20, ' ');  // inflates far beyond its compressed size
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> members;
    };
    const Case cases[] = {
        {"entities", {{"xl/worksheets/sheet1.xml", laughs}}},
        {"shared-table", {{"xl/sharedStrings.xml", manyStrings}, {"xl/worksheets/sheet1.xml", sheetXml("")}}},
        {"long-cell",
         {{"xl/worksheets/sheet1.xml", sheetXml("<row r=\"1\"><c r=\"B1\" t=\"inlineStr\"><is><t>" +
                                                std::string(300000, 'y') + "</t></is></c></row>")}}},
        {"bomb", {{"xl/worksheets/sheet1.xml", sheetXml(padding)}}},
        {"bad-index",
         {{"xl/sharedStrings.xml", "<sst><si><t>a</t></si></sst>"},
          {"xl/worksheets/sheet1.xml", sheetXml("<row r=\"1\"><c r=\"B1\" t=\"s\"><v>7</v></c></row>")}}},
        {"bad-ref",
         {{"xl/worksheets/sheet1.xml", sheetXml("<row r=\"1\"><c r=\"B99999999\"><v>1</v></c></row>")}}},
        {"bad-xml", {{"xl/worksheets/sheet1.xml", "<worksheet><sheetData><row>"}}},
        {"no-sheet", {{"xl/other.xml", "<x/>"}}},
    };
    WorkbookLimits limits;
    limits.maxInflatedBytes = 4 << 20;
    limits.maxSharedStringBytes = 1 << 20;
    limits.maxCellBytes = 100000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = dir.path() / (std::string(c.name) + ".xlsx");
        writeZip(path, c.members);
        WorkbookContent content = readWorkbook(path, limits);
        EXPECT_FALSE(content.ok);
        EXPECT_FALSE(content.error.empty());
    }
}

// Rows 1..n with B = the row number, E = "s" + the number, F a shared string.
std::string numberedRows(const std::vector<int>& order) {
    std::string rows;
    for (int r : order) {
        const std::string n = std::to_string(r);
        rows += "<row r=\"" + n + "\"><c r=\"B" + n + "\" t=\"inlineStr\"><is><t>" + n + "</t></is></c>" +
                "<c r=\"E" + n + "\" t=\"str\"><v>s" + n + "</v></c><c r=\"F" + n +
                "\" t=\"s\"><v>0</v></c></row>";
    }
    return rows;
}

TEST_F(WorkbookTest, RowsInAnyOrderReadAsInOrder) {
    const int n = 3000;
    std::vector<int> ascending;
    for (int r = 1; r <= n; ++r) ascending.push_back(r);
    std::vector<int> descending(ascending.rbegin(), ascending.rend());
    std::vector<int> shuffled = ascending;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(5));
    const std::string strings = "<sst><si><t>end</t></si></sst>";
    struct Case {
        const char* name;
        std::string rows;
    };
    const Case cases[] = {
        {"ascending", numberedRows(ascending)},
        {"descending", numberedRows(descending)},
        {"shuffled", numberedRows(shuffled)},
        // One row's cells split over two row elements, the later one out of order.
        {"split row", numberedRows(ascending) + "<row r=\"7\"><c r=\"E7\" t=\"str\"><v>again</v></c></row>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = dir.path() / (std::string(c.name) + ".xlsx");
        writeZip(path, {{"xl/sharedStrings.xml", strings}, {"xl/worksheets/sheet1.xml", sheetXml(c.rows)}});
        const WorkbookContent content = readWorkbook(path);
        ASSERT_TRUE(content.ok) << content.error;
        EXPECT_EQ(content.usedRows, n);
        ASSERT_EQ(content.rows.size(), static_cast<size_t>(n));
        for (int r = 1; r <= n; ++r) {
            const WorkbookRow& row = content.rows[static_cast<size_t>(r - 1)];
            ASSERT_EQ(row.row, r);
            ASSERT_EQ(row.title, std::to_string(r));
            ASSERT_EQ(row.start, std::string(c.name) == std::string("split row") && r == 7
                                     ? "again"
                                     : "s" + std::to_string(r));
            ASSERT_EQ(row.end, "end");
        }
    }
}

TEST_F(WorkbookTest, SharedStringReferencesCountTowardsTheCellTextBound) {
    // One long shared string named by B, E and F of every row: a small file that
    // would expand to gigabytes.
    const std::string strings =
        "<sst><si><t>" + std::string(1 << 20, 'x') + "</t></si><si><t>a</t></si></sst>";
    auto sheetNaming = [](int rows, int index) {
        std::string xml;
        for (int r = 1; r <= rows; ++r) {
            const std::string n = std::to_string(r);
            for (const char* column : {"B", "E", "F"})
                xml += "<c r=\"" + std::string(column) + n + "\" t=\"s\"><v>" + std::to_string(index) +
                       "</v></c>";
        }
        return sheetXml(xml);
    };
    struct Case {
        const char* why;
        int rows;
        int index;
        std::uint64_t bound;
        bool ok;
    };
    const Case cases[] = {
        {"3 000 references of 1 MiB pass the default bound", 1000, 0, WorkbookLimits{}.maxCellTextBytes,
         false},
        {"exactly at the bound is read", 2, 0, 6ull << 20, true},
        {"one reference beyond it is refused", 3, 0, (8ull << 20) + 1, false},
        {"many references of a short string stay far below", 20000, 1, 1ull << 20, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const fs::path path = dir.path() / "amplified.xlsx";
        writeZip(path, {{"xl/sharedStrings.xml", strings},
                        {"xl/worksheets/sheet1.xml", sheetNaming(c.rows, c.index)}});
        WorkbookLimits limits;
        limits.maxCellTextBytes = c.bound;
        const WorkbookContent content = readWorkbook(path, limits);
        EXPECT_EQ(content.ok, c.ok) << content.error;
        if (c.ok) {
            ASSERT_EQ(content.rows.size(), static_cast<size_t>(c.rows));
            EXPECT_EQ(content.rows.back().end, c.index == 0 ? std::string(1 << 20, 'x') : "a");
        } else {
            EXPECT_NE(content.error.find("limit"), std::string::npos) << content.error;
        }
    }
}

TEST_F(WorkbookTest, OnlyRegularFilesOfBoundedSizeAreRead) {
    table::ResultTable table;
    table.appendRecord(record(0, fromCivil(2014, 7, 26)));
    const fs::path whole = dir.path() / "whole.xlsx";
    ASSERT_TRUE(exportResultTable(table, true, whole, clock, panel).ok);
    WorkbookLimits tiny;
    tiny.maxFileBytes = fs::file_size(whole) - 1;
    struct Case {
        const char* name;
        fs::path path;
        WorkbookLimits limits;
    };
    const Case cases[] = {
        {"a folder", dir.path(), {}},
        {"an endless device", "/dev/zero", {}},
        {"a file beyond the size bound", whole, tiny},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!fs::exists(c.path)) continue;
        const WorkbookContent content = readWorkbook(c.path, c.limits);
        EXPECT_FALSE(content.ok);
        EXPECT_FALSE(content.error.empty());
    }
    ListingStats stats;
    EXPECT_EQ(importWorkbookListings(dir.path(), stats).message, g("打开excel文件失败！"));
    EXPECT_TRUE(readWorkbook(whole).ok);
}

TEST_F(WorkbookTest, ReadsOtherWritersWorkbooks) {
    // Shared strings, rich text runs, a sheet found through the relationships,
    // numbers as dates and a used range that starts at row 3.
    const std::string workbook =
        "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
        "<sheet name=\"数据\" sheetId=\"5\" r:id=\"rId9\"/><sheet name=\"b\" sheetId=\"1\" r:id=\"rId1\"/>"
        "</sheets></workbook>";
    const std::string rels =
        "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\" Type=\"x/worksheet\"/>"
        "<Relationship Id=\"rId9\" Target=\"/xl/worksheets/data.xml\" Type=\"x/worksheet\"/>"
        "<Relationship Id=\"rId3\" Target=\"strings.xml\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\"/>"
        "</Relationships>";
    const std::string strings =
        "<sst><si><t>标题</t></si><si><r><t>宝</t></r><r><t>贝_x000D_</t></r><rPh><t>bao</t></rPh></si>"
        "<si><t>2014年7月25日12时</t></si></sst>";
    std::string rows;
    for (int r = 3; r <= 10; ++r) {
        const std::string n = std::to_string(r);
        rows += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>" + n + "</v></c>";
        if (r != 5) rows += "<c r=\"B" + n + "\" t=\"s\"><v>" + (r == 3 ? "0" : "1") + "</v></c>";
        rows += "<c r=\"E" + n + "\" t=\"s\"><v>2</v></c>";
        rows += "<c r=\"F" + n + "\" s=\"1\"><v>41845.5" + n + "</v></c></row>";
    }
    const fs::path path = dir.path() / "other.xlsx";
    writeZip(path, {{"xl/workbook.xml", workbook},
                    {"xl/_rels/workbook.xml.rels", rels},
                    {"xl/strings.xml", strings},
                    {"xl/worksheets/sheet1.xml", sheetXml("<row r=\"1\"><c r=\"B1\"><v>9</v></c></row>")},
                    {"xl/worksheets/data.xml", sheetXml(rows, "A3:F10")}});
    WorkbookContent content = readWorkbook(path);
    ASSERT_TRUE(content.ok) << content.error;
    EXPECT_EQ(content.usedRows, 8);
    ASSERT_EQ(content.rows.size(), 6u);  // rows 3..8
    EXPECT_EQ(content.rows.front().row, 3);
    EXPECT_EQ(content.rows.back().row, 8);
    EXPECT_EQ(content.rows[0].title, g("标题"));
    EXPECT_EQ(content.rows[1].title, g("宝贝\r"));
    EXPECT_EQ(content.rows[2].title, "");  // row 5 has no B
    EXPECT_EQ(content.rows[1].start, g("2014年7月25日12时"));
    EXPECT_EQ(content.rows[1].end, "41845.54");

    ListingStats stats;
    ImportResult result = importWorkbookListings(path, stats);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.listings, 5);
    SlotGrid grid = computeSlotGrid(stats, clock);
    EXPECT_EQ(grid.counts[0][12], 2);  // .53 = 12:43:12, .54 = 12:57:36
    EXPECT_EQ(grid.counts[0][13], 3);  // .56, .57, .58 (row 5 has no title)
}

TEST_F(WorkbookTest, ReadsOldFormatWorkbooks) {
    const fs::path path = fs::path(SHELFWATCH_FIXTURES_DIR) / "listings_biff5.xls";
    WorkbookContent content = readWorkbook(path);
    ASSERT_TRUE(content.ok) << content.error;
    EXPECT_EQ(content.usedRows, 155);
    ASSERT_EQ(content.rows.size(), 155u);
    EXPECT_EQ(content.rows[0].title, "title a");
    EXPECT_EQ(content.rows[1].end, "2014/7/25 14:20");
    EXPECT_EQ(content.rows[2].title, "");
    EXPECT_EQ(item::toCivil(dateTimeFromText(content.rows[3].end)), (item::CivilTime{2014, 7, 25, 18, 0, 0}));
    EXPECT_EQ(item::toCivil(dateTimeFromText(content.rows[4].start)),
              (item::CivilTime{2014, 7, 25, 12, 0, 0}));

    ListingStats stats;
    ImportResult result = importWorkbookListings(path, stats);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.listings, 154);  // the empty title is skipped; worksheet 2 is not read
    SlotGrid grid = computeSlotGrid(stats, clock);
    EXPECT_EQ(grid.counts[0][14], 1);
    EXPECT_EQ(grid.counts[0][15], 0);
    EXPECT_EQ(grid.counts[0][16], 0);
    EXPECT_EQ(grid.counts[0][18], 1);
    EXPECT_EQ(grid.counts[1][3], 1);
    EXPECT_EQ(grid.dayTotal(0) + grid.dayTotal(1), 3);
}

TEST_F(WorkbookTest, DamagedOldFormatWorkbooksCannotHarmTheReader) {
    // Files on which libfreexl reads far past its buffers or reports success
    // without a handle (found by fuzzing): the library runs apart from the
    // program, so the read comes back, and whatever it gives is well formed.
    for (const char* name : {"damaged_overread.xls"}) {
        SCOPED_TRACE(name);
        const WorkbookContent content = readWorkbook(fs::path(SHELFWATCH_FIXTURES_DIR) / name);
        EXPECT_NE(content.ok, !content.error.empty());
        int previous = 0;
        for (const WorkbookRow& row : content.rows) {
            EXPECT_GT(row.row, previous);
            EXPECT_LE(row.row, content.usedRows);
            previous = row.row;
        }
    }
    EXPECT_FALSE(readWorkbook(fs::path(SHELFWATCH_FIXTURES_DIR) / "damaged_no_handle.xls").ok);
}

TEST_F(WorkbookTest, EmptyWorksheetAddsNothing) {
    const fs::path path = dir.path() / "blank.xlsx";
    writeZip(path, {{"xl/worksheets/sheet1.xml", sheetXml("", "A1")}});
    WorkbookContent content = readWorkbook(path);
    ASSERT_TRUE(content.ok) << content.error;
    EXPECT_EQ(content.usedRows, 0);
    ListingStats stats;
    ImportResult result = importWorkbookListings(path, stats);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.listings, 0);
    EXPECT_EQ(stats.rowCount(), 0);
}

}  // namespace
}  // namespace shelfwatch::report
