#include "midi/KeySignatures.h"

namespace trx {

const std::array<std::string_view, kKeySignatureCount>& KeySignatureNames() {
    static const std::array<std::string_view, kKeySignatureCount> names{
        "Cb major (7 flats)",
        "Gb major (6 flats)",
        "Db major (5 flats)",
        "Ab major (4 flats)",
        "Eb major (3 flats)",
        "Bb major (2 flats)",
        "F major (1 flat)",
        "C major",
        "G major (1 sharp)",
        "D major (2 sharps)",
        "A major (3 sharps)",
        "E major (4 sharps)",
        "B major (5 sharps)",
        "F# major (6 sharps)",
        "C# major (7 sharps)",
        "Ab minor (7 flats)",
        "Eb minor (6 flats)",
        "Bb minor (5 flats)",
        "F minor (4 flats)",
        "C minor (3 flats)",
        "G minor (2 flats)",
        "D minor (1 flat)",
        "A minor",
        "E minor (1 sharp)",
        "B minor (2 sharps)",
        "F# minor (3 sharps)",
        "C# minor (4 sharps)",
        "G# minor (5 sharps)",
        "D# minor (6 sharps)",
        "A# minor (7 sharps)",
    };
    return names;
}

KeySignature KeySignatureOf(int keyIndex) {
    if (keyIndex < 0 || keyIndex >= kKeySignatureCount)
        return {};
    return {static_cast<std::int8_t>(keyIndex % 15 - 7), static_cast<std::uint8_t>(keyIndex / 15)};
}

} // namespace trx
