#pragma once

#include <csetjmp>
#include <cstddef>

namespace trx {

// The failure of a read from a file mapping whose file was shortened, or
// whose medium failed, after it was mapped.
inline constexpr const char* kMappingFaultMessage =
    "The WAV file was shortened or became unreadable while in use";

namespace mapping_fault {

struct Guard {
    sigjmp_buf Jump;
    Guard* Outer;
};
// Installs the SIGBUS handler, once per process.
void Prepare();
// The innermost guard of the calling thread; null outside ReadMapping.
Guard*& Current();
// After a fault: SIGBUS may still be blocked on this thread.
void Recover();

} // namespace mapping_fault

// Runs read, which touches a file mapping. Such a read raises SIGBUS when
// the bytes are gone; inside ReadMapping the fault ends read where it
// happened and the result is false instead of the end of the process. read
// must own no object that needs destroying, lock nothing and allocate
// nothing, since it is left by a jump.
template <class Read>
[[nodiscard]] bool ReadMapping(Read&& read) {
    mapping_fault::Prepare();
    mapping_fault::Guard guard;
    guard.Outer = mapping_fault::Current();
    // The signal mask is not saved: that costs a system call per read, and
    // Recover restores the one signal the handler may have blocked.
    if (sigsetjmp(guard.Jump, 0) != 0) {
        mapping_fault::Current() = guard.Outer;
        mapping_fault::Recover();
        return false;
    }
    mapping_fault::Current() = &guard;
    read();
    mapping_fault::Current() = guard.Outer;
    return true;
}

// memcpy out of a file mapping; throws TremolundrixError with
// kMappingFaultMessage when the bytes are gone.
void CopyFromMapping(void* to, const void* from, std::size_t size);

} // namespace trx
