#include "platform/sockets.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace vellum::platform {

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left until deadline for poll, rounded up so that a sub-millisecond remainder
// still waits instead of spinning.
int PollMilliseconds(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, INT_MAX));
}

// Waits for events on fd until deadline: 1 ready, 0 timed out, -1 error.
int WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = poll(&entry, 1, PollMilliseconds(deadline));
        if (ready < 0 && errno == EINTR) continue;
        return ready > 0 ? 1 : ready;
    }
}

// A non-blocking connect, so that a host that drops packets costs the limit and not the
// kernel's two minutes of retries.
int ConnectOne(const addrinfo& address, Clock::time_point deadline) {
    const int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                          address.ai_protocol);
    if (fd < 0) return -1;
    if (connect(fd, address.ai_addr, address.ai_addrlen) == 0) return fd;
    if (errno == EINPROGRESS && WaitFor(fd, POLLOUT, deadline) == 1) {
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0) return fd;
    }
    close(fd);
    return -1;
}

}  // namespace

TcpStream::~TcpStream() {
    Close();
}

TcpStream::TcpStream(TcpStream&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

TcpStream& TcpStream::operator=(TcpStream&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

void TcpStream::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

IoResult TcpStream::SendAll(std::string_view bytes, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    IoResult result{IoStatus::kOk, 0};
    while (result.count < bytes.size()) {
        const ssize_t sent =
            send(fd_, bytes.data() + result.count, bytes.size() - result.count, MSG_NOSIGNAL);
        if (sent > 0) {
            result.count += static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const int ready = WaitFor(fd_, POLLOUT, deadline);
            if (ready == 1) continue;
            result.status = ready == 0 ? IoStatus::kTimedOut : IoStatus::kFailed;
            return result;
        }
        result.status = IoStatus::kFailed;
        return result;
    }
    return result;
}

IoResult TcpStream::Receive(char* buffer, std::size_t size, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        const ssize_t got = recv(fd_, buffer, size, 0);
        if (got > 0) return {IoStatus::kOk, static_cast<std::size_t>(got)};
        if (got == 0) return {IoStatus::kClosed, 0};
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return {IoStatus::kFailed, 0};
        const int ready = WaitFor(fd_, POLLIN, deadline);
        if (ready == 0) return {IoStatus::kTimedOut, 0};
        if (ready < 0) return {IoStatus::kFailed, 0};
    }
}

namespace {

// One name lookup, shared by the thread that makes it and the caller that waits for it.
struct Lookup {
    std::string host;
    std::string port;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    addrinfo* addresses = nullptr;
};

// The system resolver takes no time limit (a name server that drops packets costs 5 s per
// try and server), so the lookup runs on a thread of its own and the caller waits for it only
// until deadline. A lookup still running then is left to end on its own and frees its answer.
addrinfo* LookUp(const std::string& host, const std::string& port, Clock::time_point deadline) {
    auto lookup = std::make_shared<Lookup>();
    lookup->host = host;
    lookup->port = port;
    try {
        std::thread([lookup] {
            addrinfo hints{};
            hints.ai_family = AF_UNSPEC;
            hints.ai_socktype = SOCK_STREAM;
            addrinfo* addresses = nullptr;
            if (getaddrinfo(lookup->host.c_str(), lookup->port.c_str(), &hints, &addresses) != 0)
                addresses = nullptr;
            const std::lock_guard lock(lookup->mutex);
            if (lookup->abandoned) {
                if (addresses != nullptr) freeaddrinfo(addresses);
                return;
            }
            lookup->addresses = addresses;
            lookup->done = true;
            lookup->finished.notify_one();
        }).detach();
    } catch (const std::system_error&) {
        return nullptr;  // no thread to be had: no connection either
    }
    std::unique_lock lock(lookup->mutex);
    if (!lookup->finished.wait_until(lock, deadline, [&] { return lookup->done; })) {
        lookup->abandoned = true;
        return nullptr;
    }
    return lookup->addresses;
}

}  // namespace

TcpStream ConnectTcp(const std::string& host, const std::string& port,
                     std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    addrinfo* addresses = LookUp(host, port, deadline);
    if (addresses == nullptr) return TcpStream();
    int fd = -1;
    for (const addrinfo* at = addresses; at != nullptr && fd < 0; at = at->ai_next) {
        if (Clock::now() >= deadline) break;
        fd = ConnectOne(*at, deadline);
    }
    freeaddrinfo(addresses);
    return TcpStream(fd);
}

}  // namespace vellum::platform
