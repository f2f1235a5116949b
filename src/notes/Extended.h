#pragma once

namespace trx {

// Products, quotients and comparisons of the filtering stages are formed in
// this type; only stores go back to single precision. On x86-64 it is the
// 80-bit extended format.
using Extended = long double;

} // namespace trx
