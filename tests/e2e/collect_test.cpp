// Item collection: the text rules on their own, then whole collections from the
// simulator's items of both kinds, the folder names a hostile title can give, and
// the collect command of the real shelfwatch-cli binary.
#include "collect/item_collector.h"
#include "net/cookie_jar.h"
#include "net/page_fetcher.h"
#include "panel/headless_panel.h"
#include "table/result_table.h"
#include "text/gbk_text.h"

#include "catalogue.h"
#include "desc_pages.h"
#include "item_pages.h"
#include "support/simulated_market.h"
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace shelfwatch {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using text::gbk;

TEST(CollectText, CleanFileNameRemovesOnlyTheTenCharacters) {
    struct Case {
        std::string in, out, why;
    };
    const std::vector<Case> cases = {
        {"a/b:c?", "abc", "the example title"},
        {"?/\\*:#<>|\"", "", "every removed character"},
        {" ..a. b ", " ..a. b ", "no trimming, dots and spaces stay"},
        {gbk("连衣裙 2014款#新"), gbk("连衣裙 2014款新"), "GBK text around a removed character"},
    };
    for (const Case& c : cases) EXPECT_EQ(collect::cleanFileName(c.in), c.out) << c.why;
}

TEST(CollectText, FolderNameNeverLeavesTheRoot) {
    struct Case {
        std::string title;
        fs::path folder;
        std::string why;
    };
    const std::vector<Case> cases = {
        {"..", "", "parent folder"},
        {".", "", "the root itself"},
        {"./.", "", "cleaning joins two dots: \"..\" again"},
        {"..\\..\\etc", "....etc", "separators are removed, the dots stay in one name"},
        {"?*", "", "only removed characters"},
        {"a/b:c?", "abc", "ordinary title"},
    };
    for (const Case& c : cases) EXPECT_EQ(collect::itemFolderName(c.title), c.folder) << c.why;
}

TEST(CollectText, DescriptionAddressAndText) {
    const std::string page = "x{\"descUrl\":\"//h/d.htm?id=1\",\"a\":1 \"apiItemDesc\":\"http://h/o.htm\"";
    EXPECT_EQ(collect::descriptionUrl(page, true), "//h/d.htm?id=1");
    EXPECT_EQ(collect::descriptionUrl(page, false), "http://h/o.htm");
    EXPECT_EQ(collect::descriptionUrl("{'descUrl':'//h/x'", true), "")
        << "only the double-quoted form counts";
    EXPECT_EQ(collect::descriptionUrl("{\"descUrl\":\"//h/x", true), "//h/x")
        << "no closing quote: to the end";

    struct Case {
        std::string answer, text, why;
    };
    const std::vector<Case> cases = {
        {"var desc='<p>a'b</p>';\n", "<p>a'b</p>", "after the first quote, last three bytes dropped"},
        {"var desc=<p></p>;\n", "", "no quote at all"},
        {"var desc='';\n", "", "nothing between"},
        {"'ab", "", "too short for the three bytes"},
        {"", "", "empty answer"},
    };
    for (const Case& c : cases) EXPECT_EQ(collect::descriptionText(c.answer), c.text) << c.why;
}

TEST(CollectText, PictureReferences) {
    const std::string description =
        "<img src=\"http://h/a/one.jpg\"><IMG SRC=\"http://h/up.jpg\"><img\r\n class=\"x\" "
        "src=\"http:\\\\h\\b\\two.gif\">"
        "<img alt=\"\" src=\"plain.png\"><img src=\"http://h/dir/\">";
    const std::vector<collect::PictureRef> refs = collect::pictureRefs(description);
    ASSERT_EQ(refs.size(), 4u) << "the upper-case tag is not a match";
    EXPECT_EQ(refs[0].address, "http://h/a/one.jpg");
    EXPECT_EQ(refs[0].name, "one.jpg");
    EXPECT_EQ(refs[1].address, "http://h/b/two.gif") << "backslashes read as slashes, tag over two lines";
    EXPECT_EQ(refs[1].name, "two.gif");
    EXPECT_EQ(refs[2].name, "plain.png") << "no slash: the whole address";
    EXPECT_EQ(refs[3].name, "") << "ends in a slash: an empty name";
    EXPECT_FALSE(collect::usableFileName(""));
    EXPECT_FALSE(collect::usableFileName(".."));
    EXPECT_FALSE(collect::usableFileName("q.jpg?x=1"));
    EXPECT_TRUE(collect::usableFileName("one.jpg"));
}

class CollectFromMarket : public ::testing::Test, protected testing::SimulatedMarket {
  protected:
    void SetUp() override {
        ASSERT_TRUE(start());
        root = dataDir / "collect";
        fetcher = std::make_unique<net::CurlFetcher>(cookies);
        options.root = root;
        options.finishPause = std::chrono::milliseconds(0);
    }

    // A row as the detail fetch leaves it for a catalogue item.
    int addRow(const sim::CatalogueItem& item) {
        table::ItemRecord record;
        record.seq = "1";
        record.title = item.title;
        record.url = sim::itemUrl(server.host(), item.id);
        record.seller = item.seller;
        record.isMall = item.isMall() ? gbk("真") : gbk("假");
        record.price = item.priceText;
        record.location = item.location;
        return rows.appendRecord(record);
    }

    sim::PageHosts hosts() const {
        sim::PageHosts h;
        h.simHost = server.host();
        return h;
    }

    const sim::CatalogueItem& item(std::int64_t id) const {
        return *sim::catalogueFor(server.seed()).find(id);
    }

    std::set<std::string> filesIn(const fs::path& dir) const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
        return names;
    }

    fs::path root;
    net::CookieJar cookies;
    std::unique_ptr<net::CurlFetcher> fetcher;
    table::ResultTable rows;
    panel::HeadlessPanel panel;
    collect::CollectOptions options;
};

