#include "task/task_run.h"

#include "config/ini_file.h"
#include "report/excel_export.h"
#include "search/detail_fetch.h"
#include "search/keyword_search.h"
#include "search/search_query.h"
#include "task/task_config.h"
#include "text/gbk_text.h"

#include <cstdio>
#include <fstream>
#include <mutex>
#include <system_error>
#include <utility>

namespace shelfwatch::task {
namespace {

// The main window port the queries of one section see: everything goes to the
// real panel, but messages also land in run.log, and without a window to wait
// on they go to standard error instead of a dialog nobody can click.
class TaskPanel final : public panel::MainPanel {
  public:
    TaskPanel(panel::MainPanel& inner, bool showMessages) : m_inner(inner), m_showMessages(showMessages) {}

    std::string keyword() const override { return m_inner.keyword(); }
    void setKeyword(const std::string& text) override { m_inner.setKeyword(text); }
    std::string pageCountText() const override { return m_inner.pageCountText(); }
    void setPageCountText(const std::string& text) override { m_inner.setPageCountText(text); }
    std::string region() const override { return m_inner.region(); }
    int sortIndex() const override { return m_inner.sortIndex(); }
    int directionIndex() const override { return m_inner.directionIndex(); }
    std::string status() const override { return m_inner.status(); }
    void setStatus(const std::string& text) override { m_inner.setStatus(text); }
    std::string progress() const override { return m_inner.progress(); }
    void setProgress(const std::string& text) override { m_inner.setProgress(text); }
    bool isEnabled(panel::Control control) const override { return m_inner.isEnabled(control); }
    void setEnabled(panel::Control control, bool enabled) override { m_inner.setEnabled(control, enabled); }
    std::string searchButtonCaption() const override { return m_inner.searchButtonCaption(); }
    void setSearchButtonCaption(const std::string& text) override { m_inner.setSearchButtonCaption(text); }
    void setCollectProgressVisible(bool visible) override { m_inner.setCollectProgressVisible(visible); }
    void setCollectProgressLines(const std::string& line1, const std::string& line2) override {
        m_inner.setCollectProgressLines(line1, line2);
    }
    void processEvents() override { m_inner.processEvents(); }
    void setWindowVisible(bool visible) override { m_inner.setWindowVisible(visible); }

    void showMessage(const std::string& text) override {
        {
            std::lock_guard lock(m_mutex);
            m_messages.push_back(text);
        }
        if (m_showMessages) {
            m_inner.showMessage(text);
        } else {
            const std::string utf8 = text::gbkToUtf8(text);
            std::fprintf(stderr, "shelfwatch: %s\n", utf8.c_str());
        }
    }
    // Nobody answers during a run.
    std::optional<std::string> askText(const std::string& prompt, const std::string&) override {
        showMessage(prompt);
        return std::nullopt;
    }

    std::vector<std::string> takeMessages() {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_messages, {});
    }

