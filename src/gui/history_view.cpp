#include "gui/history_view.h"

#include "gui/qt_text.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <unordered_map>

namespace shelfwatch::gui {
namespace {

// Often enough that the record follows the end of a walk at once for the eye,
// rarely enough to cost nothing.
constexpr int kPollMs = 250;

QString fieldLabel(const std::string& field) {
    if (field == "price") return QStringLiteral("价格");
    if (field == "sales") return QStringLiteral("销量");
    if (field == "stock") return QStringLiteral("库存");
    if (field == "title") return QStringLiteral("标题");
    if (field == "seller") return QStringLiteral("卖家");
    return QString::fromStdString(field);
}

std::vector<history::RunRow> tableRows(const table::ResultTable& table) {
    std::vector<history::RunRow> rows;
    for (table::ItemRecord& record : table.snapshot()) {
        history::RunRow row;
        row.key = history::itemKey(record.url);
        row.record = std::move(record);
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

HistoryRecorder& HistoryRecorder::of(QObject& owner, search::WalkContext& walk) {
    if (auto* existing = owner.findChild<HistoryRecorder*>(QString(), Qt::FindDirectChildrenOnly))
        return *existing;
    return *new HistoryRecorder(walk, &owner);
}

HistoryRecorder::HistoryRecorder(search::WalkContext& walk, QObject* parent) : QObject(parent), m_walk(walk) {
    m_timer = new QTimer(this);
    m_timer->setInterval(kPollMs);
    connect(m_timer, &QTimer::timeout, this, &HistoryRecorder::poll);
}

void HistoryRecorder::watchWalk(std::string_view kind, std::string subject, int pages) {
    m_watching = true;
    m_kind = std::string(kind);
    m_subject = std::move(subject);
    m_pages = pages;
    m_stopClicks = m_walk.fetchState.stopClicks;
    m_generation = m_walk.table.generation();
    m_query.reset();
    m_timer->start();
}

void HistoryRecorder::poll() {
    if (!m_watching || m_walk.fetchState.threads.running() > 0) return;
    m_timer->stop();
    m_watching = false;
    // The walk clears the table on its thread, so its generation is the one it
    // left; a walk that never got to clear it recorded nothing worth keeping.
    m_generation = m_walk.table.generation();
    record(m_walk.fetchState.stopClicks != m_stopClicks);
}

void HistoryRecorder::recordFinished(std::string_view kind, std::string subject, int pages,
                                     unsigned stopClicksBefore) {
    m_timer->stop();
    m_watching = false;
    m_kind = std::string(kind);
    m_subject = std::move(subject);
    m_pages = pages;
    m_generation = m_walk.table.generation();
    record(m_walk.fetchState.stopClicks != stopClicksBefore);
}

void HistoryRecorder::record(bool stopped) {
    TableQuery query{m_kind, m_subject, std::nullopt};
    std::string error;
    query.run = history::recordWalk(m_walk.dataDir, m_walk.clock, m_walk.table,
                                    {m_kind, m_subject, m_pages, stopped, false}, error);
    // A failed write loses only the record; the walk's table stays as it is.
    if (!query.run && !error.empty()) qWarning("history not recorded: %s", error.c_str());
    m_query = std::move(query);
    emit recorded();
}

std::optional<HistoryRecorder::TableQuery> HistoryRecorder::currentQuery() const {
    if (!m_query || m_watching || m_walk.table.generation() != m_generation) return std::nullopt;
    return m_query;
}

HistoryView::HistoryView(search::WalkContext& walk, const HistoryRecorder* recorder, QWidget* parent)
    : QWidget(parent), m_walk(walk), m_recorder(recorder) {
    m_changes = new QTreeWidget(this);
    m_changes->setObjectName(QStringLiteral("changesTreeWidget"));
    m_changes->setRootIsDecorated(false);
    m_changes->setAlternatingRowColors(true);
    m_changes->setUniformRowHeights(true);
    m_changes->setHeaderLabels({QStringLiteral("变化"), QStringLiteral("宝贝ID"), QStringLiteral("标题"),
                                QStringLiteral("原来"), QStringLiteral("现在")});
    m_changes->header()->resizeSection(0, 90);
    m_changes->header()->resizeSection(1, 130);
    m_changes->header()->resizeSection(2, 360);

    auto* group = new QGroupBox(this);
    m_refresh = new QPushButton(QStringLiteral("对比上次查询"), group);
    m_refresh->setObjectName(QStringLiteral("compareRunsPushButton"));
    m_summary = new QLabel(group);
    m_summary->setObjectName(QStringLiteral("changesSummaryLabel"));
    m_summary->setWordWrap(true);
    auto* buttons = new QHBoxLayout(group);
    buttons->addWidget(m_refresh);
    buttons->addWidget(m_summary, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_changes, 1);
    layout->addWidget(group);
    connect(m_refresh, &QPushButton::clicked, this, &HistoryView::refresh);
    refresh();
}

QString HistoryView::summaryText() const { return m_summary->text(); }

void HistoryView::refresh() {
    m_changes->clear();
    const std::optional<HistoryRecorder::TableQuery> query =
        m_recorder != nullptr ? m_recorder->currentQuery() : std::nullopt;
    if (!query) {
        m_summary->setText(QStringLiteral("当前数据不是本次运行中查询所得，没有可对比的上次查询。"));
        return;
    }
    history::HistoryStore store(history::historyFile(m_walk.dataDir));
    std::string error;
    if (!store.openExisting(error)) {
        m_summary->setText(QStringLiteral("没有历史记录（configs.ini [history] keep=0 时不记录）。"));
        return;
    }
    std::optional<history::RunInfo> previous;
    if (query->run) {
        previous = store.previousComplete(*query->run);
    } else {
        previous = store.newestComplete(query->kind, query->subject);
    }
    if (!previous) {
        m_summary->setText(QStringLiteral("“%1”还没有更早的完整查询记录。").arg(fromGbk(query->subject)));
        return;
    }
    const std::vector<history::RunRow> earlier = store.rows(previous->id, true);
    const std::vector<history::RunRow> later = tableRows(m_walk.table);
    history::RunDiff diff = history::compareRows(earlier, later);
    diff.from = *previous;
    showDiff(diff, earlier, later);
}

void HistoryView::showDiff(const history::RunDiff& diff, const std::vector<history::RunRow>& earlier,
                           const std::vector<history::RunRow>& later) {
    std::unordered_map<std::string, const table::ItemRecord*> before, after;
    for (const history::RunRow& row : earlier) before.emplace(row.key, &row.record);
    for (const history::RunRow& row : later) after.emplace(row.key, &row.record);
    auto title = [](const std::unordered_map<std::string, const table::ItemRecord*>& rows,
                    const std::string& key) {
        const auto found = rows.find(key);
        return found == rows.end() ? QString() : fromGbk(found->second->title);
    };
    QList<QTreeWidgetItem*> items;
    auto add = [&items](const QString& what, const std::string& key, const QString& itemTitle,
                        const QString& from, const QString& to) {
        items.append(new QTreeWidgetItem({what, fromGbk(key), itemTitle, from, to}));
    };
    for (const std::string& key : diff.added) add(QStringLiteral("新上架"), key, title(after, key), {}, {});
    for (const std::string& key : diff.gone) add(QStringLiteral("已下架"), key, title(before, key), {}, {});
    for (const std::string& key : diff.relisted) {
        add(QStringLiteral("重新上架"), key, title(after, key), fromGbk(before.at(key)->startTime),
            fromGbk(after.at(key)->startTime));
    }
    for (const history::FieldChange& change : diff.changed) {
        add(fieldLabel(change.field) + QStringLiteral("变化"), change.key, title(after, change.key),
            fromGbk(change.from), fromGbk(change.to));
    }
    m_changes->addTopLevelItems(items);
    m_summary->setText(
        QStringLiteral("与 %1 的查询（第 %2 次记录）相比：新上架 %3，已下架 %4，重新上架 %5，变化 %6 项。")
            .arg(QString::fromStdString(history::runTimeText(diff.from.time)))
            .arg(diff.from.id)
            .arg(diff.added.size())
            .arg(diff.gone.size())
            .arg(diff.relisted.size())
            .arg(diff.changed.size()));
}

}  // namespace shelfwatch::gui
