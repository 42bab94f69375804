// The HTTP client: the reply parser on bytes from memory, and whole exchanges with a raw
// loopback server that this file starts itself.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <thread>

#include "net/http.h"
#include "net/version_check.h"
#include "program_identity.h"
#include "tests/support/loopback_http.h"

namespace vellum::net {
namespace {

using namespace std::chrono_literals;
using platform::IoResult;
using platform::IoStatus;

constexpr std::size_t kMiB = 1024 * 1024;

// The bytes in pieces of a fixed size, then the filler again and again (up to 64 MiB, so that
// a parser without limits fails a test instead of hanging it), then the given end.
class ScriptedSource final : public ByteSource {
  public:
    ScriptedSource(std::string bytes, std::size_t piece, IoStatus end, std::string filler = {})
        : bytes_(std::move(bytes)), filler_(std::move(filler)), piece_(piece), end_(end) {}
    IoResult Read(char* buffer, std::size_t size, Milliseconds) override {
        if (at_ == bytes_.size() && !filler_.empty() && served_ < 64 * kMiB) {
            bytes_ = filler_;
            at_ = 0;
        }
        if (at_ == bytes_.size()) return {end_, 0};
        const std::size_t count = std::min({size, piece_, bytes_.size() - at_});
        std::memcpy(buffer, bytes_.data() + at_, count);
        at_ += count;
        served_ += count;
        return {IoStatus::kOk, count};
    }
    [[nodiscard]] std::size_t Served() const { return served_; }

  private:
    std::string bytes_, filler_;
    std::size_t piece_, at_ = 0, served_ = 0;
    IoStatus end_;
};

ReplyReadOptions MemoryOptions() {
    ReplyReadOptions options;  // no deadline: only the limits may end an endless reply
    options.timeout = 300ms;
    return options;
}

TEST(HttpReply, ReadsEveryReplyShapeWhateverPiecesTheBytesArriveIn) {
    const std::string ok = "HTTP/1.1 200 OK\r\n",
                      chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    const auto silent = IoStatus::kTimedOut, closed = IoStatus::kClosed;
    const struct {
        std::string bytes;
        IoStatus end;
        bool ok;
        int status;
        std::string document;
    } cases[] = {
        {ok + "Content-Length: 12\r\n\r\nhello world!", silent, true, 200, "hello world!"},
        {ok + "content-length:2\r\n\r\nab", silent, true, 200, "ab"},
        {chunked + "5\r\nabcde\r\n0\r\n\r\n", silent, true, 200, "abcde"},
        {ok + "transfer-encoding: Chunked\r\n\r\n3;x=1\r\nabc\r\n\r\n0\r\n", silent, true, 200,
         "abc"},
        {"HTTP/1.0 200 OK\r\n\r\nuntil the end", closed, true, 200, "until the end"},
        {"HTTP/1.0 200 OK\r\n\r\nthen silence", silent, true, 200, "then silence"},
        {"HTTP/1.0 200 OK\nContent-Length: 2\n\nok", silent, true, 200, "ok"},        // LF
        {"HTTP/1.0 200 OK\n\rContent-Length: 2\n\r\n\rok", silent, true, 200, "ok"},  // LF CR
        {"HTTP/1.0 200 OK\rContent-Length: 2\r\rok", silent, true, 200, "ok"},        // CR
        {"\r\n\nhttp/1.0 404 Not Found\r\n\r\ngone", closed, true, 404, "gone"},
        {"_PROGRAM_Vellum_\nmore", closed, true, 0, "_PROGRAM_Vellum_\r\nmore"},  // no status
        {"HTTP/1.0 abc\r\n\r\n", closed, true, 0, ""},
        {"HTTP/1.1 204 No Content\r\nContent-Length: 5\r\n\r\n", silent, true, 204, ""},
        {ok + "Content-Length: -3\r\n\r\n", silent, true, 200, ""},
        {ok + "Content-Length: 1x\r\n\r\nall", closed, true, 200, "all"},
        {ok + "Content-Length: 100\r\n\r\n0123456789", silent, false, 200, "0123456789"},
        {ok + "Server: x\r\n", closed, false, 200, ""},
        {"", silent, false, 500, ""},
        {chunked + "5\r\nab", closed, false, 200, "ab"},
        {chunked + "-5\r\nabc\r\n", silent, true, 200, ""},  // not hexadecimal: the body ends
        {chunked + "0x10\r\nabc\r\n", silent, true, 200, ""},
        {chunked + "FFFFFFFFFFFFFFFFFFFFFFFF\r\nabc", silent, false, 200, ""},  // past 64 bits
        {chunked + "7FFFFFFFFFFFFFFF\r\nabc", silent, false, 200, ""},
        {chunked + "100001\r\nabc", silent, false, 200, ""},  // one byte past 1 MiB
        {ok + "\r\n" + std::string(kMiB, 'b'), closed, true, 200, std::string(kMiB, 'b')},
        {ok + "\r\n" + std::string(kMiB + 1, 'b'), closed, false, 200, std::string(kMiB + 1, 'b')},
        {ok + "Content-Length: 1048577\r\n\r\nb", silent, false, 200, ""},
    };
    for (const auto& c : cases) {
        for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, c.bytes.size() + 1}) {
            SCOPED_TRACE(c.bytes.substr(0, 60) + ", pieces of " + std::to_string(piece));
            ScriptedSource source(c.bytes, piece, c.end);
            HttpReply reply;
            EXPECT_EQ(ReadReply(source, MemoryOptions(), reply), c.ok);
            EXPECT_EQ(reply.statusCode, c.status);
            EXPECT_EQ(reply.document, c.document);
        }
    }
}

