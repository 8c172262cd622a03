#include "report/report_page.h"

#include "config/atomic_file.h"
#include "table/result_table.h"
#include "text/gbk_text.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <system_error>

namespace shelfwatch::report {
namespace {

std::string replaceAllCaseless(std::string_view text, std::string_view what, std::string_view with) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        bool hit = i + what.size() <= text.size();
        for (size_t k = 0; hit && k < what.size(); ++k) {
            hit = std::tolower(static_cast<unsigned char>(text[i + k])) ==
                  std::tolower(static_cast<unsigned char>(what[k]));
        }
        if (hit) {
            out.append(with);
            i += what.size();
        } else {
            out.push_back(text[i++]);
        }
    }
    return out;
}

// A whole small file (the page or its chart library), or false.
bool readSmallFile(const std::filesystem::path& path, std::string& out) {
    constexpr std::uintmax_t kMaxBytes = 64u << 20;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec) || std::filesystem::file_size(path, ec) > kMaxBytes ||
        ec) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), {});
    return !in.bad();
}

}  // namespace

const std::string& noDatabaseMessage() {
    static const std::string kText = text::gbk("内存数据库创建失败，无法获取统计");
    return kText;
}

Analysis analyse(const ListingLoader& load, const item::Clock& clock) {
    Analysis analysis;
    ListingStats stats;
    if (!stats.open()) {
        analysis.message = noDatabaseMessage();
        return analysis;
    }
    if (!load(stats, analysis.message)) return analysis;
    analysis.grid = computeSlotGrid(stats, clock);
    stats.close();
    analysis.report = buildReport(analysis.grid);
    analysis.ok = true;
    return analysis;
}

Analysis analyseTable(const table::ResultTable& table, const item::Clock& clock) {
    return analyse(
        [&table](ListingStats& stats, std::string&) {
            stats.loadFromResultTable(table);
            return true;
        },
        clock);
}

std::vector<std::string> reportScripts(const Report& report) {
    std::vector<std::string> scripts = {
        "typeof asd === 'function' && asd(" + jsStringLiteral(report.seriesText) + ");",
        "typeof nr1 === 'function' && nr1(" + jsStringLiteral(report.tableHtml) + ");"};
    // After nr1: the marks go onto the table it drew.
    if (!report.bestText.empty()) {
        scripts.push_back("typeof best === 'function' && best(" + jsStringLiteral(report.bestText) + ");");
    }
    return scripts;
}

bool writeReportPage(const std::filesystem::path& resDir, const std::filesystem::path& out,
                     const Report& report, std::string& error) {
    std::string page;
    if (!readSmallFile(resDir / "b.html", page)) {
        error = "cannot read the report page " + (resDir / "b.html").string();
        return false;
    }
    std::string library;
    readSmallFile(resDir / "vendor" / "echarts.min.js", library);
    const std::string content = selfContainedPage(page, library, report);
    std::string cause;
    if (!config::writeFileAtomically(
            out, [&content](std::ostream& file) { file << content; }, cause)) {
        error = "cannot write " + out.string() + ": " + cause;
        return false;
    }
    return true;
}

std::string yearMonthDay(item::DateTime day) {
    item::CivilTime c = item::toCivil(day);
    return std::to_string(c.year) + "-" + std::to_string(c.month) + "-" + std::to_string(c.day);
}

Report buildReport(const SlotGrid& grid) {
    static const std::string kDateHeader = text::gbk("日期");
    static const std::string kTotalHeader = text::gbk("总计");
    Report report;
    std::string& table = report.tableHtml;
    std::string& series = report.seriesText;
    table = "<table border='0' cellpadding='1' cellspacing='0'>";
    table += "<thead><tr><td width=80>" + kDateHeader + "</td>";
    for (int h = 0; h < kSlotHours; ++h) table += "<td width=25>" + std::to_string(h) + "h</td>";
    table += "<td>" + kTotalHeader + "</td></tr></thead><tbody>";
    series = "[";
    for (int d = 0; d < kSlotDays; ++d) {
        const item::DateTime day = item::addDays(grid.today, d);
        std::string entry = "{ name: '" + item::dateTimeText(day) + "', data: [";
        table += "<tr><td>" + yearMonthDay(day) + "</td>";
        for (int h = 0; h < kSlotHours; ++h) {
            const std::string n = std::to_string(grid.counts[d][h]);
            table += "<td>" + n + "</td>";
            if (h > 0) entry += ", ";
            entry += n;
        }
        entry += "] }";
        series += entry + ",";
        table += "</tr>";
    }
    series.pop_back();
    series += "]";
    table += "</tbody></table>";
    return report;
}

std::string jsStringLiteral(std::string_view gbkText) {
    const std::string utf8 = text::gbkToUtf8(gbkText);
    std::string out;
    out.reserve(utf8.size() + 16);
    out.push_back('"');
    static const char kHex[] = "0123456789abcdef";
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '<':
                out += "\\u003c";
                break;
            case '>':
                out += "\\u003e";
                break;
            case '\'':
                out += "\\u0027";
                break;
            default:
                if (c < 0x20 || c == 0x7f) {
                    out += "\\u00";
                    out.push_back(kHex[c >> 4]);
                    out.push_back(kHex[c & 15]);
                } else if (c == 0xE2 && i + 2 < utf8.size() &&
                           static_cast<unsigned char>(utf8[i + 1]) == 0x80 &&
                           (static_cast<unsigned char>(utf8[i + 2]) == 0xA8 ||
                            static_cast<unsigned char>(utf8[i + 2]) == 0xA9)) {
                    // Line and paragraph separators end a string literal in older engines.
                    out += static_cast<unsigned char>(utf8[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
                    i += 2;
                } else {
                    out.push_back(static_cast<char>(c));
                }
        }
    }
    out.push_back('"');
    return out;
}

std::string selfContainedPage(std::string_view pageHtml, std::string_view chartLibrary,
                              const Report& report) {
    // Inside an inline script "</script" would end the element and "<!--" would
    // change how the parser looks for its end; both are harmless escaped.
    std::string library = replaceAllCaseless(chartLibrary, "</script", "<\\/script");
    library = replaceAllCaseless(library, "<!--", "<\\!--");

    std::string page;
    page.reserve(pageHtml.size() + library.size() + report.tableHtml.size() * 2 + 256);
    size_t pos = 0;
    static constexpr std::string_view kOpen = "<script src=\"vendor/";
    static constexpr std::string_view kClose = "</script>";
    while (pos < pageHtml.size()) {
        size_t at = pageHtml.find(kOpen, pos);
        size_t end = at == std::string_view::npos ? at : pageHtml.find(kClose, at);
        if (end == std::string_view::npos) {
            page.append(pageHtml.substr(pos));
            break;
        }
        page.append(pageHtml.substr(pos, at - pos));
        if (!library.empty()) {
            page += "<script>";
            page += library;
            page += "</script>";
        }
        pos = end + kClose.size();
    }
    std::string call = "<script>asd(" + jsStringLiteral(report.seriesText) + ");nr1(" +
                       jsStringLiteral(report.tableHtml) + ");";
    if (!report.bestText.empty()) call += "best(" + jsStringLiteral(report.bestText) + ");";
    call += "</script>\n";
    size_t body = page.rfind("</body>");
    if (body == std::string::npos) {
        page += call;
    } else {
        page.insert(body, call);
    }
    return page;
}

}  // namespace shelfwatch::report
