#include "editor/NoteRows.h"

#include <gtest/gtest.h>

namespace {

TEST(NoteRows, KeyboardPositionsOfKnownBins) {
    EXPECT_EQ(trx::GetNoteY(0), 507);
    EXPECT_EQ(trx::GetNoteY(3), 491); // the first C, 8 pixels above B
    EXPECT_EQ(trx::GetNoteY(12), 451);
    EXPECT_EQ(trx::GetNoteY(106), 11);
}

TEST(NoteRows, EveryBinsOwnRowMapsBack) {
    for (std::uint16_t bin = 0; bin <= 106; ++bin)
        EXPECT_EQ(trx::GetNoteFromY(static_cast<std::uint16_t>(trx::GetNoteY(bin))), bin) << bin;
}

TEST(NoteRows, EveryPixelRowOfTheCanvasFindsItsNearestRow) {
    struct Band {
        int from, to, row;
    };
    for (const Band& band : {Band{506, 511, 0}, Band{502, 505, 1}, Band{496, 501, 2},
                             Band{10, 13, 106}, Band{5, 9, 107}, Band{0, 4, 108}}) {
        for (int y = band.from; y <= band.to; ++y)
            EXPECT_EQ(trx::GetNoteFromY(static_cast<std::uint16_t>(y)), band.row) << y;
    }
    int previous = 0;
    for (int y = 511; y >= 0; --y) {
        const int row = trx::GetNoteFromY(static_cast<std::uint16_t>(y));
        EXPECT_GE(row, previous) << "rows rise as y falls, at y " << y;
        EXPECT_LE(row - previous, 1) << y;
        previous = row;
    }
}

} // namespace