TEST(HttpReply, KeepsReasonAndEveryHeaderLine) {
    ScriptedSource source(
        "HTTP/1.1 404 Not Found Here\r\nContent-Type: text/plain\r\n"
        "Connection: close\r\nX-Other: 1\r\n\r\n",
        7, IoStatus::kClosed);
    HttpReply reply;
    ASSERT_TRUE(ReadReply(source, MemoryOptions(), reply));
    EXPECT_EQ(reply.reason, "Not Found Here");
    EXPECT_EQ(reply.contentType, "text/plain");
    EXPECT_TRUE(reply.closeAfter);
    EXPECT_EQ(reply.headers, (std::vector<std::string>{"Content-Type: text/plain",
                                                       "Connection: close", "X-Other: 1"}));
}

TEST(HttpReply, EndlessRepliesFailAtTheLimits) {
    const std::string ok = "HTTP/1.1 200 OK\r\n",
                      chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    const std::pair<std::string, std::string> cases[] = {
        {"", "\r\n"},               // empty lines before the status line
        {ok, "X-More: yes\r\n"},    // header lines
        {ok + "X-Long: ", "aaaa"},  // one header line
        {ok + "\r\n", "bbbb"},      // a body without length
        {chunked, "\r\n"},          // chunk framing
        {chunked, "1\r\nx\r\n"},    // small chunks
    };
    for (const auto& [prefix, filler] : cases) {
        SCOPED_TRACE(prefix + filler);
        ScriptedSource source(prefix, 4096, IoStatus::kClosed, filler);
        HttpReply reply;
        EXPECT_FALSE(ReadReply(source, MemoryOptions(), reply));
        EXPECT_LT(source.Served(), 2 * kMiB);  // stopped at the limit, not when the server gave up
        EXPECT_LE(reply.document.size(), kMiB + 1);
    }
}

TEST(HttpRequest, HeadCarriesExactlyFourLinesAndTheEmptyOne) {
    const std::pair<const char*, std::string> cases[] = {
        {"http://vellum.example/vellum/version.php?uniqueid=12ab",
         "GET /vellum/version.php?uniqueid=12ab HTTP/1.0\r\nHost: vellum.example\r\n"
         "User-Agent: Vellum v1.420\r\nContent-Length: 0\r\n\r\n"},
        {"vellum.example:8080",
         "GET / HTTP/1.0\r\nHost: vellum.example:8080\r\nUser-Agent: Vellum v1.420\r\n"
         "Content-Length: 0\r\n\r\n"},
    };
    for (const auto& [url, head] : cases)
        EXPECT_EQ(RequestHead("get", ParseUrl(url).value(), "1.0", "Vellum v1.420", 0), head);
    const HttpUrl url = ParseUrl("http://h/").value();
    EXPECT_FALSE(RequestHead("GET", url, "1.0", "agent\r\nX-Injected: 1", 0));
    EXPECT_FALSE(RequestHead("GET /x", url, "1.0", "agent", 0));
}

