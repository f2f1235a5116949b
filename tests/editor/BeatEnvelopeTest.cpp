#include "editor/BeatEnvelope.h"

#include "common/Constants.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// A 16-bit recording of slices, silent but for full-scale (-1.0) blocks.
struct Recording {
    Recording(std::int32_t slices, std::initializer_list<std::int32_t> loudBlocks)
        : bytes(static_cast<std::size_t>(slices) * trx::kSliceLength * 2) {
        for (const std::int32_t block : loudBlocks)
            for (std::size_t i = 0; i < 256; ++i)
                bytes[(static_cast<std::size_t>(block) * 256 + i) * 2 + 1] = 0x80;
        buffer = {bytes.data(), bytes.size(), 2, 1, slices};
    }
    std::vector<std::uint8_t> bytes;
    trx::SampleBuffer buffer;
};

// Height above the strip's bottom of envelope point w (after the start).
int Height(const trx::BeatEnvelope& envelope, std::size_t w) {
    return 128 - envelope.Points.at(w + 1).Y;
}

TEST(BeatEnvelope, SilenceIsFlatAtTheBottomAlsoPastTheLastSlice) {
    const Recording silence(3, {});
    const trx::BeatEnvelope envelope = trx::ComputeBeatEnvelope(silence.buffer, 0, 64, 128);
    ASSERT_TRUE(envelope.Ok());
    ASSERT_EQ(envelope.Points.size(), 65u * 8 + 1);
    EXPECT_EQ(envelope.Points[0], (trx::BeatEnvelope::Point{0, 128}));
    for (const auto& point : envelope.Points)
        EXPECT_EQ(point.Y, 128);
    // 1.25 pixels a point, halves to even: 2.5 -> 2, 7.5 -> 8.
    EXPECT_EQ(envelope.Points[3].X, 2);
    EXPECT_EQ(envelope.Points[7].X, 8);
    EXPECT_EQ(envelope.Points.back().X, 649);
}

TEST(BeatEnvelope, FullScaleBlockReachesTheTopThenHalvesPerBlockUntilTheViewScrolls) {
    const Recording click(3, {7}); // the last block of slice 0
    const trx::BeatEnvelope envelope = trx::ComputeBeatEnvelope(click.buffer, 0, 2, 128);
    EXPECT_EQ(Height(envelope, 6), 0);
    EXPECT_EQ(Height(envelope, 7), 128); // energy 256
    EXPECT_EQ(Height(envelope, 8), 91);  // 128: into the next slice
    EXPECT_EQ(Height(envelope, 9), 64);  // 64
    EXPECT_EQ(Height(envelope, 10), 45); // 32

    // Scrolled one slice on, the energy starts again from 0.
    const trx::BeatEnvelope scrolled = trx::ComputeBeatEnvelope(click.buffer, 1, 2, 128);
    EXPECT_EQ(Height(scrolled, 0), 0);
}

} // namespace
