// The result table's CSV form, for spreadsheets and scripts: UTF-8 with a
// byte-order mark (so Excel on a Chinese Windows reads it as UTF-8), a header row
// of the twelve column titles, RFC 4180 quoting and CRLF line ends. A cell that a
// spreadsheet would run as a formula (it starts with = + - @, a tab or a carriage
// return, and is not simply a number) gets an apostrophe in front, as OWASP
// advises; the reader takes exactly that apostrophe off again, so every cell
// reads back as it was written. The reader streams: it holds one record at a
// time, and every read has a bound, so a hostile or endless input ends in an
// error rather than in exhausted memory. Pure; a reader belongs to one thread.
#pragma once

#include "table/result_table.h"

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace shelfwatch::table {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The cell as written: UTF-8 text with the formula guard applied (not quoted).
std::string neutralizedCell(std::string_view utf8);
// Undoes neutralizedCell: neutralizedCell(x) read back gives x.
std::string restoredCell(std::string_view utf8);

// The whole CSV of `rows` (GBK cells), byte-order mark and header included.
void writeCsv(const std::vector<ItemRecord>& rows, std::ostream& out);
std::string tableCsv(const std::vector<ItemRecord>& rows);

// Bounds of one read; past any of them the reader stops with an error.
struct CsvLimits {
    std::size_t maxFieldBytes = std::size_t{1} << 20;
    std::size_t maxFieldsPerRecord = 4096;
    std::uint64_t maxInputBytes = std::uint64_t{16} << 30;
};

// RFC 4180 records of a stream (quoted fields may hold commas, quotes and line
// breaks; CR LF, LF and CR all end a record; blank lines are skipped). A leading
// byte-order mark is dropped. Fields are the bytes as they stand.
class CsvReader {
  public:
    explicit CsvReader(std::istream& in, CsvLimits limits = {});

    // The next record; false at the end of the input or on an error.
    bool next(std::vector<std::string>& record);
    // Why reading stopped early (UTF-8); empty at a clean end.
    const std::string& error() const { return m_error; }

  private:
    bool fill();
    bool fail(std::string message);

    std::istream& m_in;
    CsvLimits m_limits;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    std::uint64_t m_consumed = 0;
    bool m_started = false;
    bool m_eof = false;
    std::string m_error;
};

// Table rows of a CSV stream as writeCsv writes them, or any CSV whose header row
// names the columns by their titles or field names (in any order, some missing);
// without a header row naming the title and end columns, every record is a row in
// the table's column order. Cells come back as GBK, the formula guard undone.
class TableCsvReader {
  public:
    explicit TableCsvReader(std::istream& in, CsvLimits limits = {});

    bool next(ItemRecord& row);
    // Whether the first record named the title and end columns (it is read if
    // it has not been yet); otherwise it was a row like the others.
    bool hasHeader();
    const std::string& error() const { return m_reader.error(); }

  private:
    bool readHeader();

    CsvReader m_reader;
    std::vector<std::string> m_record;
    std::vector<int> m_columnOf;  // table column of each CSV field, -1 when none
    bool m_headerRead = false;
    bool m_hasHeader = false;
    bool m_pending = false;  // m_record holds a data row read while looking for the header
};

}  // namespace shelfwatch::table