TEST_F(CollectFromMarket, BothKindsSaveDescriptionRowAndPictures) {
    for (const std::int64_t id : {sim::fixture::kMallTraditional, sim::fixture::kWorkedExample}) {
        SCOPED_TRACE(id);
        const sim::CatalogueItem& entry = item(id);
        const int row = addRow(entry);
        const collect::CollectResult result = collect::collectRow(rows, row, *fetcher, panel, options);
        ASSERT_TRUE(result.saved) << result.error;
        EXPECT_EQ(result.error, "");
        EXPECT_EQ(result.folder, root / collect::itemFolderName(entry.title));
        EXPECT_FALSE(panel.collectProgressVisible());
        EXPECT_EQ(panel.collectProgressLines().first, gbk("完成"));

        EXPECT_EQ(readFile(result.folder / "index.html"), sim::buildDescription(entry, hosts()));
        std::string info;
        const table::ItemRecord record = rows.row(row);
        for (int c = 0; c < table::kColumnCount; ++c)
            info += table::columnTitles()[c] + gbk(" ： ") + record.field(c) + "\r\n";
        EXPECT_EQ(readFile(result.folder / "info.txt"), info);
        EXPECT_EQ(readFile(result.folder / "info.txt").rfind(gbk("序号 ： 1\r\n标题 ： "), 0), 0u);

        const fs::path img = result.folder / "img";
        // upper.jpg (upper-case tag), q.jpg?x=1 (not a file name) and ".." are never written.
        EXPECT_EQ(filesIn(img), (std::set<std::string>{"big550.jpg", "wide551.png", "tiny.gif",
                                                       "notimage.jpg", "truncated.jpg", "missing.jpg"}));
        EXPECT_EQ(readFile(img / "big550.jpg"), sim::findPicture("big550.jpg")->bytes)
            << "raw bytes, NULs kept";
        EXPECT_EQ(readFile(img / "wide551.png"), sim::findPicture("wide551.png")->bytes);
        EXPECT_EQ(readFile(img / "tiny.gif"), sim::findPicture("b/tiny.gif")->bytes)
            << "the backslashed address comes later and replaces a/tiny.gif";
        EXPECT_EQ(readFile(img / "truncated.jpg"), sim::findPicture("truncated.jpg")->bytes);
        EXPECT_EQ(fs::file_size(img / "missing.jpg"), 0u) << "a failed download leaves an empty file";
        EXPECT_EQ(result.pictures, 7);
        EXPECT_EQ(result.failedPictures, 1);
        EXPECT_EQ(result.skippedPictures, 2);
    }
}

