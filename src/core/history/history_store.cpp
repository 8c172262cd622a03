#include "history/history_store.h"

#include "config/ini_file.h"

#include <sqlite3.h>

#include <algorithm>
#include <utility>

namespace shelfwatch::history {
namespace {

// Long enough for another instance to commit a large run, short enough that a
// stuck lock is reported rather than waited on forever.
constexpr int kBusyTimeoutMs = 30000;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS runs ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " at INTEGER NOT NULL,"
    " days REAL NOT NULL,"
    " kind TEXT NOT NULL,"
    " subject BLOB NOT NULL,"
    " pages INTEGER NOT NULL,"
    " row_count INTEGER NOT NULL,"
    " outcome INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS runs_query ON runs (kind, subject, id);"
    "CREATE TABLE IF NOT EXISTS items ("
    " run INTEGER NOT NULL,"
    " pos INTEGER NOT NULL,"
    " item BLOB NOT NULL,"
    " title BLOB, url BLOB, seller BLOB, stime BLOB, etime BLOB, minutes BLOB,"
    " sales BLOB, stock BLOB, mall BLOB, price BLOB, location BLOB,"
    " PRIMARY KEY (run, pos)) WITHOUT ROWID;";

constexpr const char* kRunColumns = "id, days, kind, subject, pages, row_count, outcome";

struct Statement {
    sqlite3_stmt* stmt = nullptr;
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr); }
    ~Statement() { sqlite3_finalize(stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    explicit operator bool() const { return stmt != nullptr; }
    void bindText(int index, std::string_view text) {
        sqlite3_bind_blob(stmt, index, text.empty() ? "" : text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }
    std::string text(int column) const {
        const void* data = sqlite3_column_blob(stmt, column);
        const int size = sqlite3_column_bytes(stmt, column);
        return data == nullptr ? std::string() : std::string(static_cast<const char*>(data), size);
    }
};

Outcome outcomeFromNumber(std::int64_t number) {
    switch (number) {
        case 1:
            return Outcome::Stopped;
        case 2:
            return Outcome::Interrupted;
        case 3:
            return Outcome::Failures;
        default:
            return Outcome::Done;
    }
}

int outcomeNumber(Outcome outcome) {
    switch (outcome) {
        case Outcome::Done:
            return 0;
        case Outcome::Stopped:
            return 1;
        case Outcome::Interrupted:
            return 2;
        case Outcome::Failures:
            return 3;
    }
    return 0;
}

RunInfo runFrom(const Statement& s) {
    RunInfo run;
    run.id = sqlite3_column_int64(s.stmt, 0);
    run.time = item::DateTime{sqlite3_column_double(s.stmt, 1)};
    run.kind = s.text(2);
    run.subject = s.text(3);
    run.pages = sqlite3_column_int(s.stmt, 4);
    run.rows = sqlite3_column_int64(s.stmt, 5);
    run.outcome = outcomeFromNumber(sqlite3_column_int64(s.stmt, 6));
    return run;
}

bool exec(sqlite3* db, const char* sql, std::string& error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    error = message != nullptr ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return false;
}

// Rolls back unless committed, so every early return leaves the file as it was.
class Transaction {
  public:
    explicit Transaction(sqlite3* db) : m_db(db) {}
    ~Transaction() {
        if (m_open) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    // IMMEDIATE takes the write lock at once, so a concurrent writer waits in
    // the busy handler here instead of failing when it upgrades later.
    bool begin(std::string& error) { return m_open = exec(m_db, "BEGIN IMMEDIATE", error); }
    bool commit(std::string& error) {
        if (!exec(m_db, "COMMIT", error)) return false;
        m_open = false;
        return true;
    }

  private:
    sqlite3* m_db;
    bool m_open = false;
};

}  // namespace

std::string_view outcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::Done:
            return "done";
        case Outcome::Stopped:
            return "stopped";
        case Outcome::Interrupted:
            return "interrupted";
        case Outcome::Failures:
            return "with failures";
    }
    return "done";
}

bool isComplete(Outcome outcome) { return outcome == Outcome::Done || outcome == Outcome::Failures; }

Outcome outcomeOf(const std::vector<table::ItemRecord>& rows, bool stopped, bool interrupted) {
    if (interrupted) return Outcome::Interrupted;
    if (stopped) return Outcome::Stopped;
    const bool failed = std::any_of(rows.begin(), rows.end(),
                                    [](const table::ItemRecord& row) { return row.startTime.empty(); });
    return failed ? Outcome::Failures : Outcome::Done;
}

std::string itemKey(std::string_view address) {
    std::string_view query = address;
    const std::size_t fragment = query.find('#');
    if (fragment != std::string_view::npos) query = query.substr(0, fragment);
    const std::size_t mark = query.find('?');
    if (mark == std::string_view::npos) return std::string(address);
    query = query.substr(mark + 1);
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        if (pair.size() > 3 && pair.substr(0, 3) == "id=") return std::string(pair.substr(3));
        if (amp == std::string_view::npos) break;
        query = query.substr(amp + 1);
    }
    return std::string(address);
}

