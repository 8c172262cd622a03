// Reading the marketplace list service's JSON answers by path, the way the
// program's callers name values: "data.cat.catList[2].name". The answer is
// never run as script: it is parsed as JSON and the paths are walked directly,
// which gives the same values for every answer that is JSON and cannot execute
// anything that arrives from the network.
//
// Texts in and out are GBK; the answer crosses to the parser as Unicode, so
// "\uXXXX" escapes decode to their characters. Every failure reads as empty: an
// answer that does not parse (or is too large or too deeply nested to be a list
// service answer) leaves the name undefined, and every read below an undefined
// name, a missing member, a wrong type on the way or an index out of range gives
// "" from getValue and 0 from getLen. Nothing throws.
//
// Value-to-text: a string unchanged; a number in decimal, an integer without
// fraction or exponent ("44"), others in their shortest exact form ("7.5");
// true and false as "true" and "false"; null, objects and arrays as "".
//
// Copies share one set of loaded names (as copies of one engine would); the
// last copy to go releases it. Not thread-safe: one object per thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace shelfwatch::json {

// Answers longer than this, or nested deeper, fail like an invalid answer: a
// list service answer is tens of kilobytes and a few levels deep, and the
// bounds keep a hostile one from costing unbounded memory or stack.
inline constexpr std::size_t kMaxAnswerBytes = 4u << 20;
inline constexpr int kMaxDepth = 256;
inline constexpr std::size_t kMaxValues = 500000;

class ScriptJson {
  public:
    ScriptJson();

    // Defines `name` as the value of `answer` (GBK), replacing an earlier
    // definition of the same name; a failed load leaves the name undefined.
    void load(std::string_view name, std::string_view answer);

    // The value at `path` (GBK) as text (GBK).
    std::string getValue(std::string_view path) const;

    // The length of the value at `path`: the element count of an array, the
    // character count (UTF-16 units) of a string, a "length" member of an object
    // read as a number and truncated toward zero; 0 for anything else.
    int getLen(std::string_view path) const;

  private:
    struct State;
    std::shared_ptr<State> m_state;
};

}  // namespace shelfwatch::json
