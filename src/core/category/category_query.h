// The category query: every item of one category, optionally only those that
// match a keyword, asked of the list service page by page (40 items a page),
// one row per item through appendListServiceItems, then the remaining cells
// filled from the item pages on a walk thread. The listing runs in the caller's
// thread and lets the window events run once per page; the category window
// drives it through ListingHooks, the command line without them.
#pragma once

#include "search/walk_context.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace shelfwatch::category {

inline constexpr int kCategoryPageSize = 40;

// The id a query lists: the second-level entry's when the second list has a
// selection (its placeholder gives 0), else the first-level entry's.
std::int32_t queryCategoryId(std::int32_t firstId, int secondIndex, std::int32_t secondId);

// "&q=" + the keyword's UTF-8 bytes percent-encoded; the keyword as typed.
std::string keywordPart(std::string_view keyword);

// The address of one page of category `id`; `keywordPart` empty in query mode.
std::string categoryPageAddress(const std::string& listHost, std::int32_t id, const std::string& keywordPart,
                                const std::string& spm, int pageSize, std::int64_t offset);

// The checks before a query: the message to show ("请选择一级分类。" when no
// first-level category is chosen, "请输入关键词" when keyword mode has a blank
// keyword), or nothing when the query may run.
std::optional<std::string> checkCategoryQuery(int firstIndex, bool keywordMode, std::string_view keyword);

// What the listing does to the window that started it.
struct ListingHooks {
    std::function<void(const std::string&)> setCountText;  // its item-count label
    std::function<void(bool)> setWindowEnabled;
};

// Empties the table, locks the main window's walk controls (and the window),
// fetches a fresh spm value and walks the page count's pages of category `id`,
// then gives the controls back and empties the status. Returns the spm value it
// used, or nothing when a newer query took the table over meanwhile (the rows
// are then not this query's to fill).
std::optional<std::string> runCategoryListing(search::WalkContext& context, std::int32_t id,
                                              const std::string& keywordPart, int pageSize,
                                              const ListingHooks& hooks = {});

// fillRemainingDetails on a walk thread of its own; returns at once.
void startRemainingDetails(search::WalkContext& context);

const std::string& enterKeywordMessage();  // "请输入关键词"

}  // namespace shelfwatch::category
