// The report page in a real browser: the CLI writes a self-contained page for a
// known CSV, headless Chromium runs it, and a probe script appended to the page
// writes what was drawn into the DOM, which --dump-dom hands back.
#include "report/listing_stats.h"
#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>

namespace {

namespace fs = std::filesystem;

const char* const kChromium = "/usr/bin/chromium";

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    std::array<char, 4096> buffer;
    size_t got;
    while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), got);
    pclose(pipe);
    return out;
}

std::string quote(const fs::path& p) { return "'" + p.string() + "'"; }

const char* const kProbe = R"(<script>
(function () {
  function inked(selector) {
    var canvas = document.querySelector(selector + " canvas");
    if (!canvas) return -1;
    var data = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data, n = 0;
    for (var i = 3; i < data.length; i += 4) if (data[i] > 0) n++;
    return n;
  }
  var rows = document.querySelectorAll("#table-area tbody tr");
  var totals = Array.prototype.map.call(rows, function (r) { return r.cells[r.cells.length - 1].textContent; });
  var probe = document.createElement("pre");
  probe.id = "probe";
  probe.textContent = "rows=" + rows.length + ";cells=" + (rows.length ? rows[0].cells.length : 0) +
    ";totals=" + totals.join(",") + ";days=" + document.body.getAttribute("data-chart-days") +
    ";lines=" + inked("#lines") + ";heat=" + inked("#heatmap") +
    ";notice=" + (document.getElementById("notice").className.indexOf("shown") >= 0 ? 1 : 0) + ";";
  document.body.appendChild(probe);
})();
</script>)";

TEST(ReportPageBrowser, DrawsTheChartsAndTheTableWithTotals) {
    if (!fs::exists(kChromium)) GTEST_SKIP() << "no Chromium at " << kChromium;
    const fs::path bin = SHELFWATCH_BIN_DIR;
    const bool haveLibrary = fs::exists(bin / "res" / "vendor" / "echarts.min.js");

    std::random_device random;
    const fs::path dir = fs::temp_directory_path() / ("shelfwatch-page-" + std::to_string(random()));
    fs::create_directories(dir);

    // Day d gets d + 1 listings at 9:00 plus 2 at 20:30.
    std::ofstream csv(dir / "rows.csv", std::ios::binary);
    csv << "序号,标题,地址,店主,开始日期,结束日期\r\n";
    int seq = 0;
    std::vector<int> expected;
    for (int d = 0; d < 7; ++d) {
        for (int i = 0; i < d + 1; ++i) csv << seq++ << ",t,u,s,,2014年7月" << 25 + d << "日9时\r\n";
        for (int i = 0; i < 2; ++i) csv << seq++ << ",t,u,s,,2014年7月" << 25 + d << "日20时30分\r\n";
        expected.push_back(d + 3);
    }
    csv << seq++ << ",old,u,s,,2014年7月24日20时\r\n";
    csv.close();

    const std::string cli = std::string(SHELFWATCH_CLI_PATH) + " --now '2014-07-25 08:00:00' stats " +
                            quote(dir / "rows.csv") + " --html " + quote(dir / "report.html");
    ASSERT_EQ(std::system((cli + " > /dev/null").c_str()), 0);

    std::string page;
    {
        std::ifstream in(dir / "report.html", std::ios::binary);
        page.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_NE(page.find("</body>"), std::string::npos);
    EXPECT_EQ(page.find("src=\"vendor/"), std::string::npos);
    page.insert(page.rfind("</body>"), kProbe);
    {
        std::ofstream out(dir / "probe.html", std::ios::binary);
        out << page;
    }

    const std::string flags =
        " --headless --no-sandbox --disable-gpu --disable-background-networking --disable-component-update"
        " --no-first-run --user-data-dir=" +
        quote(dir / "profile") +
        " --window-size=1100,1000"
        " --virtual-time-budget=3000 ";
    const std::string dom = run(std::string("timeout 120 ") + kChromium + flags + "--dump-dom file://" +
                                (dir / "probe.html").string() + " 2>/dev/null");
    std::smatch m;
    const std::regex probe(
        R"(rows=(\d+);cells=(\d+);totals=([\d,]*);days=(\w+);lines=(-?\d+);heat=(-?\d+);notice=(\d);)");
    ASSERT_TRUE(std::regex_search(dom, m, probe)) << dom.substr(0, 2000);

    EXPECT_EQ(m[1], "7");
    EXPECT_EQ(m[2], "26");  // date, 24 hours, the page's total
    std::string totals;
    for (int t : expected) totals += (totals.empty() ? "" : ",") + std::to_string(t);
    EXPECT_EQ(m[3], totals);
    if (haveLibrary) {
        EXPECT_EQ(m[4], "7");
        EXPECT_GT(std::stoi(m[5]), 1000);  // the line chart painted its canvas
        EXPECT_GT(std::stoi(m[6]), 1000);
        EXPECT_EQ(m[7], "0");
    } else {
        EXPECT_EQ(m[7], "1");  // no chart library: the notice shows, the table still does
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
}

}  // namespace
