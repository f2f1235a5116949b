#pragma once

#include <sys/stat.h>

namespace trx {

// What a file of this mode is, for messages that refuse it ("... is a
// folder, not a WAV file"); null for a regular file.
[[nodiscard]] inline const char* NonRegularFileKind(mode_t mode) {
    if (S_ISREG(mode))
        return nullptr;
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a named pipe (FIFO)";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISLNK(mode))
        return "a symbolic link";
    return "a special file";
}

} // namespace trx
