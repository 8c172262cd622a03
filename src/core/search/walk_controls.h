// The main-window controls the walks lock while they run, as named sets, so that
// every walk disables and gives back the same controls. Safe from any thread (the
// panel port accepts calls from any thread).
#pragma once

#include "panel/main_panel.h"

#include <array>

namespace shelfwatch::search {

// Locked by the keyword search and given back by its detail fetch: the keyword
// and page-count boxes, "导 出" and "查询店铺".
inline constexpr std::array<panel::Control, 4> kKeywordWalkControls = {
    panel::Control::KeywordEdit, panel::Control::PageCountEdit, panel::Control::ExportButton,
    panel::Control::StoreButton};

// Locked by the walks that end in fillRemainingDetails (store and category
// queries) and by the refresh: the page-count box, "查关键字", "导 出" and "查询店铺".
inline constexpr std::array<panel::Control, 4> kDetailWalkControls = {
    panel::Control::PageCountEdit, panel::Control::SearchButton, panel::Control::ExportButton,
    panel::Control::StoreButton};

template <std::size_t N>
void setControls(panel::MainPanel& panel, const std::array<panel::Control, N>& controls, bool enabled) {
    for (const panel::Control control : controls) panel.setEnabled(control, enabled);
}

}  // namespace shelfwatch::search
