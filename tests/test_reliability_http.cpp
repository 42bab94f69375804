// The version check's HTTP client against a server that misbehaves in every way this file
// knows: silent, drip-feeding, cut short, endless, with bad or huge chunk sizes, huge or endless
// headers, NUL bytes and negative lengths. The client runs with the version check's own
// settings (2 s per wait, 10 s for the exchange, 1 MiB of body, 64 KiB of head); every case
// must end within those bounds with the outcome its bytes call for, and no server mode runs for
// more than 15 s whatever the client does.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <stdexcept>
#include <thread>

#include "net/http.h"
#include "net/version_check.h"
#include "tests/reliability/harness.h"
#include "tests/support/loopback_http.h"

namespace vellum::net {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kServerLife = 15s;

// The server's side of one connection; it ends by itself at its deadline.
class Peer {
  public:
    Peer(int fd, Clock::time_point deadline) : fd_(fd), deadline_(deadline) {}
    // False once the client has gone or the deadline has passed.
    bool Send(std::string_view bytes) {
        if (Clock::now() >= deadline_) return false;
        return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size());
    }
    // Waits up to pause (or the deadline) and tells whether the client is still there.
    bool Pause(Milliseconds pause) {
        const auto until = std::min(Clock::now() + pause, deadline_);
        char byte;
        for (;;) {
            const auto left = std::chrono::duration_cast<Milliseconds>(until - Clock::now());
            if (left.count() <= 0) return Clock::now() < deadline_;
            pollfd in{fd_, POLLIN, 0};
            if (poll(&in, 1, static_cast<int>(left.count())) == 1 && recv(fd_, &byte, 1, 0) <= 0)
                return false;
        }
    }
    void Hold() {
        while (Pause(1000ms)) {
        }
    }

  private:
    int fd_;
    Clock::time_point deadline_;
};

using Mode = std::function<void(Peer&)>;

// One connection on a loopback port, answered by the mode on a thread of its own.
class MisbehavingServer {
  public:
    explicit MisbehavingServer(Mode mode) : listener_(test::BindLoopback(port_)) {
        thread_ = std::thread([this, mode = std::move(mode)] { Serve(mode); });
    }
    ~MisbehavingServer() {
        thread_.join();
        close(listener_);
    }
    [[nodiscard]] std::string Url() const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/vellum/version.php";
    }

  private:
    void Serve(const Mode& mode) {
        const auto deadline = Clock::now() + kServerLife;
        pollfd entry{listener_, POLLIN, 0};
        if (poll(&entry, 1, 10000) != 1) return;
        const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        (void)test::ReadHead(fd);
        Peer peer(fd, deadline);
        mode(peer);
        close(fd);
    }

    int port_ = 0;  // before listener_: binding it fills this in
    int listener_ = -1;
    std::thread thread_;
};

Mode Say(std::string text, bool hold = true) {
    return [=](Peer& peer) {
        if (peer.Send(text) && hold) peer.Hold();
    };
}

// The head, then the filler again and again, a pause before each.
Mode Stream(std::string head, std::string filler, Milliseconds pause) {
    return [=](Peer& peer) {
        if (!peer.Send(head)) return;
        while (peer.Pause(pause) && peer.Send(filler)) {
        }
    };
}

const std::string kOk = "HTTP/1.1 200 OK\r\n";
const std::string kChunked = kOk + "Transfer-Encoding: chunked\r\n\r\n";

struct Misbehaviour {
    const char* what;
    Mode mode;
    bool succeeds;
    std::string document;  // of a successful exchange
    Milliseconds bound;    // 3 s where one 2-second wait ends it, 12 s where the exchange does
};

