#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace trx {

// Writes bytes to path so that a failure never damages an existing file:
// the bytes go to a new file in the same folder, which replaces path only
// once it is complete and flushed. An existing file's permissions are kept.
// Throws SystemError on failure; the temporary file is then removed.
void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace trx
