#include "report/workbook_reader.h"

#include "text/gbk_text.h"

#include <expat.h>
#include <fcntl.h>
#include <freexl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>

namespace shelfwatch::report {
namespace {

// Excel's own sheet size; anything beyond is not a worksheet row.
constexpr int kMaxRows = 1048576;

std::string_view localName(const XML_Char* name) {
    std::string_view n(name);
    size_t colon = n.rfind(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

const XML_Char* attribute(const XML_Char** attrs, std::string_view wanted) {
    for (int i = 0; attrs[i]; i += 2) {
        if (localName(attrs[i]) == wanted) return attrs[i + 1];
    }
    return nullptr;
}

// "A1" style reference: column number (A = 1) and row; false when malformed.
bool parseCellRef(std::string_view ref, int& column, int& row) {
    size_t i = 0;
    column = 0;
    while (i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z' && i < 3) {
        column = column * 26 + (ref[i] - 'A' + 1);
        ++i;
    }
    if (i == 0 || i == ref.size()) return false;
    row = 0;
    for (; i < ref.size(); ++i) {
        if (ref[i] < '0' || ref[i] > '9' || row > kMaxRows) return false;
        row = row * 10 + (ref[i] - '0');
    }
    return row >= 1 && row <= kMaxRows;
}

// Cell text escapes of the format: "_x000D_" stands for that character.
std::string decodeEscapes(std::string text) {
    if (text.find("_x") == std::string::npos) return text;
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (i + 7 <= text.size() && text[i] == '_' && text[i + 1] == 'x' && text[i + 6] == '_') {
            unsigned value = 0;
            bool hex = true;
            for (size_t k = i + 2; k < i + 6 && hex; ++k) {
                char ch = text[k];
                value <<= 4;
                if (ch >= '0' && ch <= '9')
                    value |= unsigned(ch - '0');
                else if (ch >= 'a' && ch <= 'f')
                    value |= unsigned(ch - 'a' + 10);
                else if (ch >= 'A' && ch <= 'F')
                    value |= unsigned(ch - 'A' + 10);
                else
                    hex = false;
            }
            if (hex) {
                if (value < 0x80) {
                    out.push_back(static_cast<char>(value));
                } else if (value < 0x800) {
                    out.push_back(static_cast<char>(0xC0 | (value >> 6)));
                    out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
                } else {
                    out.push_back(static_cast<char>(0xE0 | (value >> 12)));
                    out.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
                    out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
                }
                i += 7;
                continue;
            }
        }
        out.push_back(text[i++]);
    }
    return out;
}

// One expat pass over a zip member. Handlers report failure through `failed`,
// which also stops the parser; a DOCTYPE is refused outright, since no part of a
// workbook has one and entity tricks start there.
class XmlPass {
  public:
    XmlPass() : m_parser(XML_ParserCreate(nullptr)) {
        if (!m_parser) return;
        XML_SetUserData(m_parser, this);
        XML_SetElementHandler(m_parser, &XmlPass::onStart, &XmlPass::onEnd);
        XML_SetCharacterDataHandler(m_parser, &XmlPass::onText);
        XML_SetStartDoctypeDeclHandler(m_parser, &XmlPass::onDoctype);
        XML_SetEntityDeclHandler(m_parser, &XmlPass::onEntityDecl);
    }
    virtual ~XmlPass() {
        if (m_parser) XML_ParserFree(m_parser);
    }
    XmlPass(const XmlPass&) = delete;
    XmlPass& operator=(const XmlPass&) = delete;

    bool feed(const char* data, int size, bool last) {
        if (!m_parser || m_failed) return false;
        if (XML_Parse(m_parser, data, size, last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
            if (m_error.empty()) m_error = XML_ErrorString(XML_GetErrorCode(m_parser));
            m_failed = true;
        }
        return !m_failed;
    }
    const std::string& error() const { return m_error; }

  protected:
    virtual void start(std::string_view name, const XML_Char** attrs) = 0;
    virtual void end(std::string_view name) = 0;
    virtual void textData(std::string_view) {}

    void fail(const std::string& why) {
        if (m_failed) return;
        m_failed = true;
        m_error = why;
        XML_StopParser(m_parser, XML_FALSE);
    }
    bool failed() const { return m_failed; }

  private:
    static void XMLCALL onStart(void* self, const XML_Char* name, const XML_Char** attrs) {
        auto* pass = static_cast<XmlPass*>(self);
        if (!pass->m_failed) pass->start(localName(name), attrs);
    }
    static void XMLCALL onEnd(void* self, const XML_Char* name) {
        auto* pass = static_cast<XmlPass*>(self);
        if (!pass->m_failed) pass->end(localName(name));
    }
    static void XMLCALL onText(void* self, const XML_Char* s, int len) {
        auto* pass = static_cast<XmlPass*>(self);
        if (!pass->m_failed) pass->textData(std::string_view(s, static_cast<size_t>(len)));
    }
    static void XMLCALL onDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        static_cast<XmlPass*>(self)->fail("document type declarations are not allowed");
    }
    static void XMLCALL onEntityDecl(void* self, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                                     const XML_Char*, const XML_Char*, const XML_Char*) {
        static_cast<XmlPass*>(self)->fail("entity declarations are not allowed");
    }

    XML_Parser m_parser;
    bool m_failed = false;
    std::string m_error;
};

class ZipArchive {
  public:
    explicit ZipArchive(const std::filesystem::path& path, const WorkbookLimits& limits) : m_limits(limits) {
        const std::u8string name = path.u8string();
        int error = 0;
        m_zip = zip_open(reinterpret_cast<const char*>(name.c_str()), ZIP_RDONLY, &error);
        if (!m_zip) {
            zip_error_t ze;
            zip_error_init_with_code(&ze, error);
            m_error = std::string("not a readable zip archive: ") + zip_error_strerror(&ze);
            zip_error_fini(&ze);
        }
    }
    ~ZipArchive() {
        if (m_zip) zip_discard(m_zip);
    }
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool isOpen() const { return m_zip != nullptr; }
    const std::string& error() const { return m_error; }
    bool has(const std::string& member) const {
        return m_zip && zip_name_locate(m_zip, member.c_str(), 0) >= 0;
    }

    // Streams the member through `pass`; false on a missing member, a damaged
    // stream, an XML error or when the inflated total passes its cap.
    bool parse(const std::string& member, XmlPass& pass) {
        zip_int64_t index = zip_name_locate(m_zip, member.c_str(), 0);
        if (index < 0) return setError("missing part " + member);
        zip_file_t* file = zip_fopen_index(m_zip, static_cast<zip_uint64_t>(index), 0);
        if (!file) return setError("cannot open part " + member + ": " + zip_strerror(m_zip));
        std::unique_ptr<char[]> buffer(new char[kChunk]);
        bool ok = true;
        for (;;) {
            zip_int64_t got = zip_fread(file, buffer.get(), kChunk);
            if (got < 0) {
                ok = setError("damaged part " + member + ": " + zip_file_strerror(file));
                break;
            }
            m_inflated += static_cast<std::uint64_t>(got);
            if (m_inflated > m_limits.maxInflatedBytes) {
                ok = setError("workbook inflates beyond the size limit");
                break;
            }
            if (!pass.feed(buffer.get(), static_cast<int>(got), got == 0)) {
                ok = setError("bad XML in " + member + ": " + pass.error());
                break;
            }
            if (got == 0) break;
        }
        zip_fclose(file);
        return ok;
    }

  private:
    static constexpr zip_uint64_t kChunk = 1 << 16;
    bool setError(std::string why) {
        m_error = std::move(why);
        return false;
    }

    zip_t* m_zip = nullptr;
    WorkbookLimits m_limits;
    std::uint64_t m_inflated = 0;
    std::string m_error;
};

// workbook.xml: the relationship id of the first sheet.
class WorkbookPass final : public XmlPass {
  public:
    std::string firstSheetRel;

  protected:
    void start(std::string_view name, const XML_Char** attrs) override {
        if (name == "sheet" && firstSheetRel.empty()) {
            const XML_Char* id = attribute(attrs, "id");
            if (id) firstSheetRel = id;
        }
    }
    void end(std::string_view) override {}
};

// workbook.xml.rels: targets by id, and the shared-strings target.
class RelsPass final : public XmlPass {
  public:
    std::map<std::string, std::string> targets;
    std::string sharedStrings;

  protected:
    void start(std::string_view name, const XML_Char** attrs) override {
        if (name != "Relationship" || targets.size() > 10000) return;
        const XML_Char* id = attribute(attrs, "Id");
        const XML_Char* target = attribute(attrs, "Target");
        const XML_Char* type = attribute(attrs, "Type");
        if (!target) return;
        if (id) targets[id] = target;
        std::string_view t = type ? type : "";
        if (t.size() >= 14 && t.substr(t.size() - 14) == "/sharedStrings") sharedStrings = target;
    }
    void end(std::string_view) override {}
};

// sharedStrings.xml: the text of every <si>, phonetic runs left out.
class SharedStringsPass final : public XmlPass {
  public:
    explicit SharedStringsPass(const WorkbookLimits& limits) : m_limits(limits) {}
    std::vector<std::string> strings;

  protected:
    void start(std::string_view name, const XML_Char**) override {
        if (name == "si") {
            m_inItem = true;
            m_current.clear();
        } else if (name == "rPh") {
            ++m_phonetic;
        } else if (name == "t" && m_inItem && m_phonetic == 0) {
            m_inText = true;
        }
    }
    void end(std::string_view name) override {
        if (name == "si" && m_inItem) {
            m_inItem = false;
            m_bytes += m_current.size() + sizeof(std::string);
            if (m_bytes > m_limits.maxSharedStringBytes) {
                fail("shared string table beyond the size limit");
                return;
            }
            strings.push_back(decodeEscapes(std::move(m_current)));
            m_current.clear();
        } else if (name == "rPh" && m_phonetic > 0) {
            --m_phonetic;
        } else if (name == "t") {
            m_inText = false;
        }
    }
    void textData(std::string_view s) override {
        if (!m_inText) return;
        if (m_current.size() + s.size() > m_limits.maxCellBytes) {
            fail("shared string beyond the size limit");
            return;
        }
        m_current.append(s);
    }

  private:
    WorkbookLimits m_limits;
    bool m_inItem = false;
    bool m_inText = false;
    int m_phonetic = 0;
    std::string m_current;
    std::uint64_t m_bytes = 0;
};

// One kept cell: a shared string by its index, or its own text.
struct CellText {
    std::int64_t shared = -1;
    std::string text;  // UTF-8, when shared < 0
};

// A worksheet row as read: cells B, E and F, not yet expanded.
struct SheetRow {
    int row = 0;
    CellText cells[3];
};

int slotOf(int column) { return column == 2 ? 0 : column == 5 ? 1 : 2; }

// The worksheet: B, E and F of every row, and the used range's extent. Shared
// strings stay references until the end, and every cell's expanded size is
// counted as it is read, so the bound holds before anything is copied.
class SheetPass final : public XmlPass {
  public:
    SheetPass(const std::vector<std::string>& shared, const WorkbookLimits& limits)
        : m_shared(shared), m_limits(limits) {}

    std::vector<SheetRow> rows;  // ordered by row once finished
    int firstRow = 0;
    int lastRow = 0;

    // Puts rows written out of order in place; O(n log n).
    void finishRows() {
        if (!m_unordered) return;
        std::sort(rows.begin(), rows.end(),
                  [](const SheetRow& a, const SheetRow& b) { return a.row < b.row; });
    }

  protected:
    void start(std::string_view name, const XML_Char** attrs) override {
        if (name == "row") {
            const XML_Char* r = attribute(attrs, "r");
            int value = r ? std::atoi(r) : m_row + 1;
            if (value < 1 || value > kMaxRows) {
                fail("row number out of range");
                return;
            }
            m_row = value;
            m_column = 0;
        } else if (name == "c") {
            const XML_Char* ref = attribute(attrs, "r");
            int column = 0;
            int row = 0;
            if (ref) {
                if (!parseCellRef(ref, column, row)) {
                    fail("bad cell reference");
                    return;
                }
                m_row = row;
            } else {
                column = m_column + 1;
                if (m_row == 0) m_row = 1;
            }
            m_column = column;
            const XML_Char* type = attribute(attrs, "t");
            m_type = type ? type : "n";
            m_value.clear();
            m_inCell = true;
            if (firstRow == 0 || m_row < firstRow) firstRow = m_row;
            if (m_row > lastRow) lastRow = m_row;
        } else if (m_inCell && (name == "v" || (name == "t" && m_inInline))) {
            m_inValue = true;
        } else if (m_inCell && name == "is") {
            m_inInline = true;
        } else if (name == "rPh") {
            ++m_phonetic;
        }
    }
    void end(std::string_view name) override {
        if (name == "c" && m_inCell) {
            m_inCell = false;
            keepCell();
        } else if (name == "v" || name == "t") {
            m_inValue = false;
        } else if (name == "is") {
            m_inInline = false;
        } else if (name == "rPh" && m_phonetic > 0) {
            --m_phonetic;
        }
    }
    void textData(std::string_view s) override {
        if (!m_inValue || m_phonetic > 0 || !wanted(m_column)) return;
        if (m_value.size() + s.size() > m_limits.maxCellBytes) {
            fail("cell text beyond the size limit");
            return;
        }
        m_value.append(s);
    }

  private:
    static bool wanted(int column) { return column == 2 || column == 5 || column == 6; }

    void keepCell() {
        if (!wanted(m_column)) return;
        CellText cell;
        if (m_type == "s") {
            char* end = nullptr;
            const long long index = std::strtoll(m_value.c_str(), &end, 10);
            if (m_value.empty() || *end != '\0' || index < 0 ||
                static_cast<unsigned long long>(index) >= m_shared.size()) {
                fail("shared string index out of range");
                return;
            }
            cell.shared = index;
        } else if (m_type == "b") {
            cell.text = m_value == "1" ? "TRUE" : "FALSE";
        } else if (m_type == "inlineStr" || m_type == "str") {
            cell.text = decodeEscapes(std::move(m_value));
        } else {
            cell.text = std::move(m_value);
        }
        m_value.clear();
        SheetRow* row = rowFor(m_row);
        if (!row) return;
        CellText& slot = row->cells[slotOf(m_column)];
        m_cellTextBytes -= sizeOf(slot);
        m_cellTextBytes += sizeOf(cell);
        if (m_cellTextBytes > m_limits.maxCellTextBytes) {
            fail("cell text of the workbook beyond the size limit");
            return;
        }
        slot = std::move(cell);
    }

    std::uint64_t sizeOf(const CellText& cell) const {
        return cell.shared >= 0 ? m_shared[static_cast<std::size_t>(cell.shared)].size() : cell.text.size();
    }

    // The row's entry, made when new. Rows usually come in order; a row number
    // seen before is found through the index of row numbers, so any order costs
    // the same per cell.
    SheetRow* rowFor(int number) {
        if (!rows.empty() && rows.back().row == number) return &rows.back();
        if (static_cast<std::size_t>(number) < m_slotOfRow.size() && m_slotOfRow[number] >= 0)
            return &rows[static_cast<std::size_t>(m_slotOfRow[number])];
        if (rows.size() >= static_cast<std::size_t>(kMaxRows)) {
            fail("too many rows");
            return nullptr;
        }
        if (!rows.empty() && rows.back().row > number) m_unordered = true;
        if (static_cast<std::size_t>(number) >= m_slotOfRow.size()) {
            m_slotOfRow.resize(
                std::max<std::size_t>(static_cast<std::size_t>(number) + 1, m_slotOfRow.size() * 2), -1);
        }
        m_slotOfRow[number] = static_cast<std::int32_t>(rows.size());
        rows.push_back(SheetRow{number, {}});
        return &rows.back();
    }

    const std::vector<std::string>& m_shared;
    WorkbookLimits m_limits;
    int m_row = 0;
    int m_column = 0;
    std::string m_type;
    std::string m_value;
    bool m_inCell = false;
    bool m_inValue = false;
    bool m_inInline = false;
    int m_phonetic = 0;
    bool m_unordered = false;
    std::uint64_t m_cellTextBytes = 0;
    std::vector<std::int32_t> m_slotOfRow;  // row number -> index in rows, -1 when none
};

// "worksheets/sheet1.xml" relative to xl/, or "/xl/worksheets/sheet1.xml".
std::string memberFromTarget(const std::string& target) {
    if (!target.empty() && target.front() == '/') return target.substr(1);
    std::string path = "xl/" + target;
    // Fold "dir/../" that some writers emit.
    size_t up;
    while ((up = path.find("/../")) != std::string::npos) {
        size_t prev = path.rfind('/', up == 0 ? 0 : up - 1);
        path.erase(prev == std::string::npos ? 0 : prev + 1,
                   up + 4 - (prev == std::string::npos ? 0 : prev + 1));
    }
    return path;
}

// The used range's height, counted from row 1: a range that begins below row 1
// reads that many rows from the top.
int usedHeight(int firstRow, int lastRow) { return firstRow == 0 ? 0 : lastRow - firstRow + 1; }

// The rows of the used range, expanded and in GBK (`shared` is converted already,
// each string once however many cells refer to it).
void finishXlsx(WorkbookContent& content, SheetPass& sheet, const std::vector<std::string>& shared) {
    sheet.finishRows();
    content.usedRows = usedHeight(sheet.firstRow, sheet.lastRow);
    auto expand = [&](const CellText& cell) -> std::string {
        return cell.shared < 0 ? text::utf8ToGbk(cell.text) : shared[static_cast<std::size_t>(cell.shared)];
    };
    for (SheetRow& row : sheet.rows) {
        if (row.row > content.usedRows) break;
        content.rows.push_back(
            WorkbookRow{row.row, expand(row.cells[0]), expand(row.cells[1]), expand(row.cells[2])});
        row = SheetRow{};
    }
    content.ok = true;
}

void finishXls(WorkbookContent& content, std::vector<WorkbookRow> rows, int firstRow, int lastRow) {
    content.usedRows = usedHeight(firstRow, lastRow);
    for (WorkbookRow& row : rows) {
        if (row.row > content.usedRows) break;
        row.title = text::utf8ToGbk(row.title);
        row.start = text::utf8ToGbk(row.start);
        row.end = text::utf8ToGbk(row.end);
        content.rows.push_back(std::move(row));
    }
    content.ok = true;
}

WorkbookContent readXlsx(const std::filesystem::path& path, const WorkbookLimits& limits) {
    WorkbookContent content;
    ZipArchive zip(path, limits);
    if (!zip.isOpen()) {
        content.error = zip.error();
        return content;
    }
    std::string sheetMember;
    std::string sharedMember = "xl/sharedStrings.xml";
    if (zip.has("xl/workbook.xml") && zip.has("xl/_rels/workbook.xml.rels")) {
        WorkbookPass workbook;
        RelsPass rels;
        if (zip.parse("xl/workbook.xml", workbook) && zip.parse("xl/_rels/workbook.xml.rels", rels)) {
            auto it = rels.targets.find(workbook.firstSheetRel);
            if (it != rels.targets.end()) sheetMember = memberFromTarget(it->second);
            if (!rels.sharedStrings.empty()) sharedMember = memberFromTarget(rels.sharedStrings);
        } else {
            content.error = zip.error();
            return content;
        }
    }
    if (sheetMember.empty() || !zip.has(sheetMember)) sheetMember = "xl/worksheets/sheet1.xml";
    if (!zip.has(sheetMember)) {
        content.error = "no worksheet in the workbook";
        return content;
    }
    SharedStringsPass shared(limits);
    if (zip.has(sharedMember) && !zip.parse(sharedMember, shared)) {
        content.error = zip.error();
        return content;
    }
    for (std::string& entry : shared.strings) entry = text::utf8ToGbk(entry);
    SheetPass sheet(shared.strings, limits);
    if (!zip.parse(sheetMember, sheet)) {
        content.error = zip.error();
        return content;
    }
    finishXlsx(content, sheet, shared.strings);
    return content;
}

std::string xlsCellText(const void* handle, unsigned row, unsigned short column) {
    FreeXL_CellValue value;
    if (freexl_get_cell_value(handle, row, column, &value) != FREEXL_OK) return {};
    char buffer[64];
    switch (value.type) {
        case FREEXL_CELL_INT:
            std::snprintf(buffer, sizeof buffer, "%d", value.value.int_value);
            return buffer;
        case FREEXL_CELL_DOUBLE:
            std::snprintf(buffer, sizeof buffer, "%.15g", value.value.double_value);
            return buffer;
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            return value.value.text_value ? value.value.text_value : "";
        default:
            return {};
    }
}

WorkbookContent readXlsHere(const std::filesystem::path& path) {
    WorkbookContent content;
    const std::u8string name = path.u8string();
    const void* handle = nullptr;
    // Some damaged files open "successfully" without a handle.
    if (freexl_open(reinterpret_cast<const char*>(name.c_str()), &handle) != FREEXL_OK || !handle) {
        if (handle) freexl_close(handle);
        content.error = "not a readable .xls workbook";
        return content;
    }
    unsigned rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(handle, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK) {
        freexl_close(handle);
        content.error = "no worksheet in the workbook";
        return content;
    }
    if (rows > static_cast<unsigned>(kMaxRows)) rows = kMaxRows;
    std::vector<WorkbookRow> found;
    int firstRow = 0;
    int lastRow = 0;
    for (unsigned r = 0; r < rows; ++r) {
        bool any = false;
        for (unsigned short c = 0; c < columns && !any; ++c) {
            FreeXL_CellValue value;
            any = freexl_get_cell_value(handle, r, c, &value) == FREEXL_OK && value.type != FREEXL_CELL_NULL;
        }
        if (!any) continue;
        const int sheetRow = static_cast<int>(r) + 1;
        if (firstRow == 0) firstRow = sheetRow;
        lastRow = sheetRow;
        WorkbookRow row{sheetRow, xlsCellText(handle, r, 1), xlsCellText(handle, r, 4),
                        xlsCellText(handle, r, 5)};
        if (!row.title.empty() || !row.start.empty() || !row.end.empty()) found.push_back(std::move(row));
    }
    freexl_close(handle);
    finishXls(content, std::move(found), firstRow, lastRow);
    return content;
}

// The rows as bytes through the pipe from the child: ok, used rows, error, then
// each row's number and texts, every text length-prefixed.
void putNumber(std::string& out, std::uint64_t value) {
    out.append(reinterpret_cast<const char*>(&value), 8);
}
void putText(std::string& out, const std::string& text) {
    putNumber(out, text.size());
    out += text;
}

class Reader {
  public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}
    bool number(std::uint64_t& value) {
        if (m_bytes.size() - m_at < 8) return false;
        std::memcpy(&value, m_bytes.data() + m_at, 8);
        m_at += 8;
        return true;
    }
    bool text(std::string& value) {
        std::uint64_t size = 0;
        if (!number(size) || size > m_bytes.size() - m_at) return false;
        value.assign(m_bytes.substr(m_at, size));
        m_at += size;
        return true;
    }
    bool done() const { return m_at == m_bytes.size(); }

  private:
    std::string_view m_bytes;
    std::size_t m_at = 0;
};

std::string encodeContent(const WorkbookContent& content) {
    std::string out;
    putNumber(out, content.ok ? 1 : 0);
    putNumber(out, static_cast<std::uint64_t>(content.usedRows));
    putText(out, content.error);
    putNumber(out, content.rows.size());
    for (const WorkbookRow& row : content.rows) {
        putNumber(out, static_cast<std::uint64_t>(row.row));
        putText(out, row.title);
        putText(out, row.start);
        putText(out, row.end);
    }
    return out;
}

bool decodeContent(std::string_view bytes, WorkbookContent& content) {
    Reader in(bytes);
    std::uint64_t ok = 0, used = 0, rows = 0;
    if (!in.number(ok) || !in.number(used) || !in.text(content.error) || !in.number(rows)) return false;
    if (used > static_cast<std::uint64_t>(kMaxRows) || rows > used) return false;
    content.ok = ok == 1;
    content.usedRows = static_cast<int>(used);
    for (std::uint64_t k = 0; k < rows; ++k) {
        std::uint64_t number = 0;
        WorkbookRow row;
        if (!in.number(number) || number > used || !in.text(row.title) || !in.text(row.start) ||
            !in.text(row.end))
            return false;
        row.row = static_cast<int>(number);
        content.rows.push_back(std::move(row));
    }
    return in.done();
}

WorkbookContent failedXls(const char* why) {
    WorkbookContent content;
    content.error = why;
    return content;
}

// libfreexl (1.0.6) reads far past its buffers on some damaged files (a fuzzer
// found one within seconds), so it runs in a child process: whatever a hostile
// file does to it stays there, and a child that crashes, hangs or answers too
// much is a file that could not be read. The child touches nothing but the
// library, the pipe and _exit.
WorkbookContent readXls(const std::filesystem::path& path, const WorkbookLimits& limits) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return failedXls("cannot start the .xls reader");
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return failedXls("cannot start the .xls reader");
    }
    if (child == 0) {
        ::close(fds[0]);
        const std::string bytes = encodeContent(readXlsHere(path));
        std::size_t at = 0;
        while (at < bytes.size()) {
            const ssize_t wrote = ::write(fds[1], bytes.data() + at, bytes.size() - at);
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) ::_exit(1);
            at += static_cast<std::size_t>(wrote);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    // The answer holds at most the kept cell texts and a few bytes per row.
    const std::uint64_t maxAnswer = limits.maxCellTextBytes + 64ull * kMaxRows;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    std::string answer;
    bool complete = false;
    char buffer[1 << 16];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd wait{fds[0], POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) break;
        if (got == 0) {
            complete = true;
            break;
        }
        answer.append(buffer, static_cast<std::size_t>(got));
        if (answer.size() > maxAnswer) break;
    }
    ::close(fds[0]);
    if (!complete) ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    WorkbookContent content;
    if (!complete || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || !decodeContent(answer, content))
        return failedXls("damaged .xls workbook");
    return content;
}

}  // namespace

