#include "analysis/SliceSamples.h"
#include "analysis/SliceTransform.h"

#include <hwy/targets.h>

#include <array>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

using Window = std::array<float, trx::kSliceLength>;

trx::SampleBuffer Buffer(const std::vector<std::uint8_t>& bytes, std::uint16_t width,
                         std::uint16_t stride = 1) {
    return {bytes.data(), bytes.size(), width, stride,
            static_cast<std::int32_t>(bytes.size() / width / trx::kSliceLength)};
}

Window Read(const trx::SampleBuffer& buffer, std::int32_t slice) {
    Window window;
    window.fill(99.0f);
    trx::GetSliceSamples(buffer, slice, window);
    return window;
}

TEST(SliceSamples, EachWidthHasItsScaleAndByteOrder) {
    struct Case {
        std::uint16_t width;
        std::vector<std::uint8_t> head;
        std::vector<float> expected;
    };
    const std::vector<Case> cases{
        {1, {0, 255, 129, 128}, {-0.5f, 255.0f / 256 - 0.5f, 1.0f / 256, 0.0f}},
        {2,
         {0x00, 0x80, 0xff, 0x7f, 0xff, 0xff, 0x01, 0x00},
         {-1.0f, 32767.0f / 32768, -1.0f / 32768, 1.0f / 32768}},
        // 2147483647 / 2^31 rounds to 1 in single.
        {4,
         {0, 0, 0, 0x80, 0xff, 0xff, 0xff, 0x7f, 0, 0, 0, 0x40, 0xff, 0xff, 0xff, 0xff},
         {-1.0f, 1.0f, 0.5f, static_cast<float>(-1.0 / 2147483648.0)}},
    };
    for (const Case& c : cases) {
        // The values sit at the start of the second slice.
        std::vector<std::uint8_t> bytes(2u * trx::kSliceLength * c.width, c.width == 1 ? 128 : 0);
        std::copy(c.head.begin(), c.head.end(), bytes.begin() + trx::kSliceLength * c.width);
        const Window window = Read(Buffer(bytes, c.width), 1);
        for (std::size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(window[i], c.expected[i]) << "width " << c.width << " sample " << i;
        EXPECT_EQ(window.back(), 0.0f);
    }
}

TEST(SliceSamples, StereoDataIsReadOneChannelApart) {
    std::vector<std::uint8_t> bytes(2 * 2 * trx::kSliceLength, 0);
    for (std::size_t frame = 0; frame < trx::kSliceLength; ++frame)
        bytes[4 * frame] = 1; // left 1, right 0
    for (float sample : Read(Buffer(bytes, 2, 2), 0))
        ASSERT_EQ(sample, 1.0f / 32768.0f);
}

TEST(SliceSamples, NothingOutsideTheDataIsRead) {
    const std::vector<std::uint8_t> bytes(2 * trx::kSliceLength, 0x40);
    auto buffer = Buffer(bytes, 2);
    buffer.ByteCount = 101; // a header claiming more than the file holds
    const Window window = Read(buffer, 0);
    EXPECT_EQ(window[49], 0x4040 / 32768.0f);
    EXPECT_EQ(window[50], 0.0f); // its second byte is missing
    EXPECT_EQ(Read(buffer, 5)[0], 0.0f);
    EXPECT_EQ(Read(buffer, -1)[0], 0.0f);
    for (std::uint16_t width : std::initializer_list<std::uint16_t>{0, 3, 8}) {
        buffer.SampleWidth = width;
        buffer.ByteCount = bytes.size();
        for (float sample : Read(buffer, 0))
            ASSERT_EQ(sample, 0.0f) << "width " << width;
    }
}

// The vector conversion on every target, the element-wise one for strided
// and truncated data.
TEST(SliceSamples, TheTransformWindowHoldsTheSameValuesInDouble) {
    std::mt19937 random(5);
    std::vector<std::uint8_t> bytes(3 * 4 * trx::kSliceLength);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(random());
    std::array<double, trx::kSliceLength> window{};
    for (std::int64_t target : trx::AvailableTransformTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        for (std::uint16_t width : std::initializer_list<std::uint16_t>{1, 2, 4}) {
            for (std::uint16_t stride : std::initializer_list<std::uint16_t>{1, 2}) {
                auto buffer = Buffer(bytes, width, stride);
                buffer.ByteCount -= 3; // the last slice is cut short
                for (std::int32_t slice = 0; slice < 3; ++slice) {
                    trx::GetSliceWindow(buffer, slice, window);
                    const Window singles = Read(buffer, slice);
                    for (std::size_t i = 0; i < window.size(); ++i)
                        ASSERT_EQ(window[i], static_cast<double>(singles[i]))
                            << hwy::TargetName(target) << " width " << width << " stride " << stride
                            << " slice " << slice << " sample " << i;
                }
            }
        }
    }
    hwy::SetSupportedTargetsForTest(0);
}

} // namespace
