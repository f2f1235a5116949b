// The transform kernel, written once and compiled by Highway for every target
// (foreach_target re-includes this file once per instruction set); the
// processor's widest one is chosen at run time.
//
// Every target gives the same magnitudes, bit for bit, as the plain loop
// with std::fma in ascending sample order: a product of two singles is exact
// in a double, so the fused multiply-add of the targets that have one
// (AVX2, AVX-512, NEON on 64-bit ARM, SVE) and the separate multiply and add
// of those that have none (SSSE3, SSE4, the portable EMU128 and SCALAR) both
// round once, the same way. Each bin keeps one double accumulator that
// takes its products in ascending sample order, whatever the blocking.

// clang-format off
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "analysis/SliceTransform.cpp"
#include <hwy/foreach_target.h>
// clang-format on
#include <hwy/highway.h>

#include "analysis/SliceTransform.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

HWY_BEFORE_NAMESPACE();
namespace trx::HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

constexpr std::size_t kBlockBins = NoteKernels::kBlockBins;
// Doubles per sample of one table block: eight cosines, eight sines.
constexpr std::size_t kSampleStride = 2 * kBlockBins;
constexpr std::size_t kBlockStride = static_cast<std::size_t>(kSliceLength) * kSampleStride;
constexpr std::size_t kSlices = kTransformSlices;

// Cache blocking. The table (13 blocks of 256 KB for 99 bins: 3.4 MB) does
// not fit a 1-2 MB second-level cache, so it is cut into tiles of 16 bins x
// 128 samples (32 KB, the size of a first-level cache), and each tile serves
// every group of the call while it is cached; the sums of a chunk of 16 bins
// stay in memory between tiles, so every accumulator still takes its samples
// in ascending order. Bytes read per slice, with P slices per call
// (AnalyseWave gives each thread kTransformSlicesPerPass = 60 per batch):
// - table from the outer caches or memory: 3.4 MB / P (57 KB at P = 60);
// - table from the first-level cache: 3.4 MB / 3 (1.1 MB), once per group;
// - window: 16 KB per chunk of 16 bins (7 chunks: 112 KB), from the
//   second-level cache while the call's windows (P x 16 KB) stay there;
// - sums: 768 bytes per group, chunk and tile (29 KB per slice), read and
//   written back in the first-level cache.
constexpr std::size_t kChunkColumns = 16;
constexpr std::size_t kTileSamples = 128;
// Groups whose sums are held at once (15 KB).
constexpr std::size_t kMaxGroups = kTransformSlicesPerPass / kTransformSlices;
// The sums of one group for one chunk: [slice][cosine, sine][column].
constexpr std::size_t kSineSums = kChunkColumns;
constexpr std::size_t kSliceSums = 2 * kChunkColumns;
constexpr std::size_t kGroupSums = kSlices * kSliceSums;

#if HWY_HAVE_FLOAT64
// Eight lanes at most: one table block per vector on AVX-512.
using Tag = hn::CappedTag<double, kBlockBins>;
using hn::Lanes;
using hn::Load;
using hn::MulAdd;
using hn::Set;
using hn::Store;
using hn::Zero;
#else
// Targets without double vectors (32-bit ARM) use one double at a time.
struct Tag {};
inline std::size_t Lanes(Tag /*d*/) {
    return 1;
}
inline double Load(Tag /*d*/, const double* p) {
    return *p;
}
inline double Set(Tag /*d*/, double x) {
    return x;
}
inline double Zero(Tag /*d*/) {
    return 0.0;
}
inline double MulAdd(double mul, double x, double add) {
    return mul * x + add;
}
inline void Store(double v, Tag /*d*/, double* p) {
    *p = v;
}
#endif

// Targets with 32 vector registers: there the twelve accumulators, the
// kernel vectors and the broadcast samples all fit, with room to spare.
// With 16 (SSE4, AVX2) the compiler takes the kernels from memory in the
// multiply-adds instead, and the last column of a chunk runs alone.
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL || HWY_ARCH_ARM
constexpr bool kManyRegisters = true;
#else
constexpr bool kManyRegisters = false;
#endif

