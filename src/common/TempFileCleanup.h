#pragma once

#include <csignal>

namespace trx {

// Temporary files that SIGINT, SIGTERM, SIGHUP and SIGXFSZ must not leave
// behind. The names live in a fixed table that the signal handler reads
// without locks or allocation; it unlinks each, then ends the process by
// the signal's default action, so the exit status still names the signal.

// Installs the handler for the four signals. Programs call it once at start;
// without it, registered files are simply not removed on a signal.
void InstallTempFileCleanup();

// Blocks the four signals on the calling thread while alive, so a file can
// be created and registered with no gap in which a signal leaves it behind.
class CleanupSignalsBlocked {
public:
    CleanupSignalsBlocked();
    ~CleanupSignalsBlocked();
    CleanupSignalsBlocked(const CleanupSignalsBlocked&) = delete;
    CleanupSignalsBlocked& operator=(const CleanupSignalsBlocked&) = delete;

private:
    sigset_t previous_;
};

// A file the handler removes until this object goes. A name too long for the
// table, or a full table, is not registered (the file is then only removed
// by its owner).
class RegisteredTempFile {
public:
    explicit RegisteredTempFile(const char* name);
    ~RegisteredTempFile();
    RegisteredTempFile(const RegisteredTempFile&) = delete;
    RegisteredTempFile& operator=(const RegisteredTempFile&) = delete;

private:
    int slot_ = -1;
};

} // namespace trx
