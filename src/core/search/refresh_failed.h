// Refreshing the rows whose analysis failed: three passes over the result table
// (empty address, empty seller, empty start date), each row found analysed again
// and its item-page cells rewritten, in the window's thread without a stop. A row
// whose searched cell stays empty is analysed at most kRefreshAttempts times in a
// pass, so an item that no longer exists cannot hold the refresh forever.
#pragma once

#include "search/walk_context.h"

namespace shelfwatch::search {

inline constexpr int kRefreshAttempts = 3;

// The "刷新失败项目" click. Returns the number of analyses made.
int refreshFailedItems(search::WalkContext& context);

}  // namespace shelfwatch::search
