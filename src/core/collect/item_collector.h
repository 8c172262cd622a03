// Saving one listed item's marketing material: the description HTML the item
// page points at, a text file with the row's cells, and every picture the
// description embeds, under <collection root>/<cleaned title>/. Everything is
// written inside the collection root whatever the pages say. Keeps no state:
// any thread, several at once (two collections of one item race on its files,
// as two saves would).
#pragma once

#include "net/page_fetcher.h"
#include "panel/main_panel.h"
#include "table/result_table.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace shelfwatch::collect {

// `text` without any of ? / \ * : # < > | and the double quote; nothing else changes.
std::string cleanFileName(std::string_view text);

// The description address the item page names; "" when the page lacks the marker.
// `mall` chooses the marker ({"descUrl":" or "apiItemDesc":").
std::string descriptionUrl(std::string_view itemPage, bool mall);
// The description text of a description answer: after its first "'", without its
// last three bytes; "" when there is no "'" or nothing is left.
std::string descriptionText(std::string_view answer);

struct PictureRef {
    std::string address;  // backslashes turned into slashes
    std::string name;     // after the last "/"
};
// Every <img ... src="..."> of the description (case-sensitive), in order.
std::vector<PictureRef> pictureRefs(std::string_view description);

// The lines of info.txt: "title ： cell" CR LF for every column of `row`.
std::string infoText(const table::ResultTable& table, int row);

// Whether `name` may be used as a file name inside a folder: not empty, not "."
// or "..", and none of the characters a file name cannot hold on the desktop.
bool usableFileName(std::string_view name);

// The folder name of a title (GBK) as a path component: the cleaned title, or
// "" (the collection root itself) when cleaning leaves "", "." or "..".
std::filesystem::path itemFolderName(std::string_view title);

struct CollectOptions {
    std::filesystem::path root;  // the collection root (data directory + "collect")
    // How long "完成" stays up; the window's events run meanwhile.
    std::chrono::milliseconds finishPause{1000};
};

struct CollectResult {
    bool saved = false;            // a description was found and written
    std::filesystem::path folder;  // the item folder written to
    int pictures = 0;              // picture files written
    int failedPictures = 0;        // of them, downloads that failed (empty files)
    int skippedPictures = 0;       // names that cannot be file names
    std::string error;             // a folder or file could not be written (UTF-8)
};

// The whole collection for `row` of `table`, reporting its stage on `panel`'s
// collection box (shown at the start, hidden at the end).
CollectResult collectRow(const table::ResultTable& table, int row, net::Fetcher& fetcher,
                         panel::MainPanel& panel, const CollectOptions& options);

}  // namespace shelfwatch::collect
