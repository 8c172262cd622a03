#include "table/table_csv.h"

#include "text/gbk_text.h"

#include <sstream>

namespace shelfwatch::table {
namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;

bool isGuardChar(char c) { return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r'; }

// "-5", "+3", "12.50": a spreadsheet reads these as numbers, never as formulas,
// and minutes left are negative once a listing has ended.
bool isPlainNumber(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    const std::size_t digitsStart = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == digitsStart) return false;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fractionStart = ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        if (i == fractionStart) return false;
    }
    return i == text.size();
}

// The first character after any leading apostrophes, or 0.
char afterApostrophes(std::string_view text) {
    const std::size_t i = text.find_first_not_of('\'');
    return i == std::string_view::npos ? '\0' : text[i];
}

void appendField(std::string& out, std::string_view gbkText) {
    const std::string field = neutralizedCell(text::gbkToUtf8(gbkText));
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

std::string utf8Text(std::string_view gbk) { return text::gbkToUtf8(gbk); }

}  // namespace

std::string neutralizedCell(std::string_view utf8) {
    // A leading apostrophe run is part of the test, so a cell that really starts
    // with "'=" gains one more apostrophe and still reads back unchanged.
    if (isGuardChar(afterApostrophes(utf8)) && !isPlainNumber(utf8)) return "'" + std::string(utf8);
    return std::string(utf8);
}

std::string restoredCell(std::string_view utf8) {
    if (!utf8.empty() && utf8.front() == '\'' && isGuardChar(afterApostrophes(utf8))) {
        return std::string(utf8.substr(1));
    }
    return std::string(utf8);
}

void writeCsv(const std::vector<ItemRecord>& rows, std::ostream& out) {
    std::string line(kUtf8Bom);
    const auto& titles = columnTitles();
    for (int column = 0; column < kColumnCount; ++column) {
        if (column > 0) line += ',';
        appendField(line, titles[static_cast<std::size_t>(column)]);
    }
    line += "\r\n";
    out << line;
    for (const ItemRecord& row : rows) {
        line.clear();
        for (int column = 0; column < kColumnCount; ++column) {
            if (column > 0) line += ',';
            appendField(line, row.field(column));
        }
        line += "\r\n";
        out << line;
    }
}

std::string tableCsv(const std::vector<ItemRecord>& rows) {
    std::ostringstream out;
    writeCsv(rows, out);
    return std::move(out).str();
}

CsvReader::CsvReader(std::istream& in, CsvLimits limits) : m_in(in), m_limits(limits) {}

bool CsvReader::fail(std::string message) {
    if (m_error.empty()) m_error = std::move(message);
    m_eof = true;
    m_pos = m_end = 0;
    return false;
}

bool CsvReader::fill() {
    if (m_eof) return false;
    if (m_buffer.empty()) m_buffer.resize(kChunkBytes);
    m_in.read(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
    const auto got = static_cast<std::size_t>(m_in.gcount());
    if (m_in.bad()) return fail("the input could not be read");
    m_pos = 0;
    m_end = got;
    if (got == 0) {
        m_eof = true;
        return false;
    }
    m_consumed += got;
    if (m_consumed > m_limits.maxInputBytes) {
        return fail("the input is longer than " + std::to_string(m_limits.maxInputBytes) + " bytes");
    }
    if (!m_started) {
        m_started = true;
        if (std::string_view(m_buffer.data(), m_end).substr(0, kUtf8Bom.size()) == kUtf8Bom) {
            m_pos = kUtf8Bom.size();
        }
    }
    return true;
}

bool CsvReader::next(std::vector<std::string>& record) {
    record.clear();
    std::string field;
    bool quoted = false;
    bool any = false;  // the record has begun (a comma or a quote counts)
    auto endField = [&]() {
        if (record.size() >= m_limits.maxFieldsPerRecord) {
            return fail("a record has more than " + std::to_string(m_limits.maxFieldsPerRecord) + " fields");
        }
        record.push_back(std::move(field));
        field.clear();
        return true;
    };
    for (;;) {
        if (m_pos == m_end && !fill()) {
            if (!m_error.empty()) return false;
            if (!any && field.empty()) return false;
            return endField();
        }
        const char c = m_buffer[m_pos++];
        if (quoted) {
            if (c == '"') {
                if (m_pos == m_end) fill();
                if (m_pos < m_end && m_buffer[m_pos] == '"') {
                    field += '"';
                    ++m_pos;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
            any = true;
        } else if (c == ',') {
            if (!endField()) return false;
            any = true;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r') {
                if (m_pos == m_end) fill();
                if (m_pos < m_end && m_buffer[m_pos] == '\n') ++m_pos;
            }
            if (!any && field.empty()) continue;  // a blank line
            return endField();
        } else {
            field += c;
            any = true;
        }
        if (field.size() > m_limits.maxFieldBytes) {
            return fail("a field is longer than " + std::to_string(m_limits.maxFieldBytes) + " bytes");
        }
    }
}

TableCsvReader::TableCsvReader(std::istream& in, CsvLimits limits) : m_reader(in, limits) {}

bool TableCsvReader::readHeader() {
    m_headerRead = true;
    if (!m_reader.next(m_record)) return false;
    m_columnOf.assign(m_record.size(), -1);
    bool title = false;
    bool end = false;
    for (std::size_t i = 0; i < m_record.size(); ++i) {
        for (int column = 0; column < kColumnCount; ++column) {
            const auto index = static_cast<std::size_t>(column);
            if (m_record[i] == utf8Text(columnTitles()[index]) || m_record[i] == fieldNames()[index]) {
                m_columnOf[i] = column;
                title |= column == kTitle;
                end |= column == kEndTime;
                break;
            }
        }
    }
    m_hasHeader = title && end;
    if (!m_hasHeader) {
        for (std::size_t i = 0; i < m_columnOf.size(); ++i) {
            m_columnOf[i] = i < static_cast<std::size_t>(kColumnCount) ? static_cast<int>(i) : -1;
        }
        m_pending = true;
    }
    return true;
}

bool TableCsvReader::hasHeader() {
    if (!m_headerRead) readHeader();
    return m_hasHeader;
}

bool TableCsvReader::next(ItemRecord& row) {
    if (!m_headerRead && !readHeader()) return false;
    if (m_pending) {
        m_pending = false;
    } else if (!m_reader.next(m_record)) {
        return false;
    }
    row = ItemRecord{};
    for (std::size_t i = 0; i < m_record.size(); ++i) {
        const int column = !m_hasHeader
                               ? (i < static_cast<std::size_t>(kColumnCount) ? static_cast<int>(i) : -1)
                               : (i < m_columnOf.size() ? m_columnOf[i] : -1);
        if (column >= 0) row.field(column) = text::utf8ToGbk(restoredCell(m_record[i]));
    }
    return true;
}

}  // namespace shelfwatch::table
