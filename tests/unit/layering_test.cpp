// The core's module rule, checked on the source tree: every quoted #include in
// src/core names a header of the file's own module or of a module it may use.
// Modules are listed bottom-up; a new module folder must be added here with the
// modules it may include, and a folder this test does not know fails it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Allowed = std::map<std::string, std::set<std::string>>;

const Allowed& allowedIncludes() {
    static const Allowed allowed = [] {
        Allowed a;
        a["text"] = {};
        a["config"] = {"text"};
        a["net"] = {"config", "text"};
        a["item"] = {"net", "config", "text"};
        a["table"] = {"text"};
        a["panel"] = {"text"};
        a["json"] = {"text"};
        a["search"] = {"text", "config", "net", "item", "table", "panel", "json"};
        a["category"] = a["search"];
        a["category"].insert("search");
        a["report"] = {"table", "item", "panel", "config", "text"};
        a["collect"] = {"net", "item", "table", "panel", "config", "text"};
        a["history"] = {"report", "table", "item", "config", "text"};
        a["task"] = a["category"];
        a["task"].insert({"category", "report", "collect", "history"});
        // The composition root sees every module; nothing includes it.
        for (const auto& [module, uses] : a) a["app"].insert(module);
        return a;
    }();
    return allowed;
}

struct Violation {
    std::string file;
    std::string include;
};

// Quoted includes of `source`, e.g. "net/page_fetcher.h".
std::vector<std::string> quotedIncludes(const std::string& source) {
    static const std::regex includeLine(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::vector<std::string> found;
    std::size_t start = 0;
    while (start < source.size()) {
        std::size_t end = source.find('\n', start);
        if (end == std::string::npos) end = source.size();
        std::smatch match;
        const std::string line = source.substr(start, end - start);
        if (std::regex_search(line, match, includeLine)) found.push_back(match[1]);
        start = end + 1;
    }
    return found;
}

// The verdict on one include of a file in `module`; empty when it is allowed.
std::string checkInclude(const std::string& module, const std::string& include) {
    const auto rule = allowedIncludes().find(module);
    if (rule == allowedIncludes().end()) return "unknown module folder " + module;
    const std::size_t slash = include.find('/');
    if (slash == std::string::npos) return "include without a module folder";
    const std::string target = include.substr(0, slash);
    if (target == module || rule->second.count(target) != 0) return {};
    return module + " may not include " + target;
}

std::vector<Violation> scanCore(const fs::path& coreDir) {
    std::vector<Violation> violations;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(coreDir)) {
        const fs::path path = entry.path();
        if (!entry.is_regular_file() || (path.extension() != ".h" && path.extension() != ".cpp")) continue;
        const fs::path relative = fs::relative(path, coreDir);
        const std::string module = relative.begin()->string();
        if (relative.begin() == relative.end() || std::next(relative.begin()) == relative.end()) {
            violations.push_back({relative.generic_string(), "(a file outside the module folders)"});
            continue;
        }
        std::ifstream in(path, std::ios::binary);
        const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (const std::string& include : quotedIncludes(source)) {
            const std::string verdict = checkInclude(module, include);
            if (!verdict.empty()) violations.push_back({relative.generic_string(), include + ": " + verdict});
        }
    }
    return violations;
}

TEST(Layering, RuleCatchesUpwardAndUnknownIncludes) {
    struct Case {
        const char* why;
        const char* module;
        const char* include;
        bool allowed;
    };
    const Case cases[] = {
        {"own module", "search", "search/detail_fetch.h", true},
        {"a module below", "search", "net/page_fetcher.h", true},
        {"text is the bottom", "text", "config/ini_file.h", false},
        {"the old loop: net used the settings of app", "net", "app/ini_file.h", false},
        {"the old loop: report used the panel of app", "report", "app/main_panel.h", false},
        {"nothing includes the composition root", "search", "app/app.h", false},
        {"search is below category", "search", "category/category_query.h", false},
        {"report is not below search", "search", "report/excel_export.h", false},
        {"widgets stay out of the core", "report", "gui/main_window.h", false},
        {"the simulator stays out of the core", "item", "market_sim.h", false},
        {"an unknown folder is not a module", "widgets", "text/gbk_text.h", false},
        {"the root may use anything", "app", "task/task_run.h", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(checkInclude(c.module, c.include).empty(), c.allowed) << c.why;
    }
}

TEST(Layering, AllowedIncludesFormNoLoop) {
    for (const auto& [module, uses] : allowedIncludes()) {
        for (const std::string& used : uses) {
            const auto back = allowedIncludes().find(used);
            ASSERT_NE(back, allowedIncludes().end()) << module << " uses unknown " << used;
            EXPECT_EQ(back->second.count(module), 0u) << module << " and " << used << " use each other";
        }
    }
}

TEST(Layering, CoreTreeFollowsTheRule) {
    const fs::path coreDir = fs::path(SHELFWATCH_SOURCE_DIR) / "src" / "core";
    ASSERT_TRUE(fs::is_directory(coreDir)) << coreDir;
    const std::vector<Violation> violations = scanCore(coreDir);
    for (const Violation& v : violations) ADD_FAILURE() << v.file << " includes " << v.include;
    // The scan saw the tree: the core has many includes, and the rule must have judged them.
    EXPECT_FALSE(quotedIncludes("#include \"text/gbk_text.h\"\n").empty());
}

}  // namespace
