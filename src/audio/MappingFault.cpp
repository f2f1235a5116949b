#include "audio/MappingFault.h"

#include "common/Errors.h"

#include <csignal>
#include <cstring>

namespace trx::mapping_fault {
namespace {

thread_local Guard* tCurrent = nullptr;
struct sigaction gPrevious {};

void OnBusError(int signal, siginfo_t* info, void*) {
    if (Guard* guard = tCurrent; guard != nullptr && info != nullptr && info->si_code > 0)
        siglongjmp(guard->Jump, 1);
    // Not a guarded read: what would have happened without this handler.
    // A fault repeats when the handler returns; a sent signal is sent again.
    ::sigaction(SIGBUS, &gPrevious, nullptr);
    if (info == nullptr || info->si_code <= 0)
        ::raise(signal);
}

bool Install() {
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    return ::sigaction(SIGBUS, &action, &gPrevious) == 0;
}

} // namespace

void Prepare() {
    [[maybe_unused]] static const bool installed = Install();
}

Guard*& Current() {
    return tCurrent;
}

void Recover() {
    sigset_t bus;
    sigemptyset(&bus);
    sigaddset(&bus, SIGBUS);
    ::pthread_sigmask(SIG_UNBLOCK, &bus, nullptr);
}

} // namespace trx::mapping_fault

namespace trx {

void CopyFromMapping(void* to, const void* from, std::size_t size) {
    if (!ReadMapping([&] { std::memcpy(to, from, size); }))
        throw TremolundrixError(kMappingFaultMessage);
}

} // namespace trx
