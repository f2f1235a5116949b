#pragma once

#include <cmath>
#include <cstdint>

namespace trx {

// Rounds to the nearest integer, an exact half to the even neighbour. The
// program never changes the floating-point rounding mode, so llrint's
// current mode is round-to-nearest-even.
[[nodiscard]] inline std::int64_t RoundHalfEven(double value) {
    return std::llrint(value);
}

} // namespace trx
