#include "editor/KeyScales.h"

#include "common/Constants.h"

namespace trx {
namespace {

// Semitones above the tonic.
constexpr std::array<int, 7> kMajorSteps{0, 2, 4, 5, 7, 9, 11};
constexpr std::array<int, 7> kHarmonicMinorSteps{0, 2, 3, 5, 7, 8, 11};

[[nodiscard]] int PitchClass(int value) {
    const int rest = value % kPitchClasses;
    return rest < 0 ? rest + kPitchClasses : rest;
}

} // namespace

int KeyTonic(int keyIndex) {
    const KeySignature key = KeySignatureOf(keyIndex);
    return PitchClass(7 * key.Sharps - (key.Minor != 0 ? 3 : 0));
}

const std::array<ScaleRow, kKeySignatureCount>& KeyScales() {
    static const std::array<ScaleRow, kKeySignatureCount> scales = [] {
        std::array<ScaleRow, kKeySignatureCount> rows{};
        for (int k = 0; k < kKeySignatureCount; ++k) {
            const auto& steps = KeySignatureOf(k).Minor != 0 ? kHarmonicMinorSteps : kMajorSteps;
            for (const int step : steps)
                rows[static_cast<std::size_t>(k)]
                    [static_cast<std::size_t>(PitchClass(KeyTonic(k) + step))] = true;
        }
        return rows;
    }();
    return scales;
}

int PitchClassOfBin(int bin) {
    return PitchClass(bin + kFirstMidiKey);
}

} // namespace trx
