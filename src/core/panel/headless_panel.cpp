#include "panel/headless_panel.h"

#include "text/gbk_text.h"

#include <utility>

namespace shelfwatch::panel {

HeadlessPanel::HeadlessPanel() : m_caption(text::gbk("查关键字")) {}

std::string HeadlessPanel::keyword() const {
    std::lock_guard lock(m_mutex);
    return m_keyword;
}

void HeadlessPanel::setKeyword(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_keyword = text;
}

std::string HeadlessPanel::pageCountText() const {
    std::lock_guard lock(m_mutex);
    return m_pageCount;
}

void HeadlessPanel::setPageCountText(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_pageCount = text;
}

std::string HeadlessPanel::region() const {
    std::lock_guard lock(m_mutex);
    return m_region;
}

void HeadlessPanel::setRegion(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_region = text;
}

int HeadlessPanel::sortIndex() const {
    std::lock_guard lock(m_mutex);
    return m_sortIndex;
}

int HeadlessPanel::directionIndex() const {
    std::lock_guard lock(m_mutex);
    return m_directionIndex;
}

void HeadlessPanel::setSortIndex(int index) {
    std::lock_guard lock(m_mutex);
    m_sortIndex = index;
}

void HeadlessPanel::setDirectionIndex(int index) {
    std::lock_guard lock(m_mutex);
    m_directionIndex = index;
}

std::string HeadlessPanel::status() const {
    std::lock_guard lock(m_mutex);
    return m_status;
}

void HeadlessPanel::setStatus(const std::string& text) {
    {
        std::lock_guard lock(m_mutex);
        m_status = text;
        m_statusHistory.push_back(text);
    }
    echo(Event::Status, text);
}

std::string HeadlessPanel::progress() const {
    std::lock_guard lock(m_mutex);
    return m_progress;
}

void HeadlessPanel::setProgress(const std::string& text) {
    {
        std::lock_guard lock(m_mutex);
        m_progress = text;
        m_progressHistory.push_back(text);
    }
    echo(Event::Progress, text);
}

bool HeadlessPanel::isEnabled(Control control) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_enabled.find(control);
    return it == m_enabled.end() || it->second;
}

void HeadlessPanel::setEnabled(Control control, bool enabled) {
    std::lock_guard lock(m_mutex);
    m_enabled[control] = enabled;
}

std::string HeadlessPanel::searchButtonCaption() const {
    std::lock_guard lock(m_mutex);
    return m_caption;
}

void HeadlessPanel::setSearchButtonCaption(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_caption = text;
}

void HeadlessPanel::setCollectProgressVisible(bool visible) {
    std::lock_guard lock(m_mutex);
    m_collectVisible = visible;
}

void HeadlessPanel::setCollectProgressLines(const std::string& line1, const std::string& line2) {
    std::lock_guard lock(m_mutex);
    m_collectLines = {line1, line2};
}

void HeadlessPanel::showMessage(const std::string& text) {
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(text);
    }
    echo(Event::Message, text);
}

std::optional<std::string> HeadlessPanel::askText(const std::string& prompt, const std::string& /*initial*/) {
    std::optional<std::string> answer;
    {
        std::lock_guard lock(m_mutex);
        m_prompts.push_back(prompt);
        if (!m_answers.empty()) {
            answer = std::move(m_answers.front());
            m_answers.pop_front();
        }
    }
    echo(Event::Prompt, prompt);
    return answer;
}

void HeadlessPanel::processEvents() {
    std::function<void()> hook;
    {
        std::lock_guard lock(m_mutex);
        ++m_processEventsCalls;
        hook = m_processEventsHook;
    }
    // Outside the lock: the hook may well call back into the panel.
    if (hook) hook();
}

void HeadlessPanel::setWindowVisible(bool visible) {
    std::lock_guard lock(m_mutex);
    m_windowVisible = visible;
}

void HeadlessPanel::queueAnswer(std::optional<std::string> answer) {
    std::lock_guard lock(m_mutex);
    m_answers.push_back(std::move(answer));
}

std::vector<std::string> HeadlessPanel::statusHistory() const {
    std::lock_guard lock(m_mutex);
    return m_statusHistory;
}

std::vector<std::string> HeadlessPanel::progressHistory() const {
    std::lock_guard lock(m_mutex);
    return m_progressHistory;
}

std::vector<std::string> HeadlessPanel::messages() const {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

std::vector<std::string> HeadlessPanel::prompts() const {
    std::lock_guard lock(m_mutex);
    return m_prompts;
}

int HeadlessPanel::processEventsCalls() const {
    std::lock_guard lock(m_mutex);
    return m_processEventsCalls;
}

bool HeadlessPanel::windowVisible() const {
    std::lock_guard lock(m_mutex);
    return m_windowVisible;
}

bool HeadlessPanel::collectProgressVisible() const {
    std::lock_guard lock(m_mutex);
    return m_collectVisible;
}

std::pair<std::string, std::string> HeadlessPanel::collectProgressLines() const {
    std::lock_guard lock(m_mutex);
    return m_collectLines;
}

void HeadlessPanel::setSink(Sink sink) {
    std::lock_guard lock(m_mutex);
    m_sink = std::move(sink);
}

void HeadlessPanel::setProcessEventsHook(std::function<void()> hook) {
    std::lock_guard lock(m_mutex);
    m_processEventsHook = std::move(hook);
}

void HeadlessPanel::echo(Event event, const std::string& text) const {
    Sink sink;
    {
        std::lock_guard lock(m_mutex);
        sink = m_sink;
    }
    if (sink) sink(event, text);
}

}  // namespace shelfwatch::panel
