// A minimal blocking HTTP/1.0 client, HttpClient, for the one small document the version check
// fetches. The reply parser reads from a ByteSource, so it runs on bytes without a socket.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/sockets.h"

namespace vellum::net {

using Milliseconds = std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

// Where reply bytes come from: a socket in the program, a string in tests.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Waits at most wait for data, then reads up to size bytes of it.
    [[nodiscard]] virtual platform::IoResult Read(char* buffer, std::size_t size,
                                                  Milliseconds wait) = 0;
};

// Past any of these the exchange fails, so that a server that streams for ever cannot hold
// the window or fill the memory.
struct HttpLimits {
    std::size_t maxHeaderBytes = 64 * 1024;  // status line, header lines and chunk framing
    std::size_t maxBodyBytes = 1024 * 1024;
    Milliseconds exchangeTime{10000};  // connect, send and the whole reply together
};

struct HttpReply {
    int statusCode = 500;  // 500 until a reply arrives; 0 for a reply without a status line
    std::string reason;
    std::vector<std::string> headers;  // every header line as received
    std::string contentType;
    bool closeAfter = false;  // "Connection: close" was announced
    std::string document;     // the body
};

struct ReplyReadOptions {
    Milliseconds timeout{90000};  // for each awaited line (whole) or block of data
    HttpLimits limits;
    bool headRequest = false;  // a reply to HEAD carries no body
    SteadyClock::time_point deadline = SteadyClock::time_point::max();  // of the exchange
};

// Reads one reply into reply. False on a read error or time-out before the headers end, or
// before the end of a chunked or known-length body, and whenever a limit is passed. A body
// without a length ends when the server closes or falls silent for the timeout.
[[nodiscard]] bool ReadReply(ByteSource& source, const ReplyReadOptions& options, HttpReply& reply);

struct HttpUrl {
    std::string scheme;  // lower case; "http" when the URL names none
    std::string host;    // as written, brackets of an IPv6 literal included
    std::string port;    // as written, else "80" for http and "443" for https
    std::string target;  // from the first "/" after the host to the end, or "/"
};

// Splits url; nullopt when it has no host, a port that is not 1 to 65535, or a blank or
// control byte that would break the request line.
[[nodiscard]] std::optional<HttpUrl> ParseUrl(std::string_view url);

// The request line, Host, User-Agent, Content-Length and the empty line, each ended by CR LF.
// nullopt when the method or the user agent would break the head.
[[nodiscard]] std::optional<std::string> RequestHead(std::string_view method, const HttpUrl& url,
                                                     std::string_view protocol,
                                                     std::string_view userAgent,
                                                     std::size_t contentLength);

struct HttpSettings {
    std::string protocol = "1.0";
    std::string userAgent;  // a new client sends the program title
    Milliseconds timeout{90000};
    HttpLimits limits;
};

// One client per exchange: set it up, call SendRequest once, read the reply, let it go.
class HttpClient final {
  public:
    HttpClient();
    explicit HttpClient(HttpSettings settings) : settings_(std::move(settings)) {}

    [[nodiscard]] HttpSettings& Settings() { return settings_; }
    // The request body before SendRequest, the reply body after it.
    [[nodiscard]] std::string& Document() { return reply_.document; }
    [[nodiscard]] const HttpReply& Reply() const { return reply_; }

    // One complete exchange over a fresh connection. Any status code counts as success; only
    // plain http is spoken. Never throws.
    [[nodiscard]] bool SendRequest(std::string_view method, std::string_view url);

  private:
    HttpSettings settings_;
    HttpReply reply_;
};

}  // namespace vellum::net
