#include "json/script_json.h"

#include "text/gbk_text.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <optional>

namespace shelfwatch::json {

namespace {

using Json = nlohmann::json;

// Depth and value count of a JSON text, from one pass over its structure; false
// as soon as a bound is passed. Strings are skipped whole, so brackets inside
// them do not count.
bool withinBounds(std::string_view utf8) {
    if (utf8.size() > kMaxAnswerBytes) return false;
    int depth = 0;
    std::size_t values = 0;
    bool inString = false;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        switch (c) {
            case '"':
                inString = true;
                break;
            case '{':
            case '[':
                if (++depth > kMaxDepth) return false;
                if (++values > kMaxValues) return false;
                break;
            case '}':
            case ']':
                --depth;
                break;
            case ',':
                if (++values > kMaxValues) return false;
                break;
            default:
                break;
        }
    }
    return true;
}

std::string numberText(const Json& value) {
    if (value.is_number_integer()) return std::to_string(value.get<std::int64_t>());
    if (value.is_number_unsigned()) return std::to_string(value.get<std::uint64_t>());
    const double number = value.get<double>();
    if (number == 0.0) return "0";  // also -0, which script prints as "0"
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::fixed);
    if (result.ec != std::errc()) return {};
    return std::string(buffer, result.ptr);
}

// UTF-16 units of a UTF-8 text: one per character, two for those beyond the BMP.
int utf16Length(std::string_view utf8) {
    std::int64_t units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) == 0x80) continue;
        units += byte >= 0xF0 ? 2 : 1;
    }
    return static_cast<int>(std::min<std::int64_t>(units, std::numeric_limits<int>::max()));
}

// Script's number conversion of a text: blank gives 0, anything but one decimal
// number gives NaN.
double textToNumber(const std::string& utf8) {
    const std::size_t first = utf8.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return 0.0;
    const std::size_t last = utf8.find_last_not_of(" \t\r\n");
    const std::string trimmed = utf8.substr(first, last - first + 1);
    char* end = nullptr;
    const double value = std::strtod(trimmed.c_str(), &end);
    if (end != trimmed.c_str() + trimmed.size()) return std::nan("");
    return value;
}

int truncateToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (value <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

}  // namespace

struct ScriptJson::State {
    std::map<std::string, Json, std::less<>> names;

    // The value `path` names, or null when the path fails anywhere: an unknown
    // name, a missing member, an index out of range, a step into a value that
    // has no members, or a path that is not names and decimal indexes.
    const Json* resolve(std::string_view gbkPath) const {
        const std::string path = text::gbkToUtf8(gbkPath);
        std::size_t pos = path.find_first_of(".[");
        const std::string_view head = std::string_view(path).substr(0, pos);
        const auto found = names.find(head);
        if (head.empty() || found == names.end()) return nullptr;
        const Json* current = &found->second;
        while (pos < path.size()) {
            if (path[pos] == '.') {
                const std::size_t next = path.find_first_of(".[", pos + 1);
                const std::string_view member = std::string_view(path).substr(
                    pos + 1, next == std::string::npos ? std::string::npos : next - pos - 1);
                if (member.empty()) return nullptr;
                current = memberOf(*current, member);
                pos = next == std::string::npos ? path.size() : next;
            } else {  // '['
                const std::size_t close = path.find(']', pos + 1);
                if (close == std::string::npos) return nullptr;
                const std::string_view digits = std::string_view(path).substr(pos + 1, close - pos - 1);
                if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
                    return nullptr;
                }
                current = elementOf(*current, digits);
                pos = close + 1;
                if (pos < path.size() && path[pos] != '.' && path[pos] != '[') return nullptr;
            }
            if (current == nullptr) return nullptr;
        }
        return current;
    }

    static const Json* memberOf(const Json& value, std::string_view member) {
        if (!value.is_object()) return nullptr;
        const auto it = value.find(member);
        return it == value.end() ? nullptr : &*it;
    }

    // Script indexes an object by the index's text, an array by its number.
    static const Json* elementOf(const Json& value, std::string_view digits) {
        if (value.is_object()) return memberOf(value, digits);
        if (!value.is_array()) return nullptr;
        std::size_t index = 0;
        const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), index);
        if (result.ec != std::errc() || index >= value.size()) return nullptr;
        return &value[index];
    }
};

ScriptJson::ScriptJson() : m_state(std::make_shared<State>()) {}

void ScriptJson::load(std::string_view name, std::string_view answer) {
    const std::string key = text::gbkToUtf8(name);
    m_state->names.erase(key);
    if (answer.size() > kMaxAnswerBytes) return;
    const std::string utf8 = text::gbkToUtf8(answer);
    if (!withinBounds(utf8)) return;
    Json value = Json::parse(utf8, nullptr, /*allow_exceptions=*/false);
    if (value.is_discarded()) return;
    m_state->names.emplace(key, std::move(value));
}

std::string ScriptJson::getValue(std::string_view path) const {
    const Json* value = m_state->resolve(path);
    if (value == nullptr) return {};
    switch (value->type()) {
        case Json::value_t::string:
            return text::utf8ToGbk(value->get_ref<const std::string&>());
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
        case Json::value_t::number_float:
            return numberText(*value);
        case Json::value_t::boolean:
            return value->get<bool>() ? "true" : "false";
        default:
            return {};
    }
}

int ScriptJson::getLen(std::string_view path) const {
    const Json* value = m_state->resolve(path);
    if (value == nullptr) return 0;
    if (value->is_array()) {
        return static_cast<int>(std::min<std::size_t>(value->size(), std::numeric_limits<int>::max()));
    }
    if (value->is_string()) return utf16Length(value->get_ref<const std::string&>());
    if (!value->is_object()) return 0;
    const auto length = value->find("length");
    if (length == value->end()) return 0;
    if (length->is_number()) return truncateToInt(length->get<double>());
    if (length->is_string()) return truncateToInt(textToNumber(length->get_ref<const std::string&>()));
    if (length->is_boolean()) return length->get<bool>() ? 1 : 0;
    return 0;
}

}  // namespace shelfwatch::json
