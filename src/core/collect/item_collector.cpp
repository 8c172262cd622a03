#include "collect/item_collector.h"

#include "text/gbk_text.h"
#include "text/pattern.h"

#include <algorithm>
#include <fstream>
#include <system_error>
#include <thread>

namespace shelfwatch::collect {

namespace fs = std::filesystem;
using text::gbk;

namespace {

const std::string& markerFor(bool mall) {
    static const std::string kMall = "{\"descUrl\":\"";
    static const std::string kOrdinary = "\"apiItemDesc\":\"";
    return mall ? kMall : kOrdinary;
}

const text::Pattern& picturePattern() {
    static const text::Pattern pattern("<img(.+?)src=\"(.+?)\"");
    return pattern;
}

bool writeFile(const fs::path& file, std::string_view bytes) {
    std::error_code ec;
    // A link planted in the folder must not carry the write elsewhere.
    if (fs::is_symlink(file, ec)) fs::remove(file, ec);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

bool within(const fs::path& folder, const fs::path& root) {
    std::error_code ec;
    const fs::path a = fs::weakly_canonical(folder, ec);
    if (ec) return false;
    const fs::path b = fs::weakly_canonical(root, ec);
    if (ec) return false;
    auto [rootEnd, folderIt] = std::mismatch(b.begin(), b.end(), a.begin(), a.end());
    (void)folderIt;
    return rootEnd == b.end();
}

bool makeFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    return fs::is_directory(folder, ec);
}

std::string utf8Of(const fs::path& path) {
    const auto u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

}  // namespace

std::string cleanFileName(std::string_view text) {
    static constexpr std::string_view kRemoved = "?/\\*:#<>|\"";
    // Byte by byte is the same as removing each character in turn: all of them
    // are ASCII and a GBK trail byte is never one of them except "\\" and "|",
    // which the desktop removes from the middle of a double byte just the same.
    std::string out;
    out.reserve(text.size());
    for (const char c : text)
        if (kRemoved.find(c) == std::string_view::npos) out.push_back(c);
    return out;
}

std::string descriptionUrl(std::string_view itemPage, bool mall) {
    const std::string& marker = markerFor(mall);
    const std::size_t at = itemPage.find(marker);
    if (at == std::string_view::npos) return {};
    const std::size_t start = at + marker.size();
    const std::size_t end = itemPage.find('"', start);
    return std::string(
        itemPage.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

std::string descriptionText(std::string_view answer) {
    const std::size_t quote = answer.find('\'');
    if (quote == std::string_view::npos) return {};
    const std::size_t start = quote + 1;
    if (answer.size() < start + 3) return {};
    return std::string(answer.substr(start, answer.size() - 3 - start));
}

std::vector<PictureRef> pictureRefs(std::string_view description) {
    std::vector<PictureRef> refs;
    picturePattern().forEachMatch(description, [&refs](const text::Pattern::Match& match) {
        PictureRef ref;
        ref.address = text::replaceAll(match.groups[2], "\\", "/");
        const std::size_t slash = ref.address.rfind('/');
        ref.name = slash == std::string::npos ? ref.address : ref.address.substr(slash + 1);
        refs.push_back(std::move(ref));
        return true;
    });
    return refs;
}

std::string infoText(const table::ResultTable& table, int row) {
    static const std::string kSeparator = gbk(" ： ");
    std::string out;
    for (int c = 0; c < table.columnCount(); ++c)
        out += table.columnTitle(c) + kSeparator + table.cell(row, c) + "\r\n";
    return out;
}

bool usableFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) return false;
    }
    return true;
}

fs::path itemFolderName(std::string_view title) {
    const std::string cleaned = cleanFileName(title);
    if (cleaned.empty() || cleaned == "." || cleaned == "..") return {};
    const std::string utf8 = text::gbkToUtf8(cleaned);
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

CollectResult collectRow(const table::ResultTable& table, int row, net::Fetcher& fetcher,
                         panel::MainPanel& panel, const CollectOptions& options) {
    static const std::string kFetching = gbk("获取数据中。。。");
    static const std::string kSavedIn = gbk("保存于软件collect目录");
    static const std::string kPictures = gbk("提取图片中。。");
    static const std::string kDone = gbk("完成");
    static const std::string kMall = gbk("真");
    static const std::string kOrdinary = gbk("假");

    CollectResult result;
    panel.setCollectProgressVisible(true);
    std::string detail = kSavedIn;
    panel.setCollectProgressLines(kFetching, detail);

    std::string description;
    const std::string kind = table.cell(row, table::kIsMall);
    if (kind == kMall || kind == kOrdinary) {
        const std::string page = fetcher.fetchPage(table.cell(row, table::kUrl), "");
        const std::string address = descriptionUrl(page, kind == kMall);
        if (!address.empty()) description = descriptionText(fetcher.fetchPage(address, ""));
    }
    if (description.empty()) {
        panel.setCollectProgressVisible(false);
        return result;
    }

    const fs::path folder = options.root / itemFolderName(table.cell(row, table::kTitle));
    result.folder = folder;
    if (!makeFolder(folder) || !within(folder, options.root)) {
        result.error = "cannot create the folder " + utf8Of(folder);
        panel.setCollectProgressVisible(false);
        return result;
    }
    result.saved = true;
    if (!writeFile(folder / "index.html", description))
        result.error = "cannot write " + utf8Of(folder / "index.html");
    if (!writeFile(folder / "info.txt", infoText(table, row)) && result.error.empty())
        result.error = "cannot write " + utf8Of(folder / "info.txt");

    const fs::path pictureFolder = folder / "img";
    const bool pictureFolderMade = makeFolder(pictureFolder) && within(pictureFolder, options.root);
    if (!pictureFolderMade && result.error.empty())
        result.error = "cannot create the folder " + utf8Of(pictureFolder);
    panel.setCollectProgressLines(kPictures, detail);

    for (const PictureRef& ref : pictureRefs(description)) {
        if (pictureFolderMade && usableFileName(ref.name)) {
            const net::Download got = fetcher.download(ref.address);
            const std::string utf8Name = text::gbkToUtf8(ref.name);
            const fs::path file = pictureFolder / fs::path(std::u8string(utf8Name.begin(), utf8Name.end()));
            if (writeFile(file, got.succeeded() ? std::string_view(got.body) : std::string_view())) {
                ++result.pictures;
                if (!got.succeeded()) ++result.failedPictures;
            } else if (result.error.empty()) {
                result.error = "cannot write " + utf8Of(file);
            }
        } else {
            ++result.skippedPictures;
        }
        detail = ref.name;
        panel.setCollectProgressLines(kPictures, detail);
    }

    panel.setCollectProgressLines(kDone, detail);
    const auto until = std::chrono::steady_clock::now() + options.finishPause;
    while (std::chrono::steady_clock::now() < until) {
        panel.processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    panel.setCollectProgressVisible(false);
    return result;
}

}  // namespace shelfwatch::collect
