#include "AudioFixtures.h"

#include "analysis/SliceSamples.h"
#include "audio/MappingFault.h"
#include "audio/OpenMessages.h"
#include "common/Errors.h"

#include <gtest/gtest.h>

#include <array>
#include <sys/stat.h>
#include <unistd.h>

namespace trx::test {
namespace {

std::vector<std::uint8_t> Mono16(std::size_t samples) {
    WavSpec spec;
    return BuildWav(spec, EncodeSamples(spec, Sine(440.0, 0.5, samples)));
}

std::vector<std::uint8_t> Chunk(const char (&tag)[5], const std::vector<std::uint8_t>& body) {
    ByteWriter w;
    w.Tag(tag);
    w.U32(static_cast<std::uint32_t>(body.size()));
    w.Raw(body);
    return w.bytes;
}

class WavReaderTest : public ::testing::Test {
protected:
    OpenResult OpenBytes(const std::vector<std::uint8_t>& bytes,
                         const std::string& name = "t.wav") {
        const std::string path = dir.File(name);
        WriteBytes(path, bytes);
        return opener.Open(path);
    }

    TempDir dir;
    Opener opener;
};

TEST_F(WavReaderTest, PlainMonoRecordingIsReadInPlaceFromPosition36) {
    const OpenResult result = OpenBytes(Mono16(5000), "song.wav");
    ASSERT_TRUE(result.Ok()) << result.Message;
    EXPECT_EQ(opener.caption, "song.wav");
    EXPECT_FALSE(opener.converted);
    EXPECT_EQ(opener.file.DataOffset, 44u);
    EXPECT_EQ(opener.file.DataSize, 10000u);
    EXPECT_EQ(opener.file.ConvertedBuffer, nullptr);
    const SampleBuffer& buffer = opener.file.Buffer;
    EXPECT_EQ(buffer.Samples, opener.file.MappedView.Data() + 44);
    EXPECT_EQ(buffer.ByteCount, 10000u);
    EXPECT_EQ(buffer.SampleWidth, 2);
    EXPECT_EQ(buffer.ChannelStride, 1);
    EXPECT_EQ(buffer.SliceCount, 2);
}

TEST_F(WavReaderTest, HeaderTagsAreCheckedInOrder) {
    std::vector<std::uint8_t> bytes = Mono16(100);
    bytes[0] = 'X';
    bytes[8] = 'X';
    EXPECT_EQ(OpenBytes(bytes).Message, kNoRiffHeaderMessage);

    bytes = Mono16(100);
    bytes[8] = 'w';
    bytes[12] = 'X';
    EXPECT_EQ(OpenBytes(bytes).Message, kNoWaveHeaderMessage);

    bytes = Mono16(100);
    bytes[15] = '_';
    const OpenResult noFormat = OpenBytes(bytes);
    EXPECT_EQ(noFormat.Outcome, OpenResult::Status::Failed);
    EXPECT_EQ(noFormat.Message, "Invalid WAV file - format header not found");

    EXPECT_EQ(OpenBytes({}).Message, kNoRiffHeaderMessage);
    EXPECT_EQ(OpenBytes({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm'}).Message,
              kNoFormatHeaderMessage);
}

TEST_F(WavReaderTest, ChunkBeforeFormatChunkIsRejected) {
    for (const char* tag : {"JUNK", "LIST"}) {
        WavSpec spec;
        ByteWriter chunk;
        chunk.Raw({static_cast<std::uint8_t>(tag[0]), static_cast<std::uint8_t>(tag[1]),
                   static_cast<std::uint8_t>(tag[2]), static_cast<std::uint8_t>(tag[3])});
        chunk.U32(4);
        chunk.U32(0);
        spec.chunksBeforeFmt = chunk.bytes;
        const OpenResult result =
            OpenBytes(BuildWav(spec, EncodeSamples(spec, Sine(440, 0.5, 4096))));
        EXPECT_EQ(result.Message, kNoFormatHeaderMessage) << tag;
    }
}

TEST_F(WavReaderTest, DataTagInsideAnEarlierChunkIsTakenAsTheData) {
    WavSpec spec;
    // A LIST chunk whose text holds "data" followed by a size of 8.
    spec.chunksBeforeData =
        Chunk("LIST", {'I', 'N', 'F', 'O', 'd', 'a', 't', 'a', 8, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8});
    const OpenResult result = OpenBytes(BuildWav(spec, EncodeSamples(spec, Sine(440, 0.5, 4096))));
    ASSERT_TRUE(result.Ok()) << result.Message;
    EXPECT_EQ(opener.file.DataOffset, 36u + 8u + 4u + 8u);
    EXPECT_EQ(opener.file.DataSize, 8u);
    EXPECT_EQ(opener.file.Buffer.SliceCount, 0);
}

TEST_F(WavReaderTest, DataChunkInTheLast36BytesIsFoundOnlyAtTheFirstPosition) {
    // 20 sample bytes: the file ends 28 bytes after position 36.
    const OpenResult atFirst = OpenBytes(Mono16(10));
    ASSERT_TRUE(atFirst.Ok()) << atFirst.Message;
    EXPECT_EQ(opener.file.DataSize, 20u);
    EXPECT_EQ(opener.file.Buffer.SliceCount, 0);

    // The same data behind an empty chunk starts at 44, past the last
    // position searched (file size 72 - 37 = 35).
    WavSpec spec;
    spec.chunksBeforeData = Chunk("fact", {});
    EXPECT_EQ(OpenBytes(BuildWav(spec, EncodeSamples(spec, Sine(440, 0.5, 10)))).Message,
              kNoDataBlockMessage);
}

TEST_F(WavReaderTest, SearchStartsAtFormatSizeDividedBy8Plus34) {
    std::vector<std::uint8_t> bytes = Mono16(4096);
    // A claimed format chunk of 80 bytes moves the first position to 44,
    // past the data tag at 36; no later "data" exists.
    bytes[16] = 80;
    EXPECT_EQ(OpenBytes(bytes).Message, kNoDataBlockMessage);
    // 18 bytes still start at 36.
    bytes = Mono16(4096);
    bytes[16] = 18;
    EXPECT_TRUE(OpenBytes(bytes).Ok());
}

TEST_F(WavReaderTest, SliceCountDropsTheTrailingPartSlice) {
    ASSERT_TRUE(OpenBytes(Mono16(2048 * 3 + 100)).Ok());
    EXPECT_EQ(opener.file.Buffer.SliceCount, 3);
    ASSERT_TRUE(OpenBytes(Mono16(2047)).Ok());
    EXPECT_EQ(opener.file.Buffer.SliceCount, 0);
}

TEST_F(WavReaderTest, TruncatedFileCountsOnlyTheBytesPresent) {
    WavSpec spec;
    spec.declaredDataSize = 1000000;
    const OpenResult result =
        OpenBytes(BuildWav(spec, EncodeSamples(spec, Sine(440, 0.5, 2048 * 2 + 7))));
    ASSERT_TRUE(result.Ok()) << result.Message;
    EXPECT_EQ(opener.file.DataSize, (2048u * 2 + 7) * 2);
    EXPECT_EQ(opener.file.Buffer.ByteCount, opener.file.DataSize);
    EXPECT_EQ(opener.file.Buffer.SliceCount, 2);

    // Cut right after the data tag: nothing present, whatever is declared.
    std::vector<std::uint8_t> bytes = Mono16(100);
    bytes.resize(42);
    ASSERT_TRUE(OpenBytes(bytes).Ok());
    EXPECT_EQ(opener.file.DataSize, 0u);
    EXPECT_EQ(opener.file.Buffer.SliceCount, 0);
}

TEST_F(WavReaderTest, EightAndThirtyTwoBitMonoAreReadInPlace) {
    WavSpec eight;
    eight.bitsPerSample = 8;
    ASSERT_TRUE(OpenBytes(BuildWav(eight, EncodeSamples(eight, {0.0, 1.0, -1.0}))).Ok());
    EXPECT_FALSE(opener.converted);
    EXPECT_EQ(opener.file.Buffer.SampleWidth, 1);
    EXPECT_EQ(opener.file.Buffer.Samples[0], 128);
    EXPECT_EQ(opener.file.Buffer.Samples[1], 255);

    WavSpec wide;
    wide.bitsPerSample = 32;
    ASSERT_TRUE(OpenBytes(BuildWav(wide, EncodeSamples(wide, Sine(440, 0.5, 2048)))).Ok());
    EXPECT_FALSE(opener.converted);
    EXPECT_EQ(opener.file.Buffer.SampleWidth, 4);
    EXPECT_EQ(opener.file.Buffer.SliceCount, 1);
}

TEST_F(WavReaderTest, TwentyFourBitMonoIsConvertedToSixteenBits) {
    WavSpec spec;
    spec.bitsPerSample = 24;
    ASSERT_TRUE(OpenBytes(BuildWav(spec, EncodeSamples(spec, Sine(440, 0.5, 44100)))).Ok());
    EXPECT_TRUE(opener.converted);
    EXPECT_EQ(opener.file.Buffer.SampleWidth, 2);
    EXPECT_EQ(opener.file.Buffer.ChannelStride, 1);
    EXPECT_EQ(opener.file.Buffer.Samples, opener.file.ConvertedBuffer.get());
    EXPECT_EQ(opener.file.Buffer.SliceCount, 21);
}

TEST_F(WavReaderTest, ZeroChannelsOrRateIsAnErrorNotADivisionByZero) {
    std::vector<std::uint8_t> bytes = Mono16(100);
    bytes[22] = 0;
    EXPECT_THROW((void)OpenBytes(bytes), TremolundrixError);
    bytes = Mono16(100);
    bytes[24] = bytes[25] = 0;
    try {
        (void)OpenBytes(bytes);
        FAIL() << "no error";
    } catch (const TremolundrixError& error) {
        EXPECT_STREQ(error.what(), kZeroChannelsOrRateMessage);
    }
    // A mono 44100 Hz file with a block align of 0 has no sample width to
    // count slices by; in any other file the converter lists no such format.
    bytes = Mono16(100);
    bytes[32] = 0;
    try {
        (void)OpenBytes(bytes);
        FAIL() << "no error";
    } catch (const TremolundrixError& error) {
        EXPECT_STREQ(error.what(), kZeroBlockAlignMessage);
    }
    bytes[24] = 0x22; // 22050 Hz
    bytes[25] = 0x56;
    EXPECT_EQ(OpenBytes(bytes).Message, kNoConverterMessage);
}

TEST_F(WavReaderTest, HeaderCutShortReadsNothingBeyondTheFile) {
    std::vector<std::uint8_t> bytes = Mono16(100);
    bytes.resize(30);
    EXPECT_EQ(OpenBytes(bytes).Message, kNoDataBlockMessage);
    bytes.resize(22);
    EXPECT_THROW((void)OpenBytes(bytes), TremolundrixError);
}

TEST_F(WavReaderTest, UnopenableFilesReportTheSystemError) {
    EXPECT_THROW((void)opener.Open(dir.File("missing.wav")), SystemError);
    EXPECT_TRUE(opener.caption.empty());

    // What is not a regular file is named for what it is.
    const OpenResult folder = opener.Open(dir.Path().string());
    EXPECT_EQ(folder.Outcome, OpenResult::Status::Failed);
    EXPECT_EQ(folder.Message, dir.Path().filename().string() + " is a folder, not a WAV file");
    const std::string fifo = dir.File("live.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(opener.Open(fifo).Message, "live.wav is a named pipe (FIFO), not a WAV file");
    EXPECT_EQ(opener.Open("/dev/zero").Message, "zero is a device, not a WAV file");
}

TEST_F(WavReaderTest, FileShortenedUnderItsMappingFailsTheReadNotTheProcess) {
    ASSERT_TRUE(OpenBytes(Mono16(3 * kSliceLength)).Ok());
    ASSERT_EQ(::truncate(dir.File("t.wav").c_str(), 4096), 0);
    const SampleBuffer& buffer = opener.file.Buffer;
    std::array<float, kSliceLength> window{};
    // Twice: the first fault must leave the guard working for the next.
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            GetSliceSamples(buffer, 2, window);
            ADD_FAILURE() << "no fault";
        } catch (const TremolundrixError& e) {
            EXPECT_STREQ(e.what(), kMappingFaultMessage);
        }
    }
    std::uint8_t byte = 0;
    EXPECT_THROW(CopyFromMapping(&byte, buffer.Samples + 3 * 4096, 1), TremolundrixError);
    CopyFromMapping(&byte, buffer.Samples, 1); // the first page is still there
}

TEST_F(WavReaderTest, CloseDataFileReleasesEverythingInAnyState) {
    int error = -1;
    SoundFile never;
    EXPECT_TRUE(CloseDataFile(never, error));
    EXPECT_EQ(error, 0);

    WavSpec stereo;
    stereo.channels = 2;
    ASSERT_TRUE(
        OpenBytes(BuildWav(stereo, EncodeSamples(stereo, Sine(440, 0.5, 4096, 44100, 2)))).Ok());
    EXPECT_TRUE(CloseDataFile(opener.file, error));
    EXPECT_FALSE(opener.file.IsOpen());
    EXPECT_EQ(opener.file.ConvertedBuffer, nullptr);
    EXPECT_EQ(opener.file.Buffer.Samples, nullptr);
    EXPECT_EQ(opener.file.Buffer.SliceCount, 0);
    EXPECT_TRUE(CloseDataFile(opener.file, error));

    // After a failure, the file is still open until it is closed.
    EXPECT_FALSE(OpenBytes({'R', 'I', 'F', 'X'}).Ok());
    EXPECT_TRUE(opener.file.IsOpen());
    EXPECT_TRUE(CloseDataFile(opener.file, error));
}

} // namespace
} // namespace trx::test
