#include "cli/walk_progress.h"

#include "text/gbk_text.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <string>

#ifdef _WIN32
#include <io.h>
#define SHELFWATCH_ISATTY _isatty
#define SHELFWATCH_FILENO _fileno
#else
#include <unistd.h>
#define SHELFWATCH_ISATTY isatty
#define SHELFWATCH_FILENO fileno
#endif

namespace shelfwatch::cli {

struct WalkProgress::State {
    std::mutex mutex;
    bool terminal = false;
    std::string status;  // UTF-8
    int row = 0;
    int total = 0;
    int lastTenth = -1;
    bool quiet = false;
    bool barShown = false;
    std::chrono::steady_clock::time_point lastDraw;

    void drawBar(bool force) {
        const auto now = std::chrono::steady_clock::now();
        if (!force && barShown && now - lastDraw < std::chrono::milliseconds(80)) return;
        lastDraw = now;
        constexpr int kWidth = 30;
        std::string line = "\r\x1b[K";
        if (total > 0) {
            const int filled = static_cast<int>(static_cast<long long>(kWidth) * row / total);
            line += "[" + std::string(static_cast<std::size_t>(filled), '#') +
                    std::string(static_cast<std::size_t>(kWidth - filled), '.') + "] " + std::to_string(row) +
                    "/" + std::to_string(total) + "  ";
        }
        line += status;
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
        barShown = true;
    }

    void endBar() {
        if (!barShown) return;
        std::fputs("\n", stderr);
        barShown = false;
    }

    void line(const std::string& utf8) {
        std::fputs((utf8 + "\n").c_str(), stderr);
        std::fflush(stderr);
    }
};

namespace {

// "进度： i / n" -> i and n.
bool readProgress(const std::string& gbk, int& row, int& total) {
    const std::size_t slash = gbk.rfind(" / ");
    if (slash == std::string::npos) return false;
    std::size_t start = slash;
    while (start > 0 && gbk[start - 1] >= '0' && gbk[start - 1] <= '9') --start;
    row = text::toInt(gbk.substr(start, slash - start));
    total = text::toInt(gbk.substr(slash + 3));
    return true;
}

}  // namespace

WalkProgress::WalkProgress(panel::HeadlessPanel& panel, bool quiet)
    : m_panel(panel), m_state(std::make_shared<State>()) {
    m_state->terminal = SHELFWATCH_ISATTY(SHELFWATCH_FILENO(stderr)) != 0;
    m_state->quiet = quiet;
    std::weak_ptr<State> weak = m_state;
    m_panel.setSink([weak](panel::HeadlessPanel::Event event, const std::string& gbk) {
        const std::shared_ptr<State> state = weak.lock();
        if (!state) return;
        std::lock_guard lock(state->mutex);
        const bool isMessage =
            event == panel::HeadlessPanel::Event::Message || event == panel::HeadlessPanel::Event::Prompt;
        if (state->quiet && !isMessage) return;
        const std::string utf8 = text::gbkToUtf8(gbk);
        switch (event) {
            case panel::HeadlessPanel::Event::Status:
                if (utf8 == state->status) return;
                state->status = utf8;
                if (state->terminal) {
                    state->drawBar(true);
                } else if (!utf8.empty()) {
                    state->line(utf8);
                }
                return;
            case panel::HeadlessPanel::Event::Progress: {
                int row = 0;
                int total = 0;
                if (!readProgress(gbk, row, total)) return;
                state->row = row;
                state->total = total;
                if (state->terminal) {
                    state->drawBar(row == total);
                    return;
                }
                // Plain lines for a log: one per tenth of the details, not one per item.
                const int tenth = total > 0 ? static_cast<int>(10LL * row / total) : 0;
                // Workers report out of order; a tenth is shown once.
                if (tenth > state->lastTenth) {
                    state->lastTenth = tenth;
                    state->line(utf8);
                }
                return;
            }
            case panel::HeadlessPanel::Event::Message:
            case panel::HeadlessPanel::Event::Prompt:
                if (state->terminal) state->endBar();
                state->line(utf8);
                return;
        }
    });
}

WalkProgress::~WalkProgress() {
    m_panel.setSink(nullptr);
    std::lock_guard lock(m_state->mutex);
    if (m_state->terminal && !m_state->quiet) {
        m_state->drawBar(true);
        m_state->endBar();
    }
}

namespace {

std::atomic<search::FetchState*> g_interruptTarget{nullptr};
std::atomic<int> g_interrupts{0};

extern "C" void onInterrupt(int) {
    // Only lock-free atomics here: this runs inside the signal.
    g_interrupts.fetch_add(1);
    if (search::FetchState* state = g_interruptTarget.load()) {
        state->stopClicks.fetch_add(1);
        state->stopRequested.store(1);
    }
    std::signal(SIGINT, SIG_DFL);
}

}  // namespace

StopOnInterrupt::StopOnInterrupt(search::FetchState& state) {
    g_interruptTarget = &state;
    g_interrupts = 0;
    std::signal(SIGINT, onInterrupt);
}

StopOnInterrupt::~StopOnInterrupt() {
    std::signal(SIGINT, SIG_DFL);
    g_interruptTarget = nullptr;
}

bool StopOnInterrupt::interrupted() const { return g_interrupts.load() > 0; }

}  // namespace shelfwatch::cli
