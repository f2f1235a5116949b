#pragma once

#include <cstdint>

namespace trx::bench {

// One core's rate of multiply-adds on doubles (lanes per second of processor
// time) at the width of the transform's target, with enough independent
// chains to hide the latency: the bound the transform is measured against.
// Follows hwy::SetSupportedTargetsForTest like the transform; measured once
// per target and kept.
[[nodiscard]] double MultiplyAddRate();

// Multiply-adds (cosine and sine) of one slice with the default tuning.
[[nodiscard]] double MultiplyAddsPerSlice();

// Processor time of the calling thread and of the process, in seconds.
[[nodiscard]] double ThreadCpuSeconds();
[[nodiscard]] double ProcessCpuSeconds();

} // namespace trx::bench
