// The write-beside-and-rename helper every table and report writer goes through.
#include "config/atomic_file.h"

#include "support/simulated_market.h"
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace shelfwatch {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = testing::makeTempDir("shelfwatch-atomic-"); }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    std::size_t entries() const {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) ++n;
        return n;
    }

    fs::path dir;
};

TEST_F(AtomicFileTest, ReplacesTheFileOnlyWhenTheWriteSucceeds) {
    const fs::path target = dir / "rows.csv";
    std::ofstream(target) << "old rows";
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    std::string error;

    // A writer whose stream fails part-way (as a full disk makes it) changes nothing.
    EXPECT_FALSE(config::writeFileAtomically(
        target,
        [](std::ostream& out) {
            out << "half of the new ";
            out.setstate(std::ios::badbit);
        },
        error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(testing::readFile(target), "old rows");
    EXPECT_EQ(entries(), 1u);

    ASSERT_TRUE(config::writeFileAtomically(
        target, [](std::ostream& out) { out << "new rows"; }, error))
        << error;
    EXPECT_EQ(testing::readFile(target), "new rows");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(entries(), 1u);
}

TEST_F(AtomicFileTest, RefusesTargetsThatCannotBeWritten) {
    fs::create_directories(dir / "folder.csv");
    std::ofstream(dir / "plain") << "x";
    struct Case {
        fs::path target;
        bool writable;
        const char* reason;
    };
    const Case cases[] = {
        {dir / "new.csv", true, "a new file in an existing folder"},
        {dir / "folder.csv", false, "the target is a folder"},
        {dir / "missing" / "new.csv", false, "the folder does not exist"},
        {dir / "plain" / "new.csv", false, "the folder is a file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        std::string error;
        EXPECT_EQ(config::checkWritableTarget(c.target, error), c.writable) << error;
        EXPECT_EQ(error.empty(), c.writable);
        EXPECT_EQ(config::writeFileAtomically(
                      c.target, [](std::ostream& out) { out << "x"; }, error),
                  c.writable);
        if (c.writable) fs::remove(c.target);
    }
    EXPECT_EQ(entries(), 2u);  // the folder and the plain file, no probe or temporary left
}

}  // namespace
}  // namespace shelfwatch
