#include "common/AtomicFile.h"
#include "common/Errors.h"
#include "common/TempFileCleanup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::size_t FilesIn(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Runs body in a child process that has the cleanup handlers; the signal
// that ended it, or 0 when it exited.
template <class Body>
int SignalEndingChild(Body body) {
    const pid_t child = ::fork();
    if (child == 0) {
        trx::InstallTempFileCleanup();
        body();
        ::_exit(0);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child)
        return -1;
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
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

TEST_F(AtomicFileTest, SpecialFilesAreRefusedAndLinksAreWrittenThrough) {
    const std::vector<std::uint8_t> bytes{'n', 'e', 'w'};
    const fs::path fifo = dir_ / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A link to a device: the device is refused, not the link replaced.
    const fs::path device = dir_ / "null.mid";
    fs::create_symlink("/dev/null", device);
    for (const fs::path& target : {fifo, device}) {
        try {
            trx::WriteFileAtomically(target.string(), bytes);
            ADD_FAILURE() << target << " was replaced";
        } catch (const trx::SystemError& e) {
            ADD_FAILURE() << e.what();
        } catch (const trx::TremolundrixError& e) {
            EXPECT_NE(std::string(e.what()).find(" is a "), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo)));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(device)));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    // A link is followed into the folder of the file it names, and a
    // dangling one creates that file.
    fs::create_directory(dir_ / "real");
    std::ofstream(dir_ / "real" / "song.mid") << "old";
    fs::create_symlink("real/song.mid", dir_ / "link.mid");
    fs::create_symlink("real/new.mid", dir_ / "dangling.mid");
    trx::WriteFileAtomically((dir_ / "link.mid").string(), bytes);
    trx::WriteFileAtomically((dir_ / "dangling.mid").string(), bytes);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir_ / "link.mid")));
    EXPECT_EQ(ReadAll(dir_ / "real" / "song.mid"), "new");
    EXPECT_EQ(ReadAll(dir_ / "real" / "new.mid"), "new");
    EXPECT_EQ(FilesIn(dir_), 5u);
    EXPECT_EQ(FilesIn(dir_ / "real"), 2u);
}

TEST_F(AtomicFileTest, FatalSignalsDuringASaveRemoveTheTemporaryFile) {
    // The file size limit stops the write itself with SIGXFSZ.
    const fs::path target = dir_ / "maps.npy";
    EXPECT_EQ(SignalEndingChild([&] {
                  const rlimit limit{4096, 4096};
                  ::setrlimit(RLIMIT_FSIZE, &limit);
                  trx::WriteFileAtomically(target.string(), std::vector<std::uint8_t>(65536));
              }),
              SIGXFSZ);
    // SIGTERM while a temporary file is registered.
    const fs::path temporary = dir_ / "notes.csv.tmp-ABCDEF";
    EXPECT_EQ(SignalEndingChild([&] {
                  std::ofstream(temporary) << "partial";
                  const trx::RegisteredTempFile registered(temporary.c_str());
                  ::raise(SIGTERM);
              }),
              SIGTERM);
    EXPECT_EQ(FilesIn(dir_), 0u);
}

} // namespace
