#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace trx {

// Writes bytes to path so that a failure never damages an existing file:
// the bytes go to a new file in the same folder, which replaces path only
// once it is complete and flushed; the folder is flushed after the rename.
// A symbolic link is followed: the file it names is replaced in its own
// folder (created when the link dangles). An existing file's permissions are
// kept; a new one gets 0666 less the umask the program started with. The
// temporary file is registered for removal on a fatal signal
// (TempFileCleanup.h). Throws SystemError on failure (a folder as target:
// EISDIR), TremolundrixError when the target is a device, a pipe or a
// socket, which is never replaced; the temporary file is then removed.
void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace trx
