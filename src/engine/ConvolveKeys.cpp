// One source compiled for every vector target Highway knows and chosen at
// run time; the network's layers spend nearly all their time here.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/ConvolveKeys.cpp"
#include <hwy/foreach_target.h>
#include <hwy/highway.h>

#include "engine/ConvolveKeys.h"

HWY_BEFORE_NAMESPACE();
namespace trx::HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

// Blocks of four vectors of keys stay in registers over all the taps, so
// each multiply-add costs one load and no store; the rest goes a vector at
// a time.
void ConvolveKeysOnTarget(const float* const* rows, const std::int32_t* taps, std::size_t rowCount,
                          const float* weights, std::int32_t kernelKeys, float bias,
                          std::int32_t keys, float* out) {
    const hn::ScalableTag<float> d;
    const std::size_t n = hn::Lanes(d);
    const auto kk = static_cast<std::size_t>(kernelKeys);
    const std::size_t end = (static_cast<std::size_t>(keys) + n - 1) / n * n;
    std::size_t k0 = 0;
    for (; k0 + 4 * n <= end; k0 += 4 * n) {
        auto a0 = hn::Set(d, bias), a1 = a0, a2 = a0, a3 = a0;
        for (std::size_t r = 0; r < rowCount; ++r) {
            const float* w = weights + static_cast<std::size_t>(taps[r]) * kk;
            const float* in = rows[r] + k0;
            for (std::size_t dk = 0; dk < kk; ++dk) {
                const auto wv = hn::Set(d, w[dk]);
                a0 = hn::MulAdd(wv, hn::LoadU(d, in + dk), a0);
                a1 = hn::MulAdd(wv, hn::LoadU(d, in + dk + n), a1);
                a2 = hn::MulAdd(wv, hn::LoadU(d, in + dk + 2 * n), a2);
                a3 = hn::MulAdd(wv, hn::LoadU(d, in + dk + 3 * n), a3);
            }
        }
        hn::StoreU(a0, d, out + k0);
        hn::StoreU(a1, d, out + k0 + n);
        hn::StoreU(a2, d, out + k0 + 2 * n);
        hn::StoreU(a3, d, out + k0 + 3 * n);
    }
    for (; k0 < end; k0 += n) {
        auto a = hn::Set(d, bias);
        for (std::size_t r = 0; r < rowCount; ++r) {
            const float* w = weights + static_cast<std::size_t>(taps[r]) * kk;
            const float* in = rows[r] + k0;
            for (std::size_t dk = 0; dk < kk; ++dk)
                a = hn::MulAdd(hn::Set(d, w[dk]), hn::LoadU(d, in + dk), a);
        }
        hn::StoreU(a, d, out + k0);
    }
}

std::int32_t LanesOnTarget() {
    return static_cast<std::int32_t>(hn::Lanes(hn::ScalableTag<float>()));
}

} // namespace trx::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace trx {

HWY_EXPORT(ConvolveKeysOnTarget);
HWY_EXPORT(LanesOnTarget);

void ConvolveKeys(const float* const* rows, const std::int32_t* taps, std::size_t rowCount,
                  const float* weights, std::int32_t kernelKeys, float bias, std::int32_t keys,
                  float* out) {
    HWY_DYNAMIC_DISPATCH(ConvolveKeysOnTarget)
    (rows, taps, rowCount, weights, kernelKeys, bias, keys, out);
}

std::int32_t ConvolutionLanes() {
    return HWY_DYNAMIC_DISPATCH(LanesOnTarget)();
}

} // namespace trx
#endif