TEST(HttpRequest, UrlSplitsIntoSchemeHostPortAndTarget) {
    const std::pair<const char*, std::string> cases[] = {
        {"http://h.example/a/b?c=d", "http h.example 80 /a/b?c=d"},
        {"HTTP://user:pw@h.example:81", "http h.example 81 /"},
        {"https://h.example/x", "https h.example 443 /x"},
        {"h.example?q=1", "http h.example 80 /?q=1"},
        {"http://[::1]:8080/v", "http [::1] 8080 /v"},
    };
    for (const auto& [text, parts] : cases) {
        const HttpUrl url = ParseUrl(text).value();
        EXPECT_EQ(url.scheme + " " + url.host + " " + url.port + " " + url.target, parts);
    }
    for (const char* bad : {"http://", "http://h:0/", "http://h:70000/", "http://h:8x/",
                            "http://h/a b", "http://h/a\r\nX: 1", "http://[::1/"})
        EXPECT_FALSE(ParseUrl(bad)) << bad;
}

// A raw HTTP server on 127.0.0.1 for one connection: it reads the request head, then lets the
// responder do what the test needs with the socket.
class LoopbackServer {
  public:
    using Responder = std::function<void(int fd)>;

    explicit LoopbackServer(Responder respond) : listener_(test::BindLoopback(port_)) {
        thread_ = std::thread([this, respond = std::move(respond)] { Serve(respond); });
    }
    ~LoopbackServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        close(listener_);
    }
    [[nodiscard]] std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }
    [[nodiscard]] std::string Url() const { return "http://" + Host() + "/vellum/version.php"; }
    [[nodiscard]] std::string Request() {  // once the server is done with the connection
        thread_.join();
        return request_;
    }

  private:
    void Serve(const Responder& respond) {
        pollfd entry{listener_, POLLIN, 0};
        for (int tries = 0; tries < 200 && !stop_; ++tries) {
            if (poll(&entry, 1, 50) != 1) continue;
            const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) return;
            request_ = test::ReadHead(fd);
            respond(fd);
            close(fd);
            return;
        }
    }

    int port_ = 0;
    int listener_;
    std::atomic<bool> stop_{false};
    std::string request_;
    std::thread thread_;
};