  private:
    panel::MainPanel& m_inner;
    const bool m_showMessages;
    std::mutex m_mutex;
    std::vector<std::string> m_messages;
};

// One line of run.log: UTF-8, line breaks inside a text flattened.
std::string logText(const std::string& gbk) {
    std::string utf8 = text::gbkToUtf8(gbk);
    for (char& c : utf8) {
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    }
    return utf8;
}

std::string pathUtf8(const std::filesystem::path& path) {
    const std::u8string u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

class RunLog {
  public:
    explicit RunLog(const std::filesystem::path& file) : m_out(file, std::ios::binary | std::ios::trunc) {}
    bool ok() const { return static_cast<bool>(m_out); }
    void line(const std::string& utf8) {
        if (!m_out) return;
        m_out << utf8 << '\n';
        m_out.flush();
    }

  private:
    std::ofstream m_out;
};

std::string outcomeLine(std::size_t index, const std::string& section, const TaskOutcome& outcome) {
    std::string line = std::to_string(index) + " [" + logText(section) + "] ";
    line += outcome.option.empty() ? std::string("(no kind)") : logText(outcome.option);
    if (outcome.option != kKeywordOption && outcome.option != kStoreOption &&
        outcome.option != kCategoryOption) {
        return line + ": skipped, not a task kind";
    }
    line += " \"" + logText(outcome.subject) + "\": " + std::to_string(outcome.rows) + " rows";
    if (!outcome.report.empty()) line += " -> " + pathUtf8(outcome.report.filename());
    if (!outcome.error.empty()) line += "; FAILED: " + logText(outcome.error);
    return line;
}

}  // namespace

const std::string& keywordReportTitle() {
    static const std::string kTitle = text::gbk("抓取关键词");
    return kTitle;
}

const std::string& storeReportTitle() {
    static const std::string kTitle = text::gbk("抓取店铺");
    return kTitle;
}

const std::string& categoryReportTitle() {
    static const std::string kTitle = text::gbk("抓取分类");
    return kTitle;
}

std::string runStamp(item::DateTime now) { return item::dateTimeText(now); }

std::string cleanSubject(std::string_view subject) {
    static constexpr std::string_view kRemoved = "?/\\*:#<>|\"";
    std::string out;
    out.reserve(subject.size());
    for (std::size_t i = 0; i < subject.size(); ++i) {
        const auto byte = static_cast<unsigned char>(subject[i]);
        // A lead byte takes its trail byte along: trail bytes may look like '\' or '|'.
        if (byte >= 0x81 && byte <= 0xFE && i + 1 < subject.size()) {
            out += subject.substr(i, 2);
            ++i;
            continue;
        }
        if (kRemoved.find(subject[i]) != std::string_view::npos) continue;
        out += subject[i];
    }
    if (out.empty() || out == "." || out == "..") return "_";
    return out;
}

CategoryLabel splitCategoryLabel(std::string_view label) {
    std::vector<std::string_view> parts;
    if (!label.empty()) {
        std::size_t start = 0;
        while (true) {
            const std::size_t bars = label.find("||", start);
            if (bars == std::string_view::npos) {
                parts.push_back(label.substr(start));
                break;
            }
            parts.push_back(label.substr(start, bars - start));
            start = bars + 2;
        }
    }
    CategoryLabel result;
    if (parts.empty()) {
        result.id = "0";
        result.subject = "0";
        return result;
    }
    result.subject = std::string(parts[0]);
    result.id = text::trim(parts.size() >= 2 ? parts[1] : parts[0]);
    return result;
}

std::string categoryListAddress(const std::string& listHost, const std::string& id, const std::string& spm,
                                std::int64_t page) {
    return "http://" + listHost +
           "/itemlist/default.htm?_input_charset=utf-8&json=on&ratesumto=20&cat=" + id +
           "&fromPage=adSearch&ratesumfrom=0&viewIndex=1&fromPage=adSearch&&viewIndex=1&spm=" + spm +
           "&pSize=" + std::to_string(kCategoryPageSize) +
           "&data-key=s&data-value=" + std::to_string((page - 1) * kCategoryPageSize) +
           "&module=page&style=list";
}

std::filesystem::path pathFromGbk(const std::string& gbk) {
    const std::string utf8 = text::gbkToUtf8(gbk);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

TaskRunOptions defaultRunOptions(const std::filesystem::path& dataDir) {
    TaskRunOptions options;
    options.taskFile = taskFilePath(dataDir);
    options.reportsRoot = dataDir / "reports";
    return options;
}

TaskRunResult runTasks(search::WalkContext& context, const TaskRunOptions& options) {
    TaskRunResult result;
    const std::string stamp = runStamp(context.clock.now());
    const std::vector<std::string> sections = config::iniSectionNames(options.taskFile);
    // The window stays as the caller started it: task mode never shows it, and
    // an explicit hide would mark it as placed by the program.
    std::error_code error;
    std::filesystem::create_directories(options.reportsRoot, error);
    if (sections.empty()) return result;

    TaskPanel panel(context.panel, options.showMessages);
    search::WalkContext local{context.table,      panel,           context.fetcher,
                              context.cookies,    context.market,  context.clock,
                              context.fetchState, context.dataDir, context.detailWorkers};
    table::ResultTable& table = context.table;

    result.folder = options.reportsRoot / pathFromGbk(stamp);
    std::filesystem::create_directories(result.folder, error);
    RunLog log(result.folder / "run.log");
    result.logWritten = log.ok();
    if (!log.ok()) {
        std::fprintf(stderr, "shelfwatch: cannot write %s\n", pathUtf8(result.folder / "run.log").c_str());
    }
    log.line("run " + logText(stamp) + ", " + std::to_string(sections.size()) + " sections from " +
             pathUtf8(options.taskFile));

    auto writeReport = [&](TaskOutcome& outcome, const std::string& title) {
        outcome.rows = table.rowCount();
        std::filesystem::create_directories(result.folder, error);
        const std::filesystem::path path =
            result.folder / pathFromGbk(title + " " + cleanSubject(outcome.subject) + ".txt");
        const report::ExportResult exported =
            report::exportResultTable(table, true, path, context.clock, panel);
        if (exported.ok) {
            outcome.report = path;
        } else if (outcome.error.empty()) {
            outcome.error = exported.error;
        } else {
            outcome.error += "; " + exported.error;
        }
    };

    for (std::size_t i = 0; i < sections.size(); ++i) {
        const std::string& section = sections[i];
        TaskOutcome outcome;
        panel.processEvents();
        outcome.option = config::iniRead(options.taskFile, section, "option", "");
        panel.setPageCountText(config::iniRead(options.taskFile, section, "ys", "1"));
        table.clear();

        if (outcome.option == kKeywordOption) {
            panel.setKeyword(config::iniRead(options.taskFile, section, "word", ""));
            search::runKeywordSearch(local, true);
            panel.processEvents();
            outcome.subject = panel.keyword();
            writeReport(outcome, keywordReportTitle());
        } else if (outcome.option == kStoreOption) {
            panel.processEvents();
            const std::string name = config::iniRead(options.taskFile, section, "name", "");
            if (options.queries.storeQuery) {
                options.queries.storeQuery(local, name);
            } else {
                outcome.error = text::gbk("店铺查询在此版本中不可用");
            }
            panel.processEvents();
            outcome.subject = config::iniRead(options.taskFile, section, "name", "");
            if (options.queries.storeQuery) writeReport(outcome, storeReportTitle());
        } else if (outcome.option == kCategoryOption) {
            const std::string spm = search::fetchSpm(context.fetcher, context.market);
            const CategoryLabel label =
                splitCategoryLabel(config::iniRead(options.taskFile, section, "cat", defaultCategoryLabel()));
            outcome.subject = label.subject;
            if (options.queries.appendListItems) {
                const std::uint64_t generation = table.generation();
                const std::int64_t pages = text::toInt64(panel.pageCountText());
                for (std::int64_t p = 1; p <= pages; ++p) {
                    panel.processEvents();
                    const std::string answer = context.fetcher.fetchPage(
                        categoryListAddress(context.market.listHost, label.id, spm, p), "");
                    options.queries.appendListItems(local, generation, answer);
                }
                panel.processEvents();
                search::fillRemainingDetails(local);
                writeReport(outcome, categoryReportTitle());
            } else {
                outcome.error = text::gbk("分类列表在此版本中不可用");
            }
        }

        log.line(outcomeLine(i + 1, section, outcome));
        for (const std::string& message : panel.takeMessages()) {
            log.line(std::to_string(i + 1) + " message: " + logText(message));
        }
        result.tasks.push_back(std::move(outcome));
    }
    log.line("done");
    return result;
}

}  // namespace shelfwatch::task