WorkbookContent readWorkbook(const std::filesystem::path& path, const WorkbookLimits& limits) {
    WorkbookContent content;
    // Only a regular file of bounded size is read: a folder, a device such as
    // /dev/zero or a pipe would fail late or never end.
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) {
        content.error = "cannot open the file";
        return content;
    }
    if (std::filesystem::is_directory(status)) {
        content.error = "a folder, not a workbook";
        return content;
    }
    if (!std::filesystem::is_regular_file(status)) {
        content.error = "not a regular file";
        return content;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > limits.maxFileBytes) {
        content.error = ec ? "cannot read the file size" : "workbook file beyond the size limit";
        return content;
    }
    unsigned char magic[8] = {};
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            content.error = "cannot open the file";
            return content;
        }
        in.read(reinterpret_cast<char*>(magic), sizeof magic);
    }
    static const unsigned char kZip[] = {'P', 'K', 3, 4};
    static const unsigned char kOle[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (std::memcmp(magic, kZip, sizeof kZip) == 0) return readXlsx(path, limits);
    if (std::memcmp(magic, kOle, sizeof kOle) == 0) return readXls(path, limits);
    content.error = "not a workbook";
    return content;
}

ImportResult importWorkbookListings(const std::filesystem::path& path, ListingStats& stats) {
    ImportResult result;
    WorkbookContent content = readWorkbook(path);
    if (!content.ok) {
        result.message = text::gbk("打开excel文件失败！");
        return result;
    }
    if (!stats.isOpen() && !stats.open()) {
        result.message = text::gbk("内存数据库创建失败，无法获取统计");
        return result;
    }
    std::vector<ListingTexts> listings;
    listings.reserve(content.rows.size());
    for (WorkbookRow& row : content.rows) {
        if (row.title.empty()) continue;
        listings.push_back({std::move(row.title), std::move(row.start), std::move(row.end)});
    }
    stats.addListings(listings);
    result.ok = true;
    result.listings = static_cast<int>(listings.size());
    return result;
}

}  // namespace shelfwatch::report
