#include "cli/NpyWriter.h"

#include "common/AtomicFile.h"

#include <bit>
#include <cstring>

namespace trx {

std::vector<std::uint8_t> EncodeNpy(const FloatMatrix& matrix) {
    std::string header = "{'descr': '<f4', 'fortran_order': False, 'shape': (" +
                         std::to_string(matrix.Rows()) + ", " + std::to_string(matrix.Cols()) +
                         "), }";
    // Magic (6 bytes), version (2) and header length (2) come first.
    constexpr std::size_t kPreamble = 10;
    constexpr std::size_t kAlignment = 64;
    const std::size_t unpadded = kPreamble + header.size() + 1;
    header.append((kAlignment - unpadded % kAlignment) % kAlignment, ' ');
    header.push_back('\n');

    const std::size_t cells =
        static_cast<std::size_t>(matrix.Rows()) * static_cast<std::size_t>(matrix.Cols());
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kPreamble + header.size() + cells * 4);
    for (const char c : std::string_view("\x93NUMPY\x01\x00", 8))
        bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(static_cast<std::uint8_t>(header.size() & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(header.size() >> 8));
    bytes.insert(bytes.end(), header.begin(), header.end());

    const float* data = matrix.Data();
    for (std::size_t i = 0; i < cells; ++i) {
        const auto bits = std::bit_cast<std::uint32_t>(data[i]);
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
    return bytes;
}

void WriteNpyFile(const std::string& path, const FloatMatrix& matrix) {
    WriteFileAtomically(path, EncodeNpy(matrix));
}

} // namespace trx
