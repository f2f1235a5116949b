#include "midi/TMidiFile.h"

#include "MidiBytes.h"
#include "common/Errors.h"
#include "midi/ByteBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using trx::TMidiFile;
using trx::test::Bytes;
using trx::test::MakeBytes;

Bytes ExpectedConductor(const std::string& name, int sf, int mi) {
    Bytes bytes;
    trx::test::Append(bytes, "MThd");
    trx::test::Append(bytes, {0, 0, 0, 6, 0, 1, 0, 2, 0, 8});
    trx::test::Append(bytes, "MTrk");
    trx::test::Append(bytes, {0, 0, 0, 90 + static_cast<int>(name.size())});
    trx::test::Append(bytes, {0, 0xFF, 0x03, static_cast<int>(name.size())});
    trx::test::Append(bytes, name);
    trx::test::Append(bytes, {0, 0xFF, 0x02, 0x18});
    trx::test::Append(bytes, "Copyright (C) unassigned");
    trx::test::Append(bytes, {0, 0xFF, 0x01, 0x1D});
    trx::test::Append(bytes, "Sequenced using Tremolundrix\n");
    trx::test::Append(bytes, {0, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x20, 0x08});
    trx::test::Append(bytes, {0, 0xFF, 0x59, 0x02, sf, mi});
    trx::test::Append(bytes, {0, 0xFF, 0x51, 0x03, 0x05, 0xAB, 0x40});
    trx::test::Append(bytes, {0, 0xFF, 0x2F, 0x00});
    return bytes;
}

// The note track's events after the port event.
Bytes EventsAfterPort(const TMidiFile& file) {
    const Bytes body = trx::test::NoteTrackBody(file.FileBytes());
    EXPECT_EQ(Bytes(body.begin(), body.begin() + 5), MakeBytes({0x00, 0xFF, 0x21, 0x01, 0x00}));
    return Bytes(body.begin() + 5, body.end());
}

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("trx-midi-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::filesystem::path folder_;
};

TEST(MidiFileWriter, EmptyConversionIsHeaderConductorAndNineByteNoteTrack) {
    TMidiFile file("song.mid", -1);
    file.WriteTrackVarLen(0);
    file.WriteTrackString("\xFF\x2F");
    file.WriteTrackByte(0);
    Bytes expected = ExpectedConductor("song.mid", 0, 0);
    trx::test::Append(expected, "MTrk");
    trx::test::Append(expected, {0, 0, 0, 9, 0x00, 0xFF, 0x21, 0x01, 0x00, 0x00, 0xFF, 0x2F, 0x00});
    EXPECT_EQ(file.FileBytes(), expected);
}

TEST(MidiFileWriter, KeySignatureFollowsTheSelectedKey) {
    struct Case {
        int key, sf, mi;
    };
    for (const Case c : {Case{-1, 0, 0}, {0, 0xF9, 0}, {7, 0, 0}, {22, 0, 1}, {29, 7, 1}}) {
        const Bytes bytes = TMidiFile("k.mid", c.key).FileBytes();
        const Bytes expected = ExpectedConductor("k.mid", c.sf, c.mi);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin())) << c.key;
    }
}

TEST(MidiFileWriter, LongNameTakesATwoByteLength) {
    const std::string name(130, 'n');
    const Bytes bytes = TMidiFile(name, -1).FileBytes();
    EXPECT_EQ(trx::test::ReadLong(bytes, 18), 90u + 130u + 1u);
    EXPECT_EQ(Bytes(bytes.begin() + 22, bytes.begin() + 27),
              MakeBytes({0, 0xFF, 0x03, 0x81, 0x02}));
    EXPECT_EQ(std::string(bytes.begin() + 27, bytes.begin() + 157), name);
    EXPECT_EQ(bytes[157], 0) << "the copyright event follows";
}

TEST(MidiFileWriter, VariableLengthQuantitiesUseTheFewestGroups) {
    struct Case {
        std::uint32_t value;
        Bytes bytes;
    };
    const Case cases[] = {{0, MakeBytes({0x00})},
                          {127, MakeBytes({0x7F})},
                          {128, MakeBytes({0x81, 0x00})},
                          {16383, MakeBytes({0xFF, 0x7F})},
                          {16384, MakeBytes({0x81, 0x80, 0x00})},
                          {2097152, MakeBytes({0x81, 0x80, 0x80, 0x00})},
                          {(1u << 28) - 1, MakeBytes({0xFF, 0xFF, 0xFF, 0x7F})}};
    for (const Case& c : cases) {
        TMidiFile file("v.mid", -1);
        file.WriteTrackVarLen(c.value);
        EXPECT_EQ(EventsAfterPort(file), c.bytes) << c.value;
    }
    TMidiFile file("v.mid", -1);
    EXPECT_THROW(file.WriteTrackVarLen(1u << 28), trx::TremolundrixError);
}

TEST(MidiFileWriter, BuffersGrowBy32768Bytes) {
    trx::ByteBuffer buffer;
    EXPECT_EQ(buffer.Capacity(), 32768u);
    for (int i = 0; i < 32768; ++i)
        buffer.Append(static_cast<std::uint8_t>(i));
    EXPECT_EQ(buffer.Capacity(), 32768u);
    buffer.Append(1);
    EXPECT_EQ(buffer.Capacity(), 65536u);
    EXPECT_EQ(buffer.Size(), 32769u);
    EXPECT_EQ(buffer.Bytes()[32767], 0xFF);

    TMidiFile file("big.mid", -1);
    for (int i = 0; i < 100000; ++i)
        file.WriteTrackByte(0x42);
    const Bytes bytes = file.FileBytes();
    EXPECT_EQ(trx::test::ReadLong(bytes, trx::test::NoteTrackOffset(bytes) + 4), 100005u);
}

using MidiFileSaving = TempFolder;

TEST_F(MidiFileSaving, SavedFileHoldsExactlyTheBytesEvenOverALongerFile) {
    const std::string path = (folder_ / "out.mid").string();
    {
        std::ofstream longer(path, std::ios::binary);
        longer << std::string(5000, 'z');
    }
    TMidiFile file(path, 3);
    file.WriteTrackVarLen(0);
    file.WriteTrackString("\xFF\x2F");
    file.WriteTrackByte(0);
    file.SaveToFile();
    const Bytes first = trx::test::ReadFileBytes(path);
    EXPECT_EQ(first, file.FileBytes());

    file.SaveToFile();
    EXPECT_EQ(trx::test::ReadFileBytes(path), first) << "saving twice gives the same file";
}

TEST_F(MidiFileSaving, UnwritableFolderThrowsAndLeavesNoFile) {
    const std::string path = (folder_ / "missing" / "out.mid").string();
    TMidiFile file(path, -1);
    EXPECT_THROW(file.SaveToFile(), trx::SystemError);
    EXPECT_FALSE(std::filesystem::exists(path));
}

} // namespace