std::vector<Misbehaviour> Misbehaviours() {
    const std::string nul = "a\0b\0c"s;
    return {
        {"silent after the request", Say("", true), false, "", 3s},
        {"drip-feeds the status line", Stream("HTTP/1.0 2", "0", 1000ms), false, "", 3s},
        {"drip-feeds a header line", Stream(kOk + "X-Slow: ", "z", 1000ms), false, "", 3s},
        {"drip-feeds a known-length body", Stream(kOk + "Content-Length: 100\r\n\r\n", "b", 1000ms),
         false, "", 12s},
        {"drip-feeds a body without length", Stream(kOk + "\r\n", "b", 1000ms), false, "", 12s},
        {"drip-feeds chunk after chunk", Stream(kChunked, "1\r\nc\r\n", 1000ms), false, "", 12s},
        {"10 of 100 body bytes, then silence", Say(kOk + "Content-Length: 100\r\n\r\n0123456789"),
         false, "", 3s},
        {"10 of 100 body bytes, then closes",
         Say(kOk + "Content-Length: 100\r\n\r\n0123456789", false), false, "", 3s},
        {"closes inside the headers", Say(kOk + "Content-Type: text/plain\r\n", false), false, "",
         3s},
        {"endless body without length", Stream(kOk + "\r\n", std::string(65536, 'e'), 0ms), false,
         "", 3s},
        {"endless small chunks", Stream(kChunked, "400\r\n" + std::string(1024, 'c') + "\r\n", 0ms),
         false, "", 3s},
        {"a length of a terabyte", Stream(kOk + "Content-Length: 1099511627776\r\n\r\n", "t", 0ms),
         false, "", 3s},
        {"a chunk of 2^64 - 1 bytes", Say(kChunked + "FFFFFFFFFFFFFFFF\r\nabc"), false, "", 3s},
        {"a chunk size past 64 bits", Say(kChunked + "1FFFFFFFFFFFFFFFFFFFF\r\nabc"), false, "",
         3s},
        {"a chunk size that is not hexadecimal", Say(kChunked + "3\r\nabc\r\nzz\r\nmore"), true,
         "abc", 3s},
        {"an endless chunk-size line", Stream(kChunked + "1", "0", 0ms), false, "", 3s},
        {"a 100 KiB header line", Say(kOk + "X-Huge: " + std::string(100 * 1024, 'h') + "\r\n\r\n"),
         false, "", 3s},
        {"endless header lines", Stream(kOk, "X-More: yes\r\n", 0ms), false, "", 3s},
        {"endless empty lines before the status", Stream("", "\r\n", 0ms), false, "", 3s},
        {"NUL bytes in status, header and body",
         Say("HTTP/1.1 200 O\0K\r\nX-N\0ul: \0\r\nContent-Length: 5\r\n\r\n"s + nul), true, nul,
         3s},
        {"a negative Content-Length", Say(kOk + "Content-Length: -5\r\n\r\nignored"), true, "", 3s},
        {"a Content-Length past 64 bits, then silence",
         Say(kOk + "Content-Length: 99999999999999999999\r\n\r\nkept"), true, "kept", 3s},
    };
}

struct Result {
    bool ok = false;
    std::string document;
    double seconds = 0;
};

// The exchange as the version check makes it.
Result Exchange(const std::string& url) {
    HttpSettings settings;
    settings.timeout = kCheckTimeout;
    HttpClient http(settings);
    const auto start = Clock::now();
    Result r;
    r.ok = http.SendRequest("GET", url);
    r.seconds = test::SecondsSince(start);
    r.document = http.Document();
    return r;
}

TEST(HttpMisbehaviour, EveryCaseEndsWithinItsBoundWithTheOutcomeItsBytesCallFor) {
    const std::vector<Misbehaviour> cases = Misbehaviours();
    // The cases wait more than they work, so they run side by side.
    std::vector<std::unique_ptr<MisbehavingServer>> servers;
    std::vector<std::future<Result>> results;
    for (const Misbehaviour& c : cases) {
        servers.push_back(std::make_unique<MisbehavingServer>(c.mode));
        results.push_back(std::async(std::launch::async, Exchange, servers.back()->Url()));
    }
    double worstShort = 0, worstLong = 0;
    for (std::size_t k = 0; k < cases.size(); ++k) {
        const Misbehaviour& c = cases[k];
        SCOPED_TRACE(c.what);
        const Result r = results[k].get();
        EXPECT_EQ(r.ok, c.succeeds);
        if (c.succeeds) {
            EXPECT_EQ(r.document, c.document);
        }
        EXPECT_LE(r.document.size(), HttpLimits{}.maxBodyBytes + 1);
        EXPECT_LT(r.seconds, std::chrono::duration<double>(c.bound).count());
        double& worst = c.bound == 3s ? worstShort : worstLong;
        worst = std::max(worst, r.seconds);
    }
    servers.clear();
    test::Figure("must-not-hang, 3 s: worst HTTP case ended by one 2-second wait",
                 worstShort * 1000, "ms");
    test::Figure("must-not-hang, 12 s: worst HTTP case ended by the 10-second exchange",
                 worstLong * 1000, "ms");
}

TEST(HttpMisbehaviour, TheVersionCheckGivesUpOnADripFedReplyWithinTheExchangeBound) {
    MisbehavingServer server(Stream(kOk + "\r\n_PROGRAM_Vellum_", "_", 500ms));
    const auto start = Clock::now();
    const VersionCheckOutcome outcome = CheckLatestVersionAt(server.Url());
    const double seconds = test::SecondsSince(start);
    EXPECT_FALSE(outcome.exchanged);
    EXPECT_EQ(outcome.verdict.message, "Cannot connect to server to check version information");
    EXPECT_GT(seconds, 9.0);
    EXPECT_LT(seconds, 12.0);
}

TEST(HttpMisbehaviour, AnEndlessBodyCostsAtMostItsLimitInMemory) {
    MisbehavingServer server(Stream(kOk + "\r\n", std::string(65536, 'e'), 0ms));
    Result r;
    const long growth = test::PeakGrowthKiB([&] { r = Exchange(server.Url()); });
    EXPECT_FALSE(r.ok);
    EXPECT_LT(growth, 64 * 1024);
    test::Figure("peak memory growth: endless HTTP body", growth / 1024.0, "MiB");
}

}  // namespace
}  // namespace vellum::net
