#pragma once

#include "common/FloatMatrix.h"
#include "midi/KeySignatures.h"
#include "notes/TMidiNotes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace trx {

// How well each of the 30 keys fits a note list.
struct KeyEstimate {
    // Per key index: notes whose pitch class lies in the key's scale, times
    // 100, over all notes; each note counts once whatever its length or
    // velocity.
    std::array<float, kKeySignatureCount> Percentages{};
    // The first key, in index order, whose percentage is strictly greater
    // than every earlier one; -1 when every key scores 0 %.
    int BestIndex = -1;
    // The key list's entry texts: "<name> <percentage rounded>%".
    std::array<std::string, kKeySignatureCount> EntryTexts;

    // The key selection after the estimate: an existing selection (0..29)
    // stays, none (-1) becomes BestIndex.
    [[nodiscard]] int SelectionAfter(int keySelection) const {
        return keySelection >= 0 ? keySelection : BestIndex;
    }
};

// Scores every key against the notes; nothing for an empty list (the texts
// and the selection then stay as they are).
[[nodiscard]] std::optional<KeyEstimate> EstimateKey(const TMidiNotes& notes);

// The same, first rebuilding an empty list from the note map.
[[nodiscard]] std::optional<KeyEstimate> EstimateKey(TMidiNotes& notes, const FloatMatrix& noteMap,
                                                     float noteMapMaximum,
                                                     std::int32_t firstNoteBin);

} // namespace trx
