#include "common/AtomicFile.h"
#include "common/Errors.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/trx-atomic-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(AtomicFileTest, ReplacesALongerFileWithoutTrailingBytes) {
    const fs::path target = dir_ / "song.mid";
    std::ofstream(target) << "a much longer old content";
    const std::vector<std::uint8_t> bytes{'n', 'e', 'w'};
    trx::WriteFileAtomically(target.string(), bytes);
    EXPECT_EQ(ReadAll(target), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(AtomicFileTest, FailedReplaceLeavesTheTargetAndNoTemporaryFile) {
    // Renaming a file over a directory fails after the bytes were written.
    const fs::path target = dir_ / "taken";
    fs::create_directory(target);
    std::ofstream(target / "inside") << "kept";
    const std::vector<std::uint8_t> bytes{'x'};
    EXPECT_THROW(trx::WriteFileAtomically(target.string(), bytes), trx::SystemError);
    EXPECT_EQ(ReadAll(target / "inside"), "kept");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(AtomicFileTest, MissingFolderIsReportedWithTheSystemText) {
    const std::vector<std::uint8_t> bytes{'x'};
    try {
        trx::WriteFileAtomically((dir_ / "missing" / "x.mid").string(), bytes);
        FAIL() << "no exception";
    } catch (const trx::SystemError& e) {
        EXPECT_EQ(e.Code(), ENOENT);
        EXPECT_STREQ(e.what(), "No such file or directory");
    }
}

} // namespace