#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
// Without this the compiler reads each kernel vector three times from
// memory, which holds the AVX-512 loop to the first-level cache's bandwidth.
template <class V>
HWY_INLINE void KeepInRegister(V& v) {
    asm("" : "+v"(v.raw));
}
#else
template <class V>
HWY_INLINE void KeepInRegister(V& /*v*/) {}
#endif

// Column c of the table (bin TransformFirstBin + c) at sample 0.
inline const double* Column(const double* table, std::size_t c) {
    return table + c / kBlockBins * kBlockStride + c % kBlockBins;
}

// What one call of AccumulateUnit works on: the table columns at sample 0,
// the windows of a group of three slices and their sums for those columns.
struct UnitHalf {
    const double* Kernel;
    const double* Windows[kSlices];
    double* Sums;
};

enum class UnitShape {
    Single,     // Lanes columns of one group: six accumulators
    TwoColumns, // 2 x Lanes columns of one group (b: the next columns)
    TwoGroups,  // Lanes columns of two groups (b: the next group)
};

// Adds samples [k0, k0 + kTileSamples) to the sums of a and, unless Single,
// of b. Twelve accumulators hide the latency of the multiply-adds; each
// kernel load serves three or six slices, each broadcast sample one or two
// vectors.
template <UnitShape kShape>
HWY_INLINE void AccumulateUnit(Tag d, const UnitHalf& a, const UnitHalf& b, std::size_t k0) {
    constexpr bool kTwo = kShape != UnitShape::Single;
    const double* HWY_RESTRICT windowA0 = a.Windows[0];
    const double* HWY_RESTRICT windowA1 = a.Windows[1];
    const double* HWY_RESTRICT windowA2 = a.Windows[2];
    const double* HWY_RESTRICT windowB0 = b.Windows[0];
    const double* HWY_RESTRICT windowB1 = b.Windows[1];
    const double* HWY_RESTRICT windowB2 = b.Windows[2];
    const double* HWY_RESTRICT tableA = a.Kernel;
    const double* HWY_RESTRICT tableB = b.Kernel;
    double* HWY_RESTRICT sumsA = a.Sums;
    double* HWY_RESTRICT sumsB = b.Sums;
    auto cos0a = Load(d, sumsA);
    auto sin0a = Load(d, sumsA + kSineSums);
    auto cos1a = Load(d, sumsA + kSliceSums);
    auto sin1a = Load(d, sumsA + kSliceSums + kSineSums);
    auto cos2a = Load(d, sumsA + 2 * kSliceSums);
    auto sin2a = Load(d, sumsA + 2 * kSliceSums + kSineSums);
    auto cos0b = Zero(d);
    auto sin0b = Zero(d);
    auto cos1b = Zero(d);
    auto sin1b = Zero(d);
    auto cos2b = Zero(d);
    auto sin2b = Zero(d);
    if constexpr (kTwo) {
        cos0b = Load(d, sumsB);
        sin0b = Load(d, sumsB + kSineSums);
        cos1b = Load(d, sumsB + kSliceSums);
        sin1b = Load(d, sumsB + kSliceSums + kSineSums);
        cos2b = Load(d, sumsB + 2 * kSliceSums);
        sin2b = Load(d, sumsB + 2 * kSliceSums + kSineSums);
    }
    for (std::size_t k = k0; k < k0 + kTileSamples; ++k) {
        const auto w0 = Set(d, windowA0[k]);
        const auto w1 = Set(d, windowA1[k]);
        const auto w2 = Set(d, windowA2[k]);
        // One kernel vector at a time serves its three slices, so that no
        // more than one is live beside the accumulators and the samples.
        const double* kernelA = tableA + k * kSampleStride;
        auto cosA = Load(d, kernelA);
        KeepInRegister(cosA);
        cos0a = MulAdd(w0, cosA, cos0a);
        cos1a = MulAdd(w1, cosA, cos1a);
        cos2a = MulAdd(w2, cosA, cos2a);
        auto sinA = Load(d, kernelA + kBlockBins);
        KeepInRegister(sinA);
        sin0a = MulAdd(w0, sinA, sin0a);
        sin1a = MulAdd(w1, sinA, sin1a);
        sin2a = MulAdd(w2, sinA, sin2a);
        if constexpr (kShape == UnitShape::TwoColumns) {
            const double* kernelB = tableB + k * kSampleStride;
            auto cosB = Load(d, kernelB);
            KeepInRegister(cosB);
            cos0b = MulAdd(w0, cosB, cos0b);
            cos1b = MulAdd(w1, cosB, cos1b);
            cos2b = MulAdd(w2, cosB, cos2b);
            auto sinB = Load(d, kernelB + kBlockBins);
            KeepInRegister(sinB);
            sin0b = MulAdd(w0, sinB, sin0b);
            sin1b = MulAdd(w1, sinB, sin1b);
            sin2b = MulAdd(w2, sinB, sin2b);
        } else if constexpr (kShape == UnitShape::TwoGroups) {
            const auto v0 = Set(d, windowB0[k]);
            const auto v1 = Set(d, windowB1[k]);
            const auto v2 = Set(d, windowB2[k]);
            cos0b = MulAdd(v0, cosA, cos0b);
            sin0b = MulAdd(v0, sinA, sin0b);
            cos1b = MulAdd(v1, cosA, cos1b);
            sin1b = MulAdd(v1, sinA, sin1b);
            cos2b = MulAdd(v2, cosA, cos2b);
            sin2b = MulAdd(v2, sinA, sin2b);
        }
    }
    Store(cos0a, d, sumsA);
    Store(sin0a, d, sumsA + kSineSums);
    Store(cos1a, d, sumsA + kSliceSums);
    Store(sin1a, d, sumsA + kSliceSums + kSineSums);
    Store(cos2a, d, sumsA + 2 * kSliceSums);
    Store(sin2a, d, sumsA + 2 * kSliceSums + kSineSums);
    if constexpr (kTwo) {
        Store(cos0b, d, sumsB);
        Store(sin0b, d, sumsB + kSineSums);
        Store(cos1b, d, sumsB + kSliceSums);
        Store(sin1b, d, sumsB + kSliceSums + kSineSums);
        Store(cos2b, d, sumsB + 2 * kSliceSums);
        Store(sin2b, d, sumsB + 2 * kSliceSums + kSineSums);
    }
}