std::filesystem::path historyFile(const std::filesystem::path& dataDir) { return dataDir / "history.sqlite"; }

bool historyKept(const std::filesystem::path& dataDir) {
    return config::iniRead(dataDir / "configs.ini", "history", "keep", "1") != "0";
}

HistoryStore::HistoryStore(std::filesystem::path file) : m_file(std::move(file)) {}

HistoryStore::~HistoryStore() { sqlite3_close(m_db); }

bool HistoryStore::open(std::string& error) {
    return openWith(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
}

bool HistoryStore::openExisting(std::string& error) {
    std::error_code ec;
    if (!std::filesystem::exists(m_file, ec)) {
        error = m_file.string() + ": no history yet (no walk has been recorded)";
        return false;
    }
    return openWith(SQLITE_OPEN_READWRITE, error);
}

bool HistoryStore::openWith(int flags, std::string& error) {
    if (m_db != nullptr) return true;
    const std::string name = m_file.string();
    if (sqlite3_open_v2(name.c_str(), &m_db, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        error = name + ": " + (m_db != nullptr ? sqlite3_errmsg(m_db) : "cannot be opened");
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    std::string why;
    // NORMAL is durable enough under WAL: a crash may lose the last commit, never
    // corrupt the file or keep half a run.
    bool ok = exec(m_db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", why);
    if (ok) {
        Transaction schema(m_db);
        ok = schema.begin(why) && exec(m_db, kSchema, why) && schema.commit(why);
    }
    if (!ok) {
        error = name + ": " + why;
        sqlite3_close(m_db);
        m_db = nullptr;
    }
    return ok;
}

std::int64_t HistoryStore::record(const RunInfo& run, const std::vector<table::ItemRecord>& rows,
                                  std::string& error) {
    if (m_db == nullptr && !open(error)) return 0;
    Transaction transaction(m_db);
    if (!transaction.begin(error)) return 0;
    Statement insertRun(m_db,
                        "INSERT INTO runs (at, days, kind, subject, pages, row_count, outcome)"
                        " VALUES (?, ?, ?, ?, ?, ?, ?)");
    Statement insertItem(
        m_db,
        "INSERT INTO items (run, pos, item, title, url, seller, stime, etime, minutes, sales,"
        " stock, mall, price, location) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    if (!insertRun || !insertItem) {
        error = sqlite3_errmsg(m_db);
        return 0;
    }
    sqlite3_bind_int64(insertRun.stmt, 1, item::dateTimeToSeconds(run.time));
    sqlite3_bind_double(insertRun.stmt, 2, run.time.days);
    insertRun.bindText(3, run.kind);
    insertRun.bindText(4, run.subject);
    sqlite3_bind_int(insertRun.stmt, 5, run.pages);
    sqlite3_bind_int64(insertRun.stmt, 6, static_cast<std::int64_t>(rows.size()));
    sqlite3_bind_int(insertRun.stmt, 7, outcomeNumber(run.outcome));
    if (sqlite3_step(insertRun.stmt) != SQLITE_DONE) {
        error = sqlite3_errmsg(m_db);
        return 0;
    }
    const std::int64_t id = sqlite3_last_insert_rowid(m_db);
    std::int64_t pos = 0;
    for (const table::ItemRecord& row : rows) {
        sqlite3_reset(insertItem.stmt);
        sqlite3_bind_int64(insertItem.stmt, 1, id);
        sqlite3_bind_int64(insertItem.stmt, 2, pos++);
        insertItem.bindText(3, itemKey(row.url));
        int index = 4;
        for (const std::string* field :
             {&row.title, &row.url, &row.seller, &row.startTime, &row.endTime, &row.minutesLeft, &row.sales,
              &row.stock, &row.isMall, &row.price, &row.location}) {
            insertItem.bindText(index++, *field);
        }
        if (sqlite3_step(insertItem.stmt) != SQLITE_DONE) {
            error = sqlite3_errmsg(m_db);
            return 0;
        }
    }
    return transaction.commit(error) ? id : 0;
}

std::vector<RunInfo> HistoryStore::runs() {
    std::vector<RunInfo> result;
    if (m_db == nullptr) return result;
    const std::string sql = std::string("SELECT ") + kRunColumns + " FROM runs ORDER BY id DESC";
    Statement s(m_db, sql.c_str());
    while (s && sqlite3_step(s.stmt) == SQLITE_ROW) result.push_back(runFrom(s));
    return result;
}

std::optional<RunInfo> HistoryStore::queryOne(const char* where, const std::vector<std::string>& texts,
                                              const std::vector<std::int64_t>& numbers) {
    if (m_db == nullptr) return std::nullopt;
    const std::string sql = std::string("SELECT ") + kRunColumns + " FROM runs " + where;
    Statement s(m_db, sql.c_str());
    if (!s) return std::nullopt;
    int index = 1;
    for (const std::string& text : texts) s.bindText(index++, text);
    for (std::int64_t number : numbers) sqlite3_bind_int64(s.stmt, index++, number);
    if (sqlite3_step(s.stmt) != SQLITE_ROW) return std::nullopt;
    return runFrom(s);
}

std::optional<RunInfo> HistoryStore::run(std::int64_t id) { return queryOne("WHERE id = ?", {}, {id}); }

std::optional<RunInfo> HistoryStore::newestComplete() {
    return queryOne("WHERE outcome IN (0, 3) ORDER BY id DESC LIMIT 1", {}, {});
}

std::optional<RunInfo> HistoryStore::newestComplete(std::string_view kind, std::string_view subject) {
    return queryOne("WHERE kind = ? AND subject = ? AND outcome IN (0, 3) ORDER BY id DESC LIMIT 1",
                    {std::string(kind), std::string(subject)}, {});
}

std::optional<RunInfo> HistoryStore::previousComplete(const RunInfo& run) {
    return queryOne(
        "WHERE kind = ? AND subject = ? AND outcome IN (0, 3) AND id < ? ORDER BY id DESC LIMIT 1",
        {run.kind, run.subject}, {run.id});
}

std::vector<RunRow> HistoryStore::rows(std::int64_t runId, bool comparedOnly) {
    std::vector<RunRow> result;
    if (m_db == nullptr) return result;
    Statement s(m_db,
                comparedOnly
                    ? "SELECT item, title, seller, stime, sales, stock, price FROM items WHERE run = ?"
                      " ORDER BY pos"
                    : "SELECT item, title, url, seller, stime, etime, minutes, sales, stock, mall, price,"
                      " location FROM items WHERE run = ? ORDER BY pos");
    if (!s) return result;
    sqlite3_bind_int64(s.stmt, 1, runId);
    Statement count(m_db, "SELECT row_count FROM runs WHERE id = ?");
    if (count) {
        sqlite3_bind_int64(count.stmt, 1, runId);
        if (sqlite3_step(count.stmt) == SQLITE_ROW) {
            result.reserve(
                static_cast<std::size_t>(std::max<std::int64_t>(0, sqlite3_column_int64(count.stmt, 0))));
        }
    }
    while (sqlite3_step(s.stmt) == SQLITE_ROW) {
        RunRow row;
        row.key = s.text(0);
        table::ItemRecord& r = row.record;
        int column = 1;
        if (comparedOnly) {
            for (std::string* field : {&r.title, &r.seller, &r.startTime, &r.sales, &r.stock, &r.price}) {
                *field = s.text(column++);
            }
        } else {
            for (std::string* field : {&r.title, &r.url, &r.seller, &r.startTime, &r.endTime, &r.minutesLeft,
                                       &r.sales, &r.stock, &r.isMall, &r.price, &r.location}) {
                *field = s.text(column++);
            }
        }
        result.push_back(std::move(row));
    }
    return result;
}

int HistoryStore::prune(item::DateTime before, std::string& error) {
    if (m_db == nullptr && !open(error)) return -1;
    Transaction transaction(m_db);
    if (!transaction.begin(error)) return -1;
    Statement items(m_db, "DELETE FROM items WHERE run IN (SELECT id FROM runs WHERE at < ?)");
    Statement runs(m_db, "DELETE FROM runs WHERE at < ?");
    if (!items || !runs) {
        error = sqlite3_errmsg(m_db);
        return -1;
    }
    const std::int64_t limit = item::dateTimeToSeconds(before);
    sqlite3_bind_int64(items.stmt, 1, limit);
    sqlite3_bind_int64(runs.stmt, 1, limit);
    if (sqlite3_step(items.stmt) != SQLITE_DONE || sqlite3_step(runs.stmt) != SQLITE_DONE) {
        error = sqlite3_errmsg(m_db);
        return -1;
    }
    const int removed = sqlite3_changes(m_db);
    return transaction.commit(error) ? removed : -1;
}

std::optional<RunInfo> recordWalk(const std::filesystem::path& dataDir, const item::Clock& clock,
                                  const table::ResultTable& table, const WalkRecord& walk, std::string& error,
                                  bool enabled) {
    if (!enabled || !historyKept(dataDir)) return std::nullopt;
    const std::vector<table::ItemRecord> rows = table.snapshot();
    RunInfo run;
    run.time = clock.now();
    run.kind = std::string(walk.kind);
    run.subject = walk.subject;
    run.pages = walk.pages;
    run.rows = static_cast<std::int64_t>(rows.size());
    run.outcome = outcomeOf(rows, walk.stopped, walk.interrupted);
    HistoryStore store(historyFile(dataDir));
    run.id = store.record(run, rows, error);
    if (run.id == 0) return std::nullopt;
    return run;
}

}  // namespace shelfwatch::history
