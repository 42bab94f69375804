#include "tests/support/loopback_http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace vellum::test {

int BindLoopback(int& port, bool listening) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    if (fd < 0 || bind(fd, raw, length) != 0 || (listening && listen(fd, 8) != 0) ||
        getsockname(fd, raw, &length) != 0) {
        if (fd >= 0) close(fd);
        throw std::runtime_error("cannot bind on loopback");
    }
    port = ntohs(address.sin_port);
    return fd;
}

std::string ReadHead(int fd) {
    constexpr std::size_t kLongestHead = 64 * 1024;
    std::string head;
    char block[1024];
    for (pollfd in{fd, POLLIN, 0}; head.find("\r\n\r\n") == std::string::npos &&
                                   head.size() < kLongestHead && poll(&in, 1, 2000) == 1;) {
        const ssize_t got = recv(fd, block, sizeof block, 0);
        if (got <= 0) break;
        head.append(block, static_cast<std::size_t>(got));
    }
    return head;
}

LoopbackHttpServer::LoopbackHttpServer(std::string reply, Listener heard)
    : listener_(BindLoopback(port_, true)), heard_(std::move(heard)), reply_(std::move(reply)) {
    thread_ = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stop_ = true;
    thread_.join();
    close(listener_);
}

std::string LoopbackHttpServer::Host() const {
    return "127.0.0.1:" + std::to_string(port_);
}

void LoopbackHttpServer::SetReply(std::string reply) {
    const std::lock_guard lock(mutex_);
    reply_ = std::move(reply);
}

std::vector<std::string> LoopbackHttpServer::Requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

bool LoopbackHttpServer::WaitForRequests(std::size_t count, std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, limit, [&] { return requests_.size() >= count; });
}

void LoopbackHttpServer::Serve() {
    for (pollfd entry{listener_, POLLIN, 0}; !stop_;) {
        if (poll(&entry, 1, 50) != 1) continue;
        const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        Answer(fd);
        close(fd);
    }
}

void LoopbackHttpServer::Answer(int fd) {
    const std::string head = ReadHead(fd);
    std::string reply;
    {
        const std::lock_guard lock(mutex_);
        requests_.push_back(head);
        reply = reply_;
    }
    arrived_.notify_all();
    if (heard_) heard_(head);
    for (std::size_t sent = 0; sent < reply.size();) {
        const ssize_t n = send(fd, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
}

RefusingPort::RefusingPort() : fd_(BindLoopback(port_, false)) {}

RefusingPort::~RefusingPort() {
    close(fd_);
}

std::string RefusingPort::Host() const {
    return "127.0.0.1:" + std::to_string(port_);
}

std::string QueryValue(const std::string& head, const std::string& name) {
    const std::string line = head.substr(0, head.find("\r\n"));
    const std::string key = name + "=";
    for (std::size_t at = line.find('?'); at != std::string::npos; at = line.find('&', at + 1)) {
        if (line.compare(at + 1, key.size(), key) != 0) continue;
        const std::size_t start = at + 1 + key.size();
        const std::size_t end = line.find_first_of("& ", start);
        return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
    return {};
}

}  // namespace vellum::test
