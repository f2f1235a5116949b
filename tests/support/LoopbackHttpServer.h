#pragma once

// A tiny HTTP server on 127.0.0.1 for tests of the version check: one
// thread, one connection at a time, canned responses by path.
//
//   trx::test::LoopbackHttpServer server;
//   server.Route("/message.trb", LoopbackHttpServer::Ok("MESSAGE=hi\n"));
//   ... fetch "http://" + server.HostAndPort() + "/message.trb" ...
//   EXPECT_EQ(server.RequestCount(), 1);
//
// An unknown path gets a 404. Silence() makes it read requests and never
// answer, holding the connections open until the server is destroyed.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace trx::test {

class LoopbackHttpServer {
public:
    LoopbackHttpServer() {
        // Requests to the loopback address must not go to a proxy of the
        // environment.
        ::setenv("no_proxy", "127.0.0.1", 1);
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        if (listener_ < 0) {
            throw std::runtime_error("socket failed");
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listener_, 8) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ::close(listener_);
            throw std::runtime_error("bind or listen failed");
        }
        port_ = ntohs(address.sin_port);
        if (::pipe(wake_) != 0) {
            ::close(listener_);
            throw std::runtime_error("pipe failed");
        }
        thread_ = std::thread([this] { Serve(); });
    }

    ~LoopbackHttpServer() {
        stopping_ = true;
        const char byte = 0;
        (void)!::write(wake_[1], &byte, 1);
        thread_.join();
        for (const int held : held_) {
            ::close(held);
        }
        ::close(listener_);
        ::close(wake_[0]);
        ::close(wake_[1]);
    }

    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    static std::string Ok(const std::string& body) {
        return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
               std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    }
    static std::string NotFound() {
        const std::string page = "<html>HOMEPAGE=http://error/</html>";
        return "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: " +
               std::to_string(page.size()) + "\r\nConnection: close\r\n\r\n" + page;
    }
    static std::string Redirect(const std::string& location) {
        return "HTTP/1.1 302 Found\r\nLocation: " + location +
               "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    }

    // The raw response (status line, headers, body) sent for path.
    void Route(const std::string& path, std::string response) {
        const std::lock_guard lock(mutex_);
        routes_[path] = std::move(response);
    }
    void Silence() { silent_ = true; }

    [[nodiscard]] int Port() const { return port_; }
    [[nodiscard]] std::string HostAndPort() const { return "127.0.0.1:" + std::to_string(port_); }
    [[nodiscard]] int RequestCount() const {
        const std::lock_guard lock(mutex_);
        return static_cast<int>(requests_.size());
    }
    // Each request's head: request line and headers.
    [[nodiscard]] std::vector<std::string> Requests() const {
        const std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    // Waits for fd to become readable; false when the server stops first.
    bool WaitReadable(int fd) const {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        while (!stopping_) {
            if (::poll(fds, 2, -1) > 0) {
                return (fds[0].revents & POLLIN) != 0 && !stopping_;
            }
        }
        return false;
    }

    void Serve() {
        while (WaitReadable(listener_)) {
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0) {
                continue;
            }
            std::string head;
            char buffer[4096];
            while (head.find("\r\n\r\n") == std::string::npos && WaitReadable(client)) {
                const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
                if (got <= 0) {
                    break;
                }
                head.append(buffer, static_cast<std::size_t>(got));
            }
            std::string response;
            {
                const std::lock_guard lock(mutex_);
                requests_.push_back(head);
                const std::size_t start = head.find(' ') + 1;
                const std::string path = head.substr(start, head.find(' ', start) - start);
                const auto route = routes_.find(path);
                response = route != routes_.end() ? route->second : NotFound();
            }
            if (silent_) {
                held_.push_back(client);
                continue;
            }
            std::size_t sent = 0;
            while (sent < response.size()) {
                const ssize_t put =
                    ::send(client, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
                if (put <= 0) {
                    break;
                }
                sent += static_cast<std::size_t>(put);
            }
            ::close(client);
        }
    }

    int listener_ = -1;
    int wake_[2] = {-1, -1};
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> silent_{false};
    mutable std::mutex mutex_;
    std::map<std::string, std::string> routes_;
    std::vector<std::string> requests_;
    std::vector<int> held_;
    std::thread thread_;
};

} // namespace trx::test
