#include "common/TempFileCleanup.h"

#include <array>
#include <atomic>
#include <climits>
#include <cstring>
#include <unistd.h>

namespace trx {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};
// More than the files the converter's jobs save at one time.
constexpr std::size_t kSlots = 128;

enum SlotState : int { kFree, kClaimed, kNamed };

struct Slot {
    std::atomic<int> State{kFree};
    char Name[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free);

std::array<Slot, kSlots> gSlots;

void OnFatalSignal(int signal) {
    for (Slot& slot : gSlots)
        if (slot.State.load(std::memory_order_acquire) == kNamed)
            ::unlink(slot.Name);
    // The signal stays blocked until the handler returns; then its default
    // action ends the process.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
}

sigset_t CleanupSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kSignals)
        sigaddset(&set, signal);
    return set;
}

} // namespace

void InstallTempFileCleanup() {
    struct sigaction action {};
    action.sa_handler = OnFatalSignal;
    // Every cleanup signal waits while one handler runs.
    action.sa_mask = CleanupSignals();
    for (const int signal : kSignals) {
        struct sigaction previous {};
        // A signal the caller's parent set to be ignored stays ignored.
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signal, &action, nullptr);
    }
}

CleanupSignalsBlocked::CleanupSignalsBlocked() {
    const sigset_t set = CleanupSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

CleanupSignalsBlocked::~CleanupSignalsBlocked() {
    ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

RegisteredTempFile::RegisteredTempFile(const char* name) {
    const std::size_t length = std::strlen(name);
    if (length >= PATH_MAX)
        return;
    for (std::size_t i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (gSlots[i].State.compare_exchange_strong(expected, kClaimed,
                                                    std::memory_order_acquire)) {
            std::memcpy(gSlots[i].Name, name, length + 1);
            gSlots[i].State.store(kNamed, std::memory_order_release);
            slot_ = static_cast<int>(i);
            return;
        }
    }
}

RegisteredTempFile::~RegisteredTempFile() {
    if (slot_ >= 0)
        gSlots[static_cast<std::size_t>(slot_)].State.store(kFree, std::memory_order_release);
}

} // namespace trx
