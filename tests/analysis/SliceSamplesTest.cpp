#include "analysis/SliceSamples.h"

#include <array>
#include <gtest/gtest.h>
#include <vector>

namespace {

using Window = std::array<float, trx::kSliceLength>;

trx::SampleBuffer Buffer(const std::vector<std::uint8_t>& bytes, std::uint16_t width,
                         std::uint16_t stride = 1) {
    trx::SampleBuffer buffer;
    buffer.Samples = bytes.data();
    buffer.ByteCount = bytes.size();
    buffer.SampleWidth = width;
    buffer.ChannelStride = stride;
    buffer.SliceCount = static_cast<std::int32_t>(bytes.size() / width / trx::kSliceLength);
    return buffer;
}

Window Read(const trx::SampleBuffer& buffer, std::int32_t slice) {
    Window window;
    window.fill(99.0f);
    trx::GetSliceSamples(buffer, slice, window);
    return window;
}

TEST(SliceSamples, EightBitSamplesAreUnsignedAroundTheMiddle) {
    std::vector<std::uint8_t> bytes(2 * trx::kSliceLength, 128);
    bytes[2048] = 0;
    bytes[2049] = 255;
    bytes[2050] = 129;
    const Window second = Read(Buffer(bytes, 1), 1);
    EXPECT_EQ(second[0], -0.5f);
    EXPECT_EQ(second[1], 255.0f / 256.0f - 0.5f);
    EXPECT_EQ(second[2], 1.0f / 256.0f);
    EXPECT_EQ(second[3], 0.0f);
}

TEST(SliceSamples, SixteenBitSamplesAreSignedLittleEndian) {
    std::vector<std::uint8_t> bytes(2 * trx::kSliceLength, 0);
    const std::vector<std::uint8_t> samples{0x00, 0x80, 0xff, 0x7f, 0xff, 0xff, 0x01, 0x00};
    std::copy(samples.begin(), samples.end(), bytes.begin());
    const Window first = Read(Buffer(bytes, 2), 0);
    EXPECT_EQ(first[0], -1.0f);
    EXPECT_EQ(first[1], 32767.0f / 32768.0f);
    EXPECT_EQ(first[2], -1.0f / 32768.0f);
    EXPECT_EQ(first[3], 1.0f / 32768.0f);
    EXPECT_EQ(first[4], 0.0f);
}

TEST(SliceSamples, ThirtyTwoBitSamplesUseTheFullRange) {
    std::vector<std::uint8_t> bytes(4 * trx::kSliceLength, 0);
    const std::vector<std::uint8_t> samples{0x00, 0x00, 0x00, 0x80, 0xff, 0xff, 0xff, 0x7f,
                                            0x00, 0x00, 0x00, 0x40, 0xff, 0xff, 0xff, 0xff};
    std::copy(samples.begin(), samples.end(), bytes.begin());
    const Window first = Read(Buffer(bytes, 4), 0);
    EXPECT_EQ(first[0], -1.0f);
    EXPECT_EQ(first[1], 1.0f); // 2147483647 / 2^31 rounds up to 1 in single
    EXPECT_EQ(first[2], 0.5f);
    EXPECT_EQ(first[3], static_cast<float>(-1.0 / 2147483648.0));
}

TEST(SliceSamples, SlicesFollowEachOtherWithoutOverlap) {
    std::vector<std::uint8_t> bytes(3 * 2 * trx::kSliceLength);
    for (std::size_t i = 0; i < bytes.size() / 2; ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(i / trx::kSliceLength);
        bytes[2 * i + 1] = 0;
    }
    const auto buffer = Buffer(bytes, 2);
    for (int slice = 0; slice < 3; ++slice) {
        const Window window = Read(buffer, slice);
        EXPECT_EQ(window.front(), slice / 32768.0f);
        EXPECT_EQ(window.back(), slice / 32768.0f);
    }
}

TEST(SliceSamples, ChannelStrideSkipsTheOtherChannels) {
    std::vector<std::uint8_t> bytes(2 * 2 * trx::kSliceLength, 0);
    for (std::size_t frame = 0; frame < 2 * trx::kSliceLength / 2; ++frame)
        bytes[4 * frame] = 1; // left channel 1, right channel 0
    const Window window = Read(Buffer(bytes, 2, 2), 0);
    for (float sample : window)
        ASSERT_EQ(sample, 1.0f / 32768.0f);
}

TEST(SliceSamples, NothingBeyondTheBytesPresentIsRead) {
    std::vector<std::uint8_t> bytes(2 * trx::kSliceLength, 0x40);
    auto buffer = Buffer(bytes, 2);
    buffer.ByteCount = 101; // a header claiming more than the file holds
    const Window window = Read(buffer, 0);
    EXPECT_EQ(window[49], 0x4040 / 32768.0f);
    EXPECT_EQ(window[50], 0.0f); // its second byte is missing
    EXPECT_EQ(window[2047], 0.0f);
    EXPECT_EQ(Read(buffer, 5)[0], 0.0f);
    EXPECT_EQ(Read(buffer, -1)[0], 0.0f);
}

TEST(SliceSamples, UnsupportedWidthsGiveSilence) {
    const std::vector<std::uint8_t> bytes(3 * trx::kSliceLength, 0x55);
    for (std::uint16_t width : {0, 3, 8}) {
        auto buffer = Buffer(bytes, 1);
        buffer.SampleWidth = width;
        for (float sample : Read(buffer, 0))
            ASSERT_EQ(sample, 0.0f) << width;
    }
}

} // namespace
