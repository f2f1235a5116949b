#include "cli/NpyWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string HeaderText(const std::vector<std::uint8_t>& bytes) {
    const std::size_t length = bytes[8] | (bytes[9] << 8);
    return {reinterpret_cast<const char*>(bytes.data()) + 10, length};
}

TEST(NpyWriter, MapOfThreeSlicesHasAlignedHeaderAndLittleEndianCells) {
    trx::FloatMatrix map(3, 107);
    map(0, 0) = 1.0f;
    map(2, 106) = -0.5f;
    const auto bytes = trx::EncodeNpy(map);

    ASSERT_GE(bytes.size(), 10u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()), 8),
              std::string("\x93NUMPY\x01\x00", 8));
    const std::string header = HeaderText(bytes);
    const std::size_t dataStart = 10 + header.size();
    EXPECT_EQ(dataStart % 64, 0u);
    EXPECT_EQ(header.rfind("{'descr': '<f4', 'fortran_order': False, 'shape': (3, 107), }", 0), 0u);
    EXPECT_EQ(header.back(), '\n');
    EXPECT_EQ(bytes.size(), dataStart + 3 * 107 * 4);

    // 1.0f is 3F800000, -0.5f is BF000000, stored least significant byte first.
    EXPECT_EQ(bytes[dataStart + 2], 0x80);
    EXPECT_EQ(bytes[dataStart + 3], 0x3F);
    const std::size_t last = dataStart + (2 * 107 + 106) * 4;
    EXPECT_EQ(bytes[last + 3], 0xBF);
    EXPECT_EQ(bytes[last + 2], 0x00);
}

TEST(NpyWriter, EmptyAndLongMapsKeepTheShapeAndAlignment) {
    for (const std::int32_t rows : {0, 1292, 12345}) {
        const trx::FloatMatrix map(rows, 107);
        const auto bytes = trx::EncodeNpy(map);
        const std::string header = HeaderText(bytes);
        EXPECT_EQ((10 + header.size()) % 64, 0u) << rows;
        EXPECT_NE(header.find("'shape': (" + std::to_string(rows) + ", 107)"), std::string::npos);
        EXPECT_EQ(bytes.size(), 10 + header.size() + static_cast<std::size_t>(rows) * 107 * 4);
    }
}

} // namespace
