// The list-page query: any marketplace result list pasted from a browser, walked
// page by page with its own offset, its items extracted as the keyword search
// does (but without the duplicate test), then every row analysed in the window's
// thread with the window events let run once per page and once per row.
#pragma once

#include "search/walk_context.h"
#include "search/walk_texts.h"

#include <string>

namespace shelfwatch::search {

// The "按列表页查询" click: asks for the address, then runs the query.
void onListPageButtonClicked(search::WalkContext& context);

// The query for `address` (the pasted text, used as typed).
void runListPageQuery(search::WalkContext& context, const std::string& address);

// The input box prompt (GBK).
}  // namespace shelfwatch::search
