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

// The same for a value formed in extended precision, rounded once.
[[nodiscard]] inline std::int64_t RoundHalfEven(long double value) {
    return std::llrintl(value);
}

} // namespace trx
