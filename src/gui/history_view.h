// The desktop side of the run history: the recorder that keeps every walk the
// window runs once it has ended, and the "what changed" view that compares the
// current table with the previous run of its query. Window thread only.
#pragma once

#include "history/history_store.h"
#include "history/run_diff.h"
#include "search/walk_context.h"

#include <QObject>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <string>

class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace shelfwatch::gui {

// Records the walks of the window. A walk on walk threads is watched until its
// threads have ended; a walk that runs in the window's thread is recorded when
// it returns. Only the newest walk is watched: a newer one replaces it, as it
// replaces its table.
class HistoryRecorder final : public QObject {
    Q_OBJECT

  public:
    // The one recorder of the window `owner` (created on first use, a child of it).
    static HistoryRecorder& of(QObject& owner, search::WalkContext& walk);

    HistoryRecorder(search::WalkContext& walk, QObject* parent);

    // Call right after starting a walk on walk threads.
    void watchWalk(std::string_view kind, std::string subject, int pages);
    // Call when a walk that ran in this thread has returned; `stopClicksBefore`
    // is the fetch state's stop count when it began.
    void recordFinished(std::string_view kind, std::string subject, int pages, unsigned stopClicksBefore);

    // The query of the current table and its recorded run (no run when the
    // history is off or the write failed); nothing once the table was replaced
    // by a walk the recorder did not see.
    struct TableQuery {
        std::string kind;
        std::string subject;
        std::optional<history::RunInfo> run;
    };
    std::optional<TableQuery> currentQuery() const;

  signals:
    void recorded();

  private:
    void poll();
    void record(bool stopped);

    search::WalkContext& m_walk;
    QTimer* m_timer = nullptr;
    bool m_watching = false;
    std::string m_kind;
    std::string m_subject;
    int m_pages = 0;
    unsigned m_stopClicks = 0;
    std::uint64_t m_generation = 0;
    std::optional<TableQuery> m_query;
};

// "对比上次": the current table against the previous complete run of its query.
class HistoryView final : public QWidget {
    Q_OBJECT

  public:
    HistoryView(search::WalkContext& walk, const HistoryRecorder* recorder, QWidget* parent = nullptr);

    // Compares again with the table as it is now.
    void refresh();

    QString summaryText() const;
    QTreeWidget* changes() const { return m_changes; }

  private:
    void showDiff(const history::RunDiff& diff, const std::vector<history::RunRow>& earlier,
                  const std::vector<history::RunRow>& later);

    search::WalkContext& m_walk;
    const HistoryRecorder* m_recorder;
    QLabel* m_summary = nullptr;
    QPushButton* m_refresh = nullptr;
    QTreeWidget* m_changes = nullptr;
};

}  // namespace shelfwatch::gui
