// A small HTTP server on 127.0.0.1 for the version check's tests: it answers every connection
// with one reply and keeps the request heads it was sent. Also a port that refuses all.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vellum::test {

class LoopbackHttpServer {
  public:
    using Listener = std::function<void(const std::string& head)>;

    // Serves on a free port from now on; heard is told of every request head as it arrives.
    explicit LoopbackHttpServer(std::string reply, Listener heard = {});
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    [[nodiscard]] int port() const { return port_; }
    // "127.0.0.1:PORT", as VELLUM_WEB_HOST takes it.
    [[nodiscard]] std::string Host() const;
    void SetReply(std::string reply);
    [[nodiscard]] std::vector<std::string> Requests() const;
    // True once at least count requests have come, false when limit passes first.
    [[nodiscard]] bool WaitForRequests(std::size_t count, std::chrono::milliseconds limit) const;

  private:
    void Serve();
    void Answer(int fd);

    int port_ = 0;  // before listener_: binding it fills this in
    int listener_ = -1;
    Listener heard_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::string reply_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A loopback port that is bound and never listens, so that every connection to it is refused
// at once, for as long as this object lives.
class RefusingPort {
  public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    [[nodiscard]] std::string Host() const;

  private:
    int port_ = 0;  // before fd_, as above
    int fd_ = -1;
};

// A socket bound to a free loopback port (written to port), listening when asked to.
[[nodiscard]] int BindLoopback(int& port, bool listening = true);
// A request head read from fd: up to the empty line, at most 64 KiB, each wait at most 2 s.
[[nodiscard]] std::string ReadHead(int fd);

// The value of name=... in the query of a request head's first line; empty when absent.
[[nodiscard]] std::string QueryValue(const std::string& head, const std::string& name);

}  // namespace vellum::test