TEST_F(CollectFromMarket, RowWithoutDetailsSavesNothingAndAsksNothing) {
    const int row = rows.appendRow();
    rows.setCell(row, table::kTitle, "x");
    rows.setCell(row, table::kUrl, sim::itemUrl(server.host(), sim::fixture::kWorkedExample));
    server.clearRequests();
    const collect::CollectResult result = collect::collectRow(rows, row, *fetcher, panel, options);
    EXPECT_FALSE(result.saved);
    EXPECT_FALSE(panel.collectProgressVisible());
    EXPECT_EQ(panel.collectProgressLines(),
              std::make_pair(gbk("获取数据中。。。"), gbk("保存于软件collect目录")));
    EXPECT_TRUE(server.requests().empty());
    EXPECT_FALSE(fs::exists(root));
}

TEST_F(CollectFromMarket, PageWithoutMarkerSavesNothing) {
    const int row = addRow(item(sim::fixture::kMissingMarkers));
    const collect::CollectResult result = collect::collectRow(rows, row, *fetcher, panel, options);
    EXPECT_FALSE(result.saved);
    EXPECT_FALSE(fs::exists(root));
}

TEST_F(CollectFromMarket, HostileTitlesStayInsideTheRoot) {
    const fs::path parentBefore = root.parent_path();
    const std::set<std::string> before = filesIn(parentBefore);
    for (const std::string title : {"..", ".", "./.", "?*:", "../../outside"}) {
        SCOPED_TRACE(title);
        sim::CatalogueItem entry = item(sim::fixture::kWorkedExample);
        const int row = addRow(entry);
        rows.setCell(row, table::kTitle, title);
        const collect::CollectResult result = collect::collectRow(rows, row, *fetcher, panel, options);
        ASSERT_TRUE(result.saved) << result.error;
        EXPECT_TRUE(fs::exists(result.folder / "index.html"));
        const auto rel = fs::relative(fs::weakly_canonical(result.folder), fs::weakly_canonical(root));
        EXPECT_FALSE(rel.empty());
        EXPECT_NE(*rel.begin(), "..");
    }
    // Only the collection root was added beside what the data directory held.
    std::set<std::string> after = filesIn(parentBefore);
    after.erase("collect");
    EXPECT_EQ(after, before);
    EXPECT_TRUE(fs::exists(root / "index.html")) << "empty names land in the root itself";
    EXPECT_TRUE(fs::exists(root / "....outside" / "index.html"));
}

TEST_F(CollectFromMarket, CliCollectWritesTheFolderAndTellsNoDescriptionFromNoPage) {
    const std::string url = sim::itemUrl(server.host(), sim::fixture::kMallTraditional);
    testing::CliRun r = cli({"collect", url});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const fs::path folder = root / collect::itemFolderName(item(sim::fixture::kMallTraditional).title);
    EXPECT_EQ(r.out, folder.string() + "\n");
    EXPECT_EQ(readFile(folder / "img" / "big550.jpg"), sim::findPicture("big550.jpg")->bytes);
    const std::string info = readFile(folder / "info.txt");
    EXPECT_NE(info.find(gbk("商城 ： 真\r\n")), std::string::npos) << info;
    EXPECT_NE(info.find(gbk("地址 ： ") + url + "\r\n"), std::string::npos);

    r = cli({"collect", sim::itemUrl(server.host(), sim::fixture::kMissingMarkers)});
    EXPECT_EQ(r.exitCode, 0) << "no description ends silently";
    EXPECT_EQ(r.out, "");

    r = cli({"collect", "http://127.0.0.1:1/item.htm?id=1"});
    EXPECT_EQ(r.exitCode, 4) << "the page cannot be fetched at all";
}

}  // namespace
}  // namespace shelfwatch
