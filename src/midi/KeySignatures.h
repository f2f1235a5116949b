#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace trx {

inline constexpr int kKeySignatureCount = 30;

// The MIDI key signature of a key: sharps (negative for flats) and 0 for
// major, 1 for minor.
struct KeySignature {
    std::int8_t Sharps = 0;
    std::uint8_t Minor = 0;

    bool operator==(const KeySignature&) const = default;
};

// The 30 keys of the editor's key list: the major keys from 7 flats to 7
// sharps, then the minor keys likewise. The index is the key's identity.
[[nodiscard]] const std::array<std::string_view, kKeySignatureCount>& KeySignatureNames();

// sharps = (index mod 15) - 7, minor = index div 15; an index outside 0..29
// (no key selected) gives C major, 0 and 0.
[[nodiscard]] KeySignature KeySignatureOf(int keyIndex);

} // namespace trx