// Group g of those starting at slice first: its windows (past count the
// last slice again) and its sums.
inline UnitHalf Group(const double* windows, std::size_t first, std::size_t count, std::size_t g,
                      double* sums) {
    UnitHalf half{};
    for (std::size_t s = 0; s < kSlices; ++s) {
        const std::size_t slice = std::min(first + g * kSlices + s, count - 1);
        half.Windows[s] = windows + slice * static_cast<std::size_t>(kSliceLength);
    }
    half.Sums = sums + g * kGroupSums;
    return half;
}

// Slices [first, first + groupCount * 3) (those below count exist; the rest
// of the last group repeats the last slice and is not stored).
void TransformGroups(const double* HWY_RESTRICT table, std::int32_t firstBin,
                     const double* HWY_RESTRICT windows, std::size_t first, std::size_t count,
                     std::size_t groupCount, float* HWY_RESTRICT rows) {
    const Tag d;
    const std::size_t n = Lanes(d);
    const auto columns = static_cast<std::size_t>(kNoteBins - firstBin);
    const std::size_t padded = (columns + n - 1) / n * n;
    alignas(64) double sums[kMaxGroups * kGroupSums];
    for (std::size_t chunk = 0; chunk < padded; chunk += kChunkColumns) {
        const std::size_t chunkEnd = std::min(chunk + kChunkColumns, padded);
        std::fill_n(sums, groupCount * kGroupSums, 0.0);
        // Pairs of columns; a last single column goes through two groups at
        // a time where the registers allow, so that it too has twelve
        // accumulators.
        const std::size_t pairedEnd = chunk + (chunkEnd - chunk) / (2 * n) * (2 * n);
        for (std::size_t k0 = 0; k0 < static_cast<std::size_t>(kSliceLength); k0 += kTileSamples) {
            for (std::size_t g = 0; g < groupCount; ++g) {
                UnitHalf unit = Group(windows, first, count, g, sums);
                for (std::size_t c = chunk; c < pairedEnd; c += 2 * n) {
                    UnitHalf next = unit;
                    unit.Kernel = Column(table, c);
                    unit.Sums = sums + g * kGroupSums + (c - chunk);
                    next.Kernel = Column(table, c + n);
                    next.Sums = unit.Sums + n;
                    AccumulateUnit<UnitShape::TwoColumns>(d, unit, next, k0);
                }
            }
            if (pairedEnd == chunkEnd)
                continue;
            for (std::size_t g = 0; g < groupCount; g += kManyRegisters ? 2 : 1) {
                UnitHalf unit = Group(windows, first, count, g, sums);
                unit.Kernel = Column(table, pairedEnd);
                unit.Sums += pairedEnd - chunk;
                if (kManyRegisters && g + 1 < groupCount) {
                    UnitHalf next = Group(windows, first, count, g + 1, sums);
                    next.Kernel = unit.Kernel;
                    next.Sums += pairedEnd - chunk;
                    AccumulateUnit<UnitShape::TwoGroups>(d, unit, next, k0);
                } else {
                    AccumulateUnit<UnitShape::Single>(d, unit, unit, k0);
                }
            }
        }
        // Plain double arithmetic, never contracted: the rounding of the
        // magnitudes is that of the plain loop.
        const std::size_t columnEnd = std::min(chunkEnd, columns);
        for (std::size_t g = 0; g < groupCount; ++g) {
            for (std::size_t s = 0; s < kSlices; ++s) {
                const std::size_t slice = first + g * kSlices + s;
                if (slice >= count)
                    break;
                const double* sliceSums = sums + g * kGroupSums + s * kSliceSums;
                float* row = rows + slice * static_cast<std::size_t>(kNoteBins) +
                             static_cast<std::size_t>(firstBin);
                for (std::size_t c = chunk; c < columnEnd; ++c) {
                    const double re = sliceSums[c - chunk];
                    const double im = -sliceSums[kSineSums + c - chunk];
                    row[c] = static_cast<float>(std::sqrt(re * re + im * im));
                }
            }
        }
    }
}

