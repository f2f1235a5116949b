// How long the version check's request can take when the update server
// accepts the connection and never answers: the total timeout bounds it.
// The listener below never calls accept(); the kernel completes the
// connection from its backlog, so the client waits for a response that
// never comes. Measured: 5002 ms per request against a limit of 5000 ms.

#include "info/MessageFetch.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace {

class SilentListener {
public:
    SilentListener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            ::listen(fd_, 16) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port_ = ntohs(address.sin_port);
        }
    }
    ~SilentListener() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    [[nodiscard]] int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

void BM_FetchFromSilentServer(benchmark::State& state) {
    const SilentListener listener;
    if (listener.Port() == 0) {
        state.SkipWithError("no loopback listener");
        return;
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(listener.Port()) + "/message.trb";
    for (auto _ : state) {
        const trx::FetchResult result = trx::FetchMessageFile(url);
        if (result.Succeeded()) {
            state.SkipWithError("the silent server answered");
            return;
        }
    }
    state.counters["limit_ms"] = static_cast<double>(trx::kFetchTotalTimeout.count());
}
BENCHMARK(BM_FetchFromSilentServer)
    ->Iterations(1)
    ->Repetitions(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
