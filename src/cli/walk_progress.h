// What the search and list-page commands show while a walk runs, and how Ctrl-C
// stops one. Status and progress texts of the headless panel go to standard error
// as a redrawn progress bar on a terminal, otherwise as compact plain lines (each
// new status text, and the progress once per tenth of the details); with `quiet`
// only messages, which always get a line of their own. The first SIGINT asks the walk to stop like the
// stop button does (rows done so far are kept); a second one ends the process.
#pragma once

#include "panel/headless_panel.h"
#include "search/fetch_state.h"

#include <memory>

namespace shelfwatch::cli {

class WalkProgress {
  public:
    WalkProgress(panel::HeadlessPanel& panel, bool quiet);
    ~WalkProgress();  // finishes the bar line and removes the sink
    WalkProgress(const WalkProgress&) = delete;
    WalkProgress& operator=(const WalkProgress&) = delete;

  private:
    struct State;
    panel::HeadlessPanel& m_panel;
    std::shared_ptr<State> m_state;
};

// Routes SIGINT to `state` for its lifetime.
class StopOnInterrupt {
  public:
    explicit StopOnInterrupt(search::FetchState& state);
    ~StopOnInterrupt();
    StopOnInterrupt(const StopOnInterrupt&) = delete;
    StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;
    bool interrupted() const;
};

}  // namespace shelfwatch::cli
