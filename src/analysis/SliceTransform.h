#pragma once

#include "analysis/NoteKernels.h"

#include <cstdint>
#include <vector>

namespace trx {

// Slices the transform handles together, sharing each kernel load.
inline constexpr std::int32_t kTransformSlices = 3;
// Slices that share one pass over the kernel table: a call with more makes
// further passes.
inline constexpr std::int32_t kTransformSlicesPerPass = 20 * kTransformSlices;

// The instruction set the transform runs on: at run time the widest one the
// processor has among those compiled in (SSSE3 to AVX-512 on x86, NEON and
// SVE on ARM; a portable fallback everywhere).
struct TransformTarget {
    const char* Name = "";
    // Doubles per vector instruction of the transform (at most 8).
    std::int32_t Lanes = 1;
    // Whether the multiply-adds are fused instructions; the magnitudes are
    // the same either way.
    bool FusedMultiplyAdd = false;
};
[[nodiscard]] TransformTarget ChosenTransformTarget();
// The targets compiled in that this processor can run, as Highway target
// bits: what tests and benchmarks pass to hwy::SetSupportedTargetsForTest
// to run the transform on each of them.
[[nodiscard]] std::vector<std::int64_t> AvailableTransformTargets();

// Transforms count consecutive slices on the chosen target. windows: count x
// 2048 samples, widened to double; rows: count x 107 cells. For each bin b
// from the table's first bin up to 106, with re = sum of window[k] x cos and
// im = -(sum of window[k] x sin) over ascending k in a double accumulator,
// stores the single sqrt(re^2 + im^2) into row[b]; other cells are left
// alone.
void TransformSlices(const NoteKernels& kernels, const double* windows, std::int32_t count,
                     float* rows);

} // namespace trx
