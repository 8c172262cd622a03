#include "config/data_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using shelfwatch::config::takeDataDirOption;

struct OptionCase {
    std::vector<std::string> args;
    std::optional<std::string> value;
    std::vector<std::string> rest;
};

TEST(DataDir, TakesItsOptionOutOfTheArguments) {
    const OptionCase cases[] = {
        {{"task"}, std::nullopt, {"task"}},
        {{"--data-dir", "/d", "fetch", "u"}, "/d", {"fetch", "u"}},
        {{"fetch", "--data-dir=/x y", "u"}, "/x y", {"fetch", "u"}},
        {{"--data-dir", "/a", "--data-dir=/b", "item"}, "/b", {"item"}},
        // Without its value the option stays, so the command line reads as bad.
        {{"item", "--data-dir"}, std::nullopt, {"item", "--data-dir"}},
    };
    for (const OptionCase& c : cases) {
        std::vector<std::string> args = c.args;
        const std::optional<fs::path> value = takeDataDirOption(args);
        EXPECT_EQ(value.has_value(), c.value.has_value());
        if (value && c.value) {
            EXPECT_EQ(*value, fs::path(*c.value));
        }
        EXPECT_EQ(args, c.rest);
    }
}

TEST(DataDir, OverrideIsCreatedAndOtherwiseTheProgramDirIsUsed) {
    const fs::path dir =
        fs::temp_directory_path() / ("data-dir-test-" + std::to_string(std::random_device{}())) / "sub";
    EXPECT_EQ(shelfwatch::config::resolveDataDir(dir), dir);
    EXPECT_TRUE(fs::is_directory(dir));
    fs::remove_all(dir.parent_path());
    // The test binary's own folder is writable here.
    EXPECT_EQ(shelfwatch::config::resolveDataDir(std::nullopt), shelfwatch::config::programDir());
    EXPECT_EQ(shelfwatch::config::programDir(), fs::path(SHELFWATCH_BIN_DIR));
}

}  // namespace
