#include "editor/KeyEstimate.h"

#include "common/Rounding.h"
#include "editor/KeyScales.h"
#include "notes/Extended.h"
#include "notes/NoteList.h"

#include <cstdio>

namespace trx {

std::optional<KeyEstimate> EstimateKey(const TMidiNotes& notes) {
    if (notes.Empty())
        return std::nullopt;

    std::array<std::int64_t, kPitchClasses> perClass{};
    for (std::size_t i = 0; i < notes.Count(); ++i)
        ++perClass[static_cast<std::size_t>(PitchClassOfBin(notes[i].Note))];
    const auto n = static_cast<Extended>(notes.Count());

    KeyEstimate estimate;
    float best = 0.0f;
    const auto& scales = KeyScales();
    for (std::size_t k = 0; k < kKeySignatureCount; ++k) {
        std::int64_t score = 0;
        for (std::size_t c = 0; c < kPitchClasses; ++c)
            if (scales[k][c])
                score += perClass[c];
        const auto percentage = static_cast<float>(static_cast<Extended>(score) * 100 / n);
        estimate.Percentages[k] = percentage;
        // Strictly greater: among equals the lowest index wins, and 0 % never.
        if (percentage > best) {
            best = percentage;
            estimate.BestIndex = static_cast<int>(k);
        }
        const std::string_view name = KeySignatureNames()[k];
        char text[64];
        std::snprintf(text, sizeof text, "%.*s %d%%", static_cast<int>(name.size()), name.data(),
                      static_cast<int>(RoundHalfEven(static_cast<double>(percentage))));
        estimate.EntryTexts[k] = text;
    }
    return estimate;
}

std::optional<KeyEstimate> EstimateKey(TMidiNotes& notes, const FloatMatrix& noteMap,
                                       float noteMapMaximum, std::int32_t firstNoteBin) {
    if (notes.Empty())
        CreateNoteList(noteMap, noteMapMaximum, firstNoteBin, notes);
    return EstimateKey(static_cast<const TMidiNotes&>(notes));
}

} // namespace trx
