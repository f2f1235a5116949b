#include "midi/KeySignatures.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(KeySignatures, ListRunsFromSevenFlatsToSevenSharpsMajorThenMinor) {
    const auto& names = trx::KeySignatureNames();
    EXPECT_EQ(names[0], "Cb major (7 flats)");
    EXPECT_EQ(names[7], "C major");
    EXPECT_EQ(names[14], "C# major (7 sharps)");
    EXPECT_EQ(names[15], "Ab minor (7 flats)");
    EXPECT_EQ(names[22], "A minor");
    EXPECT_EQ(names[29], "A# minor (7 sharps)");
    EXPECT_EQ(std::set<std::string_view>(names.begin(), names.end()).size(), 30u);
}

TEST(KeySignatures, EveryNameAgreesWithItsSignature) {
    // The accidentals and the mode written in each name match sf and mi.
    const auto& names = trx::KeySignatureNames();
    for (int k = 0; k < trx::kKeySignatureCount; ++k) {
        const std::string name(names[static_cast<std::size_t>(k)]);
        const trx::KeySignature key = trx::KeySignatureOf(k);
        int sharps = 0;
        if (const auto open = name.find('('); open != std::string::npos) {
            const int count = name[open + 1] - '0';
            const bool flats = name.find("flat", open) != std::string::npos;
            sharps = flats ? -count : count;
        }
        EXPECT_EQ(key.Sharps, sharps) << name;
        EXPECT_EQ(key.Minor, name.find("minor") != std::string::npos ? 1 : 0) << name;
    }
}

} // namespace
