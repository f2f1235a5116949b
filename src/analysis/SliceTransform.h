#pragma once

#include "analysis/NoteKernels.h"

#include <array>
#include <cstdint>

namespace trx {

// Instruction sets the transform can run on. Every path gives bit-identical
// magnitudes: each product of two singles is exact in a double, so a fused
// multiply-add rounds exactly like the separate multiply and add.
enum class TransformPath {
    Automatic, // AVX2 with FMA where the processor has it, SSE2 otherwise
    Sse2,
    Avx2,
};

// Slices the transform handles together, sharing each kernel load.
inline constexpr std::int32_t kTransformSlices = 3;

[[nodiscard]] bool CpuHasAvx2Fma();
// The path that will run for a request: Automatic is decided by the
// processor, and Avx2 falls back to Sse2 where it is missing.
[[nodiscard]] TransformPath ResolveTransformPath(TransformPath requested);

// Transforms three slices at the note vectors [vectorBegin, vectorEnd) of the
// kernels' transform table. windows: 2048 samples per slice, widened to
// double. For each bin b of those vectors up to 106, with re = sum of
// window[k] x cos and im = -(sum of window[k] x sin) over ascending k in a
// double accumulator, stores the single sqrt(re^2 + im^2) into rows[s][b]
// (each row 107 cells). path must be resolved (not Automatic).
void TransformSliceGroup(TransformPath path, const NoteKernels& kernels, std::int32_t vectorBegin,
                         std::int32_t vectorEnd,
                         const std::array<const double*, kTransformSlices>& windows,
                         const std::array<float*, kTransformSlices>& rows);

} // namespace trx
