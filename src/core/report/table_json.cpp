#include "report/table_json.h"

#include "text/gbk_text.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <sstream>
#include <streambuf>

namespace shelfwatch::report {
namespace {

using Json = nlohmann::ordered_json;

std::string utf8(std::string_view gbk) { return text::gbkToUtf8(gbk); }

// A whole decimal number as the table writes one ("-12", "1234"); null otherwise.
Json wholeNumber(std::string_view cell) {
    std::size_t i = cell.size() > 0 && cell[0] == '-' ? 1 : 0;
    if (i == cell.size() || cell.size() - i > 18) return nullptr;
    std::int64_t value = 0;
    for (; i < cell.size(); ++i) {
        if (cell[i] < '0' || cell[i] > '9') return nullptr;
        value = value * 10 + (cell[i] - '0');
    }
    return cell[0] == '-' ? -value : value;
}

Json mallFlag(std::string_view cell) {
    static const std::string kTrue = text::gbk("真");
    static const std::string kFalse = text::gbk("假");
    if (cell == kTrue) return true;
    if (cell == kFalse) return false;
    return nullptr;
}

Json textOrNull(std::string_view gbk) { return gbk.empty() ? Json(nullptr) : Json(utf8(gbk)); }

Json isoOrNull(std::string_view gbk) {
    const std::string iso = isoDateTime(gbk);
    return iso.empty() ? Json(nullptr) : Json(iso);
}

Json recordJson(const table::ItemRecord& row, Json seq, Json message) {
    Json out;
    out["seq"] = std::move(seq);
    out["title"] = utf8(row.title);
    out["url"] = utf8(row.url);
    out["seller"] = utf8(row.seller);
    out["startTime"] = textOrNull(row.startTime);
    out["startIso"] = isoOrNull(row.startTime);
    out["endTime"] = textOrNull(row.endTime);
    out["endIso"] = isoOrNull(row.endTime);
    out["minutesLeft"] = wholeNumber(row.minutesLeft);
    out["sales"] = wholeNumber(row.sales);
    out["stock"] = wholeNumber(row.stock);
    out["isMall"] = mallFlag(row.isMall);
    out["price"] = utf8(row.price);
    out["location"] = utf8(row.location);
    out["message"] = std::move(message);
    return out;
}

std::string dump(const Json& json) { return json.dump(-1, ' ', false, Json::error_handler_t::replace); }

// Hands the parser at most the limits' bytes, and no string or bare token
// longer than a token's limit, so neither an endless input nor one giant
// string can exhaust memory. It follows the lexical state to know where a
// token begins and ends.
class BoundedJsonBuffer final : public std::streambuf {
  public:
    BoundedJsonBuffer(std::streambuf* source, JsonReadLimits limits) : m_source(source), m_limits(limits) {}

    const std::string& error() const { return m_error; }

  protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        if (!m_error.empty() || m_source == nullptr) return traits_type::eof();
        const std::streamsize got = m_source->sgetn(m_chunk, sizeof m_chunk);
        if (got <= 0) return traits_type::eof();
        m_total += static_cast<std::uint64_t>(got);
        if (m_total > m_limits.maxInputBytes) {
            m_error = "the input is longer than " + std::to_string(m_limits.maxInputBytes) + " bytes";
            return traits_type::eof();
        }
        for (std::streamsize i = 0; i < got; ++i) {
            if (!track(m_chunk[i])) {
                m_error = "a JSON value is longer than " + std::to_string(m_limits.maxTokenBytes) + " bytes";
                return traits_type::eof();
            }
        }
        setg(m_chunk, m_chunk, m_chunk + got);
        return traits_type::to_int_type(*gptr());
    }

  private:
    bool track(char c) {
        if (m_inString) {
            if (m_escape) {
                m_escape = false;
            } else if (c == '\\') {
                m_escape = true;
            } else if (c == '"') {
                m_inString = false;
                m_run = 0;
                return true;
            }
        } else if (c == '"') {
            m_inString = true;
            m_run = 0;
            return true;
        } else if (c == ',' || c == ':' || c == '{' || c == '}' || c == '[' || c == ']' || c == ' ' ||
                   c == '\t' || c == '\r' || c == '\n') {
            m_run = 0;
            return true;
        }
        return ++m_run <= m_limits.maxTokenBytes;
    }

    std::streambuf* m_source;
    JsonReadLimits m_limits;
    char m_chunk[64 * 1024];
    std::uint64_t m_total = 0;
    std::size_t m_run = 0;
    bool m_inString = false;
    bool m_escape = false;
    std::string m_error;
};

// The records of an array of records, or of one record; keys of nested values
// are ignored.
class ListingSax final : public nlohmann::json_sax<nlohmann::json> {
  public:
    explicit ListingSax(const std::function<void(ListingTexts&&)>& sink) : m_sink(sink) {}

    std::string error;

    bool null() override { return value(nullptr); }
    bool boolean(bool) override { return value(nullptr); }
    bool number_integer(number_integer_t) override { return value(nullptr); }
    bool number_unsigned(number_unsigned_t) override { return value(nullptr); }
    bool number_float(number_float_t, const string_t&) override { return value(nullptr); }
    bool binary(binary_t&) override { return value(nullptr); }
    bool string(string_t& text) override { return value(&text); }

