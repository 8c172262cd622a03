// The store query: every item of one seller, asked of the marketplace's list
// service page by page (44 items a page, JSON answers), one row per item with
// title, address, seller and sales from the answer, then the remaining cells from
// the item pages. It runs in the caller's thread (the window's, or task mode's)
// and lets the window events run once per page and once per row; it has no stop.
// Also here: turning one list-service answer into rows, which the category query
// and task mode use as well, and the GBK-to-UTF-8 step of the address.
#pragma once

#include "search/walk_context.h"
#include "table/result_table.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace shelfwatch::search {

inline constexpr int kStorePageSize = 44;

// The UTF-8 bytes of a GBK text, ending at its first zero byte.
std::string toUtf8Bytes(std::string_view gbk);

// Appends one row per entry of "data.itemList" of `answer` (a list-service
// answer, GBK): column 0 the row's position, 1 "tip", 2 "href", 3 "nick" and 7
// "tradeNum", as the answer gives them. An answer that is blank, not JSON or
// without an item list adds nothing. Rows land only while `generation` is
// current (the overload without it takes the table's current one). Returns the
// number of rows appended.
int appendListServiceItems(table::ResultTable& table, std::string_view answer);
int appendListServiceItems(table::ResultTable& table, std::uint64_t generation, std::string_view answer);

// The list-service address of page `offset` / 44 of the seller `nick` (GBK,
// already trimmed), with the doubled "&&" the service is sent.
std::string storePageAddress(const std::string& listHost, const std::string& nick, const std::string& spm,
                             std::int64_t offset);

// The "查询店铺" click: asks for the nickname, then runs the query.
void onStoreButtonClicked(search::WalkContext& context);

// The query for `nick` (GBK; blanks around it are ignored, and a blank nickname
// does nothing). Reads the page count from the page-count box; a count below 1
// requests no page but still runs the detail fill over the emptied table.
void runStoreQuery(search::WalkContext& context, const std::string& nick);

// Texts (GBK): the input box prompt "请输入店主昵称" and the status while the
// pages are fetched, "正在获取列表。。".
const std::string& storePrompt();
const std::string& listingStatusText();

}  // namespace shelfwatch::search
