// MainPanel without a window, for the command line and the tests: it keeps the
// control values, records every status, progress text and message in order, and
// answers input boxes from a script (an exhausted script cancels). An optional
// sink echoes status texts and messages (the CLI prints them). Thread-safe.
#pragma once

#include "panel/main_panel.h"

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace shelfwatch::panel {

class HeadlessPanel final : public MainPanel {
  public:
    enum class Event { Status, Progress, Message, Prompt };
    using Sink = std::function<void(Event, const std::string&)>;

    HeadlessPanel();

    std::string keyword() const override;
    void setKeyword(const std::string& text) override;
    std::string pageCountText() const override;
    void setPageCountText(const std::string& text) override;
    std::string region() const override;
    void setRegion(const std::string& text);
    int sortIndex() const override;
    int directionIndex() const override;
    void setSortIndex(int index);
    void setDirectionIndex(int index);

    std::string status() const override;
    void setStatus(const std::string& text) override;
    std::string progress() const override;
    void setProgress(const std::string& text) override;

    bool isEnabled(Control control) const override;
    void setEnabled(Control control, bool enabled) override;
    std::string searchButtonCaption() const override;
    void setSearchButtonCaption(const std::string& text) override;

    void setCollectProgressVisible(bool visible) override;
    void setCollectProgressLines(const std::string& line1, const std::string& line2) override;

    void showMessage(const std::string& text) override;
    std::optional<std::string> askText(const std::string& prompt, const std::string& initial) override;
    void processEvents() override;
    void setWindowVisible(bool visible) override;

    // Script and records.
    void queueAnswer(std::optional<std::string> answer);  // nullopt answers "Cancel"
    std::vector<std::string> statusHistory() const;
    std::vector<std::string> progressHistory() const;
    std::vector<std::string> messages() const;
    std::vector<std::string> prompts() const;
    int processEventsCalls() const;
    bool windowVisible() const;
    bool collectProgressVisible() const;
    std::pair<std::string, std::string> collectProgressLines() const;
    void setSink(Sink sink);
    // Called from processEvents(): lets a test act "while events run" (e.g. stop).
    void setProcessEventsHook(std::function<void()> hook);

  private:
    // Not "emit": Qt defines that word as a macro, and Qt code may include this header.
    void echo(Event event, const std::string& text) const;

    mutable std::mutex m_mutex;
    std::string m_keyword;
    std::string m_pageCount;
    std::string m_region;
    int m_sortIndex = 0;
    int m_directionIndex = 0;
    std::string m_status;
    std::string m_progress;
    std::string m_caption;
    std::map<Control, bool> m_enabled;
    std::deque<std::optional<std::string>> m_answers;
    std::vector<std::string> m_statusHistory;
    std::vector<std::string> m_progressHistory;
    std::vector<std::string> m_messages;
    std::vector<std::string> m_prompts;
    int m_processEventsCalls = 0;
    bool m_windowVisible = false;
    bool m_collectVisible = false;
    std::pair<std::string, std::string> m_collectLines;
    Sink m_sink;
    std::function<void()> m_processEventsHook;
};

}  // namespace shelfwatch::panel