    bool start_object(std::size_t) override {
        if (!begin('o')) return false;
        if (m_stack.size() == 1 || (m_stack.size() == 2 && m_stack.front() == 'a')) {
            m_inRecord = true;
            m_fields = {};
        }
        return true;
    }
    bool key(string_t& name) override {
        m_key = atRecordLevel() ? name : std::string();
        return true;
    }
    bool end_object() override {
        if (atRecordLevel()) {
            m_inRecord = false;
            ListingTexts listing;
            listing.title = text::utf8ToGbk(m_fields.title);
            listing.start = text::utf8ToGbk(pick(m_fields.startTime, m_fields.startIso));
            listing.end = text::utf8ToGbk(pick(m_fields.endTime, m_fields.endIso));
            m_sink(std::move(listing));
        }
        m_stack.pop_back();
        return true;
    }
    bool start_array(std::size_t) override { return begin('a'); }
    bool end_array() override {
        m_stack.pop_back();
        return true;
    }
    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& e) override {
        if (error.empty()) error = "not JSON at byte " + std::to_string(position) + ": " + e.what();
        return false;
    }

  private:
    struct Fields {
        std::string title, startTime, startIso, endTime, endIso;
    };

    bool begin(char kind) {
        m_started = true;
        m_stack.push_back(kind);
        return true;
    }
    bool atRecordLevel() const {
        return m_inRecord && (m_stack.size() == 1 || (m_stack.size() == 2 && m_stack.front() == 'a'));
    }
    bool value(const std::string* text) {
        if (!m_started) {
            error = "not a table: the JSON is neither an array of records nor one record";
            return false;
        }
        if (text == nullptr || !atRecordLevel()) return true;
        if (m_key == "title") m_fields.title = *text;
        if (m_key == "startTime") m_fields.startTime = *text;
        if (m_key == "startIso") m_fields.startIso = *text;
        if (m_key == "endTime") m_fields.endTime = *text;
        if (m_key == "endIso") m_fields.endIso = *text;
        return true;
    }
    // The table's text when there is one; else the ISO form, read as China time.
    static std::string pick(const std::string& tableText, std::string iso) {
        if (!tableText.empty()) return tableText;
        constexpr std::string_view kChina = "+08:00";
        if (iso.size() > kChina.size() &&
            iso.compare(iso.size() - kChina.size(), kChina.size(), kChina) == 0) {
            iso.resize(iso.size() - kChina.size());
        }
        return iso;
    }

    const std::function<void(ListingTexts&&)>& m_sink;
    std::vector<char> m_stack;
    bool m_started = false;
    bool m_inRecord = false;
    std::string m_key;
    Fields m_fields;
};

}  // namespace

std::string isoDateTime(std::string_view gbkText) {
    if (gbkText.empty()) return {};
    const item::DateTime value = dateTimeFromText(gbkText);
    if (value == unreadableDateTime()) return {};
    const item::CivilTime c = item::toCivil(value);
    char out[40];
    std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02d+08:00", c.year, c.month, c.day, c.hour,
                  c.minute, c.second);
    return out;
}

table::ItemRecord itemRecord(const std::string& url, const item::ItemDetails& details) {
    table::ItemRecord row;
    row.url = url;
    row.title = details.title;
    row.seller = details.seller;
    // As in the detail fetch: a time before 2001 means the page gave none.
    if (item::toCivil(details.startTime).year > 2000) row.startTime = item::dateTimeText(details.startTime);
    if (item::toCivil(details.endTime).year > 2000) row.endTime = item::dateTimeText(details.endTime);
    row.minutesLeft = std::to_string(details.minutesLeft);
    row.sales = details.sales;
    row.stock = details.stock;
    row.isMall = text::gbk(details.isMall != 0 ? "真" : "假");
    row.price = details.price;
    row.location = details.location;
    return row;
}

std::string rowJson(const table::ItemRecord& row) {
    return dump(recordJson(row, wholeNumber(row.seq), nullptr));
}

std::string itemJson(const std::string& url, const item::ItemDetails& details) {
    return dump(recordJson(itemRecord(url, details), nullptr, textOrNull(details.message)));
}

void writeTableJson(const std::vector<table::ItemRecord>& rows, std::ostream& out) {
    out << "[";
    for (std::size_t i = 0; i < rows.size(); ++i) out << (i == 0 ? "\n" : ",\n") << rowJson(rows[i]);
    out << "\n]\n";
}

std::string tableJson(const std::vector<table::ItemRecord>& rows) {
    std::ostringstream out;
    writeTableJson(rows, out);
    return std::move(out).str();
}

bool readJsonListings(std::istream& in, const std::function<void(ListingTexts&&)>& sink, std::string& error,
                      JsonReadLimits limits) {
    BoundedJsonBuffer buffer(in.rdbuf(), limits);
    std::istream bounded(&buffer);
    ListingSax sax(sink);
    const bool ok = nlohmann::json::sax_parse(bounded, &sax);
    if (in.bad()) {
        error = "the input could not be read";
        return false;
    }
    if (!buffer.error().empty()) {
        error = buffer.error();
        return false;
    }
    if (!ok) {
        error = sax.error.empty() ? "not JSON" : sax.error;
        return false;
    }
    return true;
}

}  // namespace shelfwatch::report