bool SendText(int fd, std::string_view text) {
    return send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

void HoldUntilClientCloses(int fd) {  // silent, for 15 s at most
    char block[256];
    for (pollfd in{fd, POLLIN, 0}; poll(&in, 1, 15000) == 1 && recv(fd, block, 256, 0) > 0;) {
    }
}

LoopbackServer::Responder Answer(std::string text, bool hold = true) {
    return [text = std::move(text), hold](int fd) {
        SendText(fd, text);
        if (hold) HoldUntilClientCloses(fd);
    };
}

// The head, then the filler after every pause until the client has gone.
LoopbackServer::Responder Stream(std::string head, std::string filler, Milliseconds pause = 0ms) {
    return [=](int fd) {
        if (!SendText(fd, head)) return;
        for (int sent = 0; sent < 100000 && SendText(fd, filler); ++sent)
            std::this_thread::sleep_for(pause);
    };
}

HttpClient Client(Milliseconds timeout, Milliseconds exchange = 10000ms) {
    HttpSettings settings;
    settings.timeout = timeout;
    settings.limits.exchangeTime = exchange;
    return HttpClient(settings);
}

TEST(HttpExchange, VersionCheckSendsTheExactRequestAndJudgesTheAnswer) {
    LoopbackServer server(
        Answer("HTTP/1.1 200 OK\r\n\r\n_PROGRAM_Vellum_\r\n"
               "_LATEST VERSION_1.5_\r\n_NEWS_All fine_\r\n",
               false));
    setenv("VELLUM_WEB_HOST", server.Host().c_str(), 1);
    const std::string id = "42" + std::string(32, 'a');
    const VersionCheckOutcome outcome = CheckLatestVersion(id);
    unsetenv("VELLUM_WEB_HOST");
    EXPECT_EQ(server.Request(),
              "GET /vellum/version.php?uniqueid=" + id + " HTTP/1.0\r\nHost: " + server.Host() +
                  "\r\nUser-Agent: " + ProgramTitle() + "\r\nContent-Length: 0\r\n\r\n");
    EXPECT_TRUE(outcome.exchanged);
    EXPECT_EQ(outcome.news, "All fine");
    EXPECT_EQ(outcome.verdict.picture, LogoPicture::kRed);
}

TEST(HttpExchange, AnyStatusWithACompleteReplyIsSuccess) {
    const struct {
        LoopbackServer::Responder respond;
        int status;
        std::string document;
    } cases[] = {
        {Answer("HTTP/1.1 200 OK\r\nContent-Length: 12\r\n\r\n123456789012"), 200, "123456789012"},
        {Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\n0\r\n\r\n"),
         200, "abcde"},
        {Answer("HTTP/1.0 200 OK\r\n\r\nline one\r\nline two", false), 200, "line one\r\nline two"},
        {Answer("HTTP/1.0 200 OK\nContent-Length: 3\n\nabc"), 200, "abc"},
        {Answer("HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone"), 404, "gone"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.document);
        LoopbackServer server(c.respond);
        HttpClient http = Client(1000ms);
        EXPECT_TRUE(http.SendRequest("GET", server.Url()));
        EXPECT_EQ(http.Reply().statusCode, c.status);
        EXPECT_EQ(http.Document(), c.document);
    }
}

TEST(HttpExchange, FailsOnSilenceShortBodiesAndEndlessReplies) {
    const struct {
        const char* what;
        LoopbackServer::Responder respond;
        Milliseconds exchange;
        Milliseconds atLeast;
    } cases[] = {
        {"never answers", HoldUntilClientCloses, 10000ms, 300ms},
        {"10 of 100 bytes", Answer("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789"),
         10000ms, 300ms},
        {"endless body", Stream("HTTP/1.0 200 OK\r\n\r\n", std::string(16384, 'x')), 10000ms, 0ms},
        {"endless headers", Stream("HTTP/1.0 200 OK\r\n", "X-More: yes\r\n"), 10000ms, 0ms},
        {"dribbles on", Stream("HTTP/1.0 200 OK\r\n\r\n", "x", 20ms), 600ms, 600ms},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LoopbackServer server(c.respond);
        HttpClient http = Client(300ms, c.exchange);
        const auto start = SteadyClock::now();
        EXPECT_FALSE(http.SendRequest("GET", server.Url()));
        EXPECT_GE(SteadyClock::now() - start, c.atLeast);
        EXPECT_LT(SteadyClock::now() - start, 5s);
    }
}

TEST(HttpExchange, RefusedConnectionFailsAtOnce) {
    int port = 0;
    close(test::BindLoopback(port, false));  // bound once, never listening
    HttpClient http = Client(2000ms);
    const auto start = SteadyClock::now();
    EXPECT_FALSE(http.SendRequest("GET", "http://127.0.0.1:" + std::to_string(port) + "/"));
    EXPECT_LT(SteadyClock::now() - start, 1s);
    EXPECT_EQ(http.Reply().statusCode, 500);
}

TEST(HttpExchange, VersionCheckGivesUpAfterTwoSecondsOfSilence) {
    LoopbackServer server(HoldUntilClientCloses);
    const auto start = SteadyClock::now();
    const VersionCheckOutcome outcome = CheckLatestVersionAt(server.Url());
    const auto elapsed = SteadyClock::now() - start;
    EXPECT_FALSE(outcome.exchanged);
    EXPECT_EQ(outcome.verdict.picture, LogoPicture::kGrey);
    EXPECT_EQ(outcome.verdict.message, "Cannot connect to server to check version information");
    EXPECT_GE(elapsed, 2000ms);
    EXPECT_LT(elapsed, 8s);  // well short of the 10-second bound on the whole exchange
}

}  // namespace
}  // namespace vellum::net
