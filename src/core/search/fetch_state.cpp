#include "search/fetch_state.h"

#include "text/gbk_text.h"

namespace shelfwatch::search {

void FetchState::clearLosses() {
    listPagesTried = 0;
    listPagesLost = 0;
    itemsLost = 0;
    std::lock_guard lock(m_lossMutex);
    m_lastLoss = {};
}

void FetchState::noteListPage(const net::FetchFailure& failure) {
    ++listPagesTried;
    if (!failure.failed()) return;
    ++listPagesLost;
    std::lock_guard lock(m_lossMutex);
    m_lastLoss = failure;
}

void FetchState::noteLostItem(const net::FetchFailure& failure) {
    ++itemsLost;
    std::lock_guard lock(m_lossMutex);
    m_lastLoss = failure;
}

net::FetchFailure FetchState::lastLoss() const {
    std::lock_guard lock(m_lossMutex);
    return m_lastLoss;
}

std::string lossText(const FetchState& state) {
    const int pages = state.listPagesLost;
    const int items = state.itemsLost;
    if (pages == 0 && items == 0) return {};
    static const std::string kPrefix = text::gbk("未能获取：");
    static const std::string kPages = text::gbk("列表页 ");
    static const std::string kItems = text::gbk("商品 ");
    static const std::string kSeparator = text::gbk("，");
    std::string out = kPrefix;
    if (pages > 0) out += kPages + std::to_string(pages);
    if (pages > 0 && items > 0) out += kSeparator;
    if (items > 0) out += kItems + std::to_string(items);
    return out;
}

}  // namespace shelfwatch::search
