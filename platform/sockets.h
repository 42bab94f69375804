// A TCP stream over POSIX sockets for the version check: resolve, connect, send and receive,
// every wait bounded by a time limit, and no SIGPIPE when the peer has gone.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace vellum::platform {

enum class IoStatus {
    kOk,        // count bytes were moved
    kClosed,    // the peer closed its side (receive only)
    kTimedOut,  // nothing happened within the time limit
    kFailed,    // a socket error
};

struct IoResult {
    IoStatus status = IoStatus::kFailed;
    std::size_t count = 0;
};

class TcpStream final {
  public:
    TcpStream() = default;
    explicit TcpStream(int fd) : fd_(fd) {}
    ~TcpStream();
    TcpStream(TcpStream&& other) noexcept;
    TcpStream& operator=(TcpStream&& other) noexcept;
    TcpStream(const TcpStream&) = delete;
    TcpStream& operator=(const TcpStream&) = delete;

    [[nodiscard]] bool IsOpen() const { return fd_ >= 0; }

    // Sends every byte, or reports why not; the limit counts over the whole send.
    [[nodiscard]] IoResult SendAll(std::string_view bytes, std::chrono::milliseconds limit);
    // Waits at most limit for data and receives up to size bytes of it.
    [[nodiscard]] IoResult Receive(char* buffer, std::size_t size, std::chrono::milliseconds limit);
    void Close();

  private:
    int fd_ = -1;
};

// Resolves host and connects to the first address that answers; the limit counts over all
// addresses together, the name lookup included. A closed stream when resolution or every
// connection attempt fails or the limit is reached.
[[nodiscard]] TcpStream ConnectTcp(const std::string& host, const std::string& port,
                                   std::chrono::milliseconds limit);

}  // namespace vellum::platform