void TransformSlicesOnTarget(const double* HWY_RESTRICT table, std::int32_t firstBin,
                             const double* HWY_RESTRICT windows, std::int32_t count,
                             float* HWY_RESTRICT rows) {
    if (count <= 0)
        return;
    const auto slices = static_cast<std::size_t>(count);
    const std::size_t groups = (slices + kSlices - 1) / kSlices;
    for (std::size_t group = 0; group < groups; group += kMaxGroups)
        TransformGroups(table, firstBin, windows, group * kSlices, slices,
                        std::min(kMaxGroups, groups - group), rows);
}

TransformTarget DescribeTarget() {
    TransformTarget target;
    target.Name = hwy::TargetName(HWY_TARGET);
    target.Lanes = static_cast<std::int32_t>(Lanes(Tag()));
    target.FusedMultiplyAdd = HWY_HAVE_FLOAT64 && HWY_NATIVE_FMA;
    return target;
}

} // namespace trx::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace trx {

HWY_EXPORT(TransformSlicesOnTarget);
HWY_EXPORT(DescribeTarget);

TransformTarget ChosenTransformTarget() {
    return HWY_DYNAMIC_DISPATCH(DescribeTarget)();
}

std::vector<std::int64_t> AvailableTransformTargets() {
    return hwy::SupportedAndGeneratedTargets();
}

void TransformSlices(const NoteKernels& kernels, const double* windows, std::int32_t count,
                     float* rows) {
    HWY_DYNAMIC_DISPATCH(TransformSlicesOnTarget)
    (kernels.TransformTable().data(), kernels.TransformFirstBin(), windows, count, rows);
}

} // namespace trx
#endif
