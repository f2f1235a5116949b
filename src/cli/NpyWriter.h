#pragma once

#include "common/FloatMatrix.h"

#include <cstdint>
#include <string>
#include <vector>

namespace trx {

// The bytes of a NumPy .npy file, format version 1.0, holding the matrix as
// little-endian float32 ('<f4') in C order with shape (rows, cols). The
// header is padded with spaces and ends in '\n' so that the data starts at
// a multiple of 64 bytes.
[[nodiscard]] std::vector<std::uint8_t> EncodeNpy(const FloatMatrix& matrix);

// Writes EncodeNpy(matrix) to path atomically; throws SystemError.
void WriteNpyFile(const std::string& path, const FloatMatrix& matrix);

} // namespace trx
