#include "AudioFixtures.h"

#include "common/Constants.h"
#include "common/Errors.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace trx::test {
namespace {

// Inputs that once crashed or hung the reader or a converter. Each must open
// or fail with a message, and every byte the buffer claims must be readable.
TEST(FuzzRegressionTest, StoredInputsOpenOrFailCleanly) {
    const std::filesystem::path folder = std::filesystem::path(TREMOLUNDRIX_TEST_DATA) / "audio";
    ASSERT_TRUE(std::filesystem::is_directory(folder));
    std::size_t replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".wav")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++replayed;
        Opener opener;
        try {
            const OpenResult result = opener.Open(entry.path().string());
            if (!result.Ok()) {
                EXPECT_FALSE(result.Message.empty());
                continue;
            }
        } catch (const TremolundrixError&) {
            continue;
        }
        const SampleBuffer& buffer = opener.file.Buffer;
        const std::uint64_t needed = static_cast<std::uint64_t>(buffer.SliceCount) * kSliceLength *
                                     buffer.SampleWidth * buffer.ChannelStride;
        EXPECT_LE(needed, buffer.ByteCount);
        unsigned sum = 0;
        for (std::size_t i = 0; i < buffer.ByteCount; ++i)
            sum += buffer.Samples[i];
        (void)sum;
    }
    EXPECT_GT(replayed, 0u);
}

} // namespace
} // namespace trx::test
