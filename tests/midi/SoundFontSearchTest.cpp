#include "midi/SoundFontSearch.h"

#include "support/TestWav.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& path) {
    std::ofstream(path) << "sfbk";
}

TEST(SoundFontSearch, EachNameIsSoughtInEveryFolderBeforeTheNextName) {
    const trx::test::TempDir dir;
    const fs::path a = dir.Path() / "a";
    const fs::path b = dir.Path() / "b";
    fs::create_directories(a);
    fs::create_directories(b);
    const std::vector<fs::path> folders{a, b, dir.Path() / "missing"};
    EXPECT_EQ(trx::FindSoundFont(folders), fs::path());
    EXPECT_EQ(trx::FindSoundFont({}), fs::path());

    Touch(a / "TimGM6mb.sf2");
    EXPECT_EQ(trx::FindSoundFont(folders), a / "TimGM6mb.sf2");
    Touch(b / "FluidR3_GM.sf2");
    EXPECT_EQ(trx::FindSoundFont(folders), b / "FluidR3_GM.sf2");
    Touch(a / "FluidR3_GM.sf2");
    EXPECT_EQ(trx::FindSoundFont(folders), a / "FluidR3_GM.sf2");
    // The system's choice left dangling after its package went.
    fs::create_symlink(dir.Path() / "gone.sf2", a / "default-GM.sf2");
    EXPECT_EQ(trx::FindSoundFont(folders), a / "FluidR3_GM.sf2");
    Touch(b / "default-GM.sf2");
    EXPECT_EQ(trx::FindSoundFont(folders), b / "default-GM.sf2");
}

} // namespace
