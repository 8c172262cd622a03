#include "report/report_page.h"

#include "table/result_table.h"
#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace shelfwatch::report {
namespace {

using item::fromCivil;

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(BuildReport, TableAndSeriesAreTheFixedTexts) {
    SlotGrid grid;
    grid.today = fromCivil(2014, 7, 25);
    grid.counts[0][14] = 1;  // a listing ending today at 14:20
    grid.counts[0][0] = 2;
    grid.counts[6][23] = 12;

    std::string headerHours;
    for (int h = 0; h < 24; ++h) headerHours += "<td width=25>" + std::to_string(h) + "h</td>";
    std::string table = "<table border='0' cellpadding='1' cellspacing='0'><thead><tr><td width=80>" +
                        text::gbk("日期") + "</td>" + headerHours + "<td>" + text::gbk("总计") +
                        "</td></tr></thead><tbody>";
    table += "<tr><td>2014-7-25</td><td>2</td>" + repeat("<td>0</td>", 13) + "<td>1</td>" +
             repeat("<td>0</td>", 9) + "</tr>";
    for (int day = 26; day <= 30; ++day) {
        table += "<tr><td>2014-7-" + std::to_string(day) + "</td>" + repeat("<td>0</td>", 24) + "</tr>";
    }
    table += "<tr><td>2014-7-31</td>" + repeat("<td>0</td>", 23) + "<td>12</td></tr></tbody></table>";

    const std::string zeros = "0" + repeat(", 0", 23);
    std::string series = "[{ name: '" + text::gbk("2014年7月25日") + "', data: [2, " + repeat("0, ", 13) +
                         "1, " + repeat("0, ", 8) + "0] }";
    for (int day = 26; day <= 30; ++day) {
        series +=
            ",{ name: '" + text::gbk("2014年7月" + std::to_string(day) + "日") + "', data: [" + zeros + "] }";
    }
    series += ",{ name: '" + text::gbk("2014年7月31日") + "', data: [" + repeat("0, ", 23) + "12] }]";

    Report report = buildReport(grid);
    EXPECT_EQ(report.tableHtml, table);
    EXPECT_EQ(report.seriesText, series);
}

TEST(BuildReport, DatesRollOverMonthAndYear) {
    SlotGrid grid;
    grid.today = fromCivil(2014, 12, 28);
    Report report = buildReport(grid);
    EXPECT_NE(report.tableHtml.find("<tr><td>2014-12-31</td>"), std::string::npos);
    EXPECT_NE(report.tableHtml.find("<tr><td>2015-1-3</td>"), std::string::npos);
    EXPECT_NE(report.seriesText.find(text::gbk("{ name: '2015年1月3日'")), std::string::npos);
}

TEST(JsStringLiteral, EscapesWhatCouldEndTheLiteralOrTheScript) {
    struct Case {
        std::string gbk;
        std::string literal;
    };
    const Case cases[] = {
        {"", "\"\""},
        {"plain", "\"plain\""},
        {text::gbk("日期"), "\"日期\""},
        {"a'b\"c\\d", "\"a\\u0027b\\\"c\\\\d\""},
        {"line\r\nnext\t", "\"line\\r\\nnext\\t\""},
        {"</script><!--", "\"\\u003c/script\\u003e\\u003c!--\""},
        {std::string("\x01\x7f", 2), "\"\\u0001\\u007f\""},
    };
    for (const Case& c : cases) EXPECT_EQ(jsStringLiteral(c.gbk), c.literal);
}

TEST(SelfContainedPage, InlinesTheLibraryAndCallsThePage) {
    const std::string page =
        "<html><head><script src=\"vendor/echarts.min.js\"></script></head><body><div "
        "id=t></div></body></html>";
    SlotGrid grid;
    grid.today = fromCivil(2014, 7, 25);
    Report report = buildReport(grid);
    std::string out = selfContainedPage(page, "var lib = '</script>';", report);
    EXPECT_EQ(out.find("vendor/"), std::string::npos);
    EXPECT_NE(out.find("<script>var lib = '<\\/script>';</script>"), std::string::npos);
    size_t call = out.find("<script>asd(\"[{ name: \\u00272014年7月25日\\u0027");
    ASSERT_NE(call, std::string::npos);
    EXPECT_LT(call, out.find("</body>"));
    EXPECT_NE(out.find(");nr1(\"\\u003ctable border=\\u00270\\u0027"), std::string::npos);

    std::string withoutLibrary = selfContainedPage(page, "", report);
    EXPECT_EQ(withoutLibrary.find("<script src"), std::string::npos);
    EXPECT_NE(withoutLibrary.find("asd("), std::string::npos);
}

// The one path from listings to report that the window and the command line share.
TEST(Analyse, CountsTheTableAtTheClocksNow) {
    table::ResultTable table;
    table::ItemRecord row;
    row.title = text::gbk("连衣裙");
    row.startTime = text::gbk("2014年7月25日8时");
    row.endTime = text::gbk("2014年8月1日15时");
    table.appendRecord(row);
    row.endTime = text::gbk("2014年7月1日15时");  // long over: purged
    table.appendRecord(row);
    const item::FixedClock clock(fromCivil(2014, 7, 31, 8));
    const Analysis analysis = analyseTable(table, clock);
    ASSERT_TRUE(analysis.ok);
    EXPECT_EQ(analysis.grid.today, fromCivil(2014, 7, 31));
    EXPECT_EQ(analysis.grid.counts[1][15], 1);
    EXPECT_EQ(analysis.report.tableHtml, buildReport(analysis.grid).tableHtml);
}

TEST(Analyse, ALoaderFailureIsTheMessage) {
    const item::FixedClock clock(fromCivil(2014, 7, 31, 8));
    const Analysis analysis = analyse(
        [](ListingStats& stats, std::string& message) {
            EXPECT_TRUE(stats.isOpen());
            message = text::gbk("打开excel文件失败！");
            return false;
        },
        clock);
    EXPECT_FALSE(analysis.ok);
    EXPECT_EQ(analysis.message, text::gbk("打开excel文件失败！"));
}

TEST(ReportScripts, CallThePageOnlyWhenItHasItsFunctions) {
    SlotGrid grid;
    grid.today = fromCivil(2014, 7, 25);
    const Report report = buildReport(grid);
    const std::vector<std::string> scripts = reportScripts(report);
    ASSERT_EQ(scripts.size(), 2u);
    EXPECT_EQ(scripts[0], "typeof asd === 'function' && asd(" + jsStringLiteral(report.seriesText) + ");");
    EXPECT_EQ(scripts[1], "typeof nr1 === 'function' && nr1(" + jsStringLiteral(report.tableHtml) + ");");
}

TEST(WriteReportPage, WritesTheSelfContainedPageOrNamesTheMissingFile) {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("shelfwatch-page-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir / "res" / "vendor");
    const std::string page =
        "<html><head><script src=\"vendor/echarts.min.js\"></script></head><body></body></html>";
    std::ofstream(dir / "res" / "b.html", std::ios::binary) << page;
    std::ofstream(dir / "res" / "vendor" / "echarts.min.js", std::ios::binary) << "var chartLibrary = 1;";
    SlotGrid grid;
    grid.today = fromCivil(2014, 7, 25);
    const Report report = buildReport(grid);

    std::string error;
    ASSERT_TRUE(writeReportPage(dir / "res", dir / "out.html", report, error)) << error;
    std::ifstream written(dir / "out.html", std::ios::binary);
    const std::string content(std::istreambuf_iterator<char>(written), {});
    EXPECT_EQ(content, selfContainedPage(page, "var chartLibrary = 1;", report));

    EXPECT_FALSE(writeReportPage(dir / "nowhere", dir / "out2.html", report, error));
    EXPECT_NE(error.find("b.html"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "out2.html"));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace shelfwatch::report
