// MainPanel on the real main window. Callable from any thread: a call from a
// worker is carried out on the window thread and waits for it there (a blocking
// queued call), a call on the window thread runs directly. Once the window is
// shut down, worker calls no longer wait: setters are dropped and getters answer
// the last known values, so a detached worker can never hang on a window that
// is gone. Message and input boxes go through gui/dialogs.
#pragma once

#include "panel/main_panel.h"

#include <QPointer>

class QThread;

#include <atomic>
#include <functional>

namespace shelfwatch::gui {

class MainWindow;

class QtMainPanel final : public panel::MainPanel {
  public:
    explicit QtMainPanel(MainWindow& window);

    std::string keyword() const override;
    void setKeyword(const std::string& text) override;
    std::string pageCountText() const override;
    void setPageCountText(const std::string& text) override;
    std::string region() const override;
    int sortIndex() const override;
    int directionIndex() const override;

    std::string status() const override;
    void setStatus(const std::string& text) override;
    std::string progress() const override;
    void setProgress(const std::string& text) override;

    bool isEnabled(panel::Control control) const override;
    void setEnabled(panel::Control control, bool enabled) override;
    std::string searchButtonCaption() const override;
    void setSearchButtonCaption(const std::string& text) override;

    void setCollectProgressVisible(bool visible) override;
    void setCollectProgressLines(const std::string& line1, const std::string& line2) override;

    void showMessage(const std::string& text) override;
    std::optional<std::string> askText(const std::string& prompt, const std::string& initial) override;

    void processEvents() override;
    void setWindowVisible(bool visible) override;

    // From now on worker calls return at once (the window loop has ended). Calls
    // already waiting are carried out first. Window thread only.
    void shutDown();
    bool isShutDown() const { return m_shutDown.load(); }

  private:
    // Runs `work` on the window thread; false when it could not run there.
    bool onWindowThread(const std::function<void()>& work) const;

    QPointer<MainWindow> m_window;
    QThread* m_windowThread = nullptr;
    std::atomic<bool> m_shutDown{false};
    mutable std::atomic<int> m_workerCallsInFlight{0};
};

}  // namespace shelfwatch::gui
