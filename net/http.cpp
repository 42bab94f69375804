#include "net/http.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <limits>
#include <utility>

#include "program_identity.h"

namespace vellum::net {

namespace {

using platform::IoStatus;

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (UpperAscii(text[i]) != UpperAscii(prefix[i])) return false;
    return true;
}

bool ContainsNoCase(std::string_view text, std::string_view word) {
    for (std::size_t at = 0; at + word.size() <= text.size(); ++at)
        if (StartsWithNoCase(text.substr(at), word)) return true;
    return false;
}

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text, int base = 10) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
    return value;
}

// The text after the first blank of a line, up to the next blank.
std::string_view WordAfterFirstBlank(std::string_view line) {
    const auto blank = line.find(' ');
    if (blank == std::string_view::npos) return {};
    const std::string_view rest = line.substr(blank + 1);
    return rest.substr(0, rest.find(' '));
}

// Reply bytes in, lines and blocks out. A line ends at CR, LF, CR LF or LF CR; the second half
// of a pair is dropped only when the next byte arrives, so a lone CR never waits for more.
class ReplyReader {
  public:
    enum class Got { kData, kClosed, kSilent, kError, kExpired, kTooLong };

    ReplyReader(ByteSource& source, const ReplyReadOptions& options)
        : source_(source), options_(options) {}

    Got ReadLine(std::string& line, std::size_t maxLength) {
        const auto deadline = Later(options_.timeout);
        line.clear();
        for (;;) {
            if (const Got got = Ready(deadline); got != Got::kData) return got;
            const std::string_view held(buffer_.data() + pos_, length_ - pos_);
            const auto end = held.find_first_of("\r\n");
            line.append(held.substr(0, end));
            if (line.size() > maxLength) return Got::kTooLong;
            if (end == std::string_view::npos) {
                Take(held.size());
                continue;
            }
            pendingPair_ = held[end] == '\r' ? '\n' : '\r';
            Take(end + 1);
            return Got::kData;
        }
    }

    // Appends up to most bytes of what arrives within the timeout.
    Got ReadSome(std::string& out, std::size_t most) {
        if (const Got got = Ready(Later(options_.timeout)); got != Got::kData) return got;
        const std::size_t part = std::min(most, length_ - pos_);
        out.append(buffer_.data() + pos_, part);
        Take(part);
        return Got::kData;
    }

    // Appends exactly count bytes; every wait for more may last the timeout.
    Got ReadExactly(std::size_t count, std::string& out) {
        while (count > 0) {
            const std::size_t before = out.size();
            if (const Got got = ReadSome(out, count); got != Got::kData) return got;
            count -= out.size() - before;
        }
        return Got::kData;
    }

    [[nodiscard]] std::size_t Consumed() const { return consumed_; }

  private:
    static SteadyClock::time_point Later(Milliseconds wait) { return SteadyClock::now() + wait; }

    void Take(std::size_t count) {
        pos_ += count;
        consumed_ += count;
    }

    // At least one byte in the buffer, the pending half of a line-end pair dropped first.
    Got Ready(SteadyClock::time_point deadline) {
        for (;;) {
            if (pos_ == length_)
                if (const Got got = Fill(deadline); got != Got::kData) return got;
            const char pair = std::exchange(pendingPair_, '\0');
            if (pair == '\0' || buffer_[pos_] != pair) return Got::kData;
            Take(1);
        }
    }

    Got Fill(SteadyClock::time_point deadline) {
        const bool exchangeFirst = options_.deadline <= deadline;
        const auto until = exchangeFirst ? options_.deadline : deadline;
        const auto now = SteadyClock::now();
        if (now >= until) return exchangeFirst ? Got::kExpired : Got::kSilent;
        const auto wait = std::chrono::ceil<Milliseconds>(until - now);
        const platform::IoResult result = source_.Read(buffer_.data(), buffer_.size(), wait);
        switch (result.status) {
            case IoStatus::kOk:
                if (result.count == 0 || result.count > buffer_.size()) return Got::kError;
                pos_ = 0;
                length_ = result.count;
                return Got::kData;
            case IoStatus::kClosed:
                return Got::kClosed;
            case IoStatus::kTimedOut:
                return exchangeFirst ? Got::kExpired : Got::kSilent;
            case IoStatus::kFailed:
                break;
        }
        return Got::kError;
    }

    ByteSource& source_;
    const ReplyReadOptions& options_;
    std::array<char, 4096> buffer_{};
    std::size_t pos_ = 0;
    std::size_t length_ = 0;
    std::size_t consumed_ = 0;
    char pendingPair_ = '\0';
};

using Got = ReplyReader::Got;

struct BodyFraming {
    bool chunked = false;
    std::optional<std::int64_t> length;
};

// Reads the next line of the head, counting it against the head's limit.
bool ReadHeadLine(ReplyReader& reader, const HttpLimits& limits, std::string& line) {
    const std::size_t used = reader.Consumed();
    if (used > limits.maxHeaderBytes) return false;
    return reader.ReadLine(line, limits.maxHeaderBytes - used) == Got::kData &&
           reader.Consumed() <= limits.maxHeaderBytes;
}

void ParseStatusLine(std::string_view line, HttpReply& reply) {
    reply.statusCode = ParseNumber<int>(WordAfterFirstBlank(line)).value_or(0);
    const auto first = line.find(' ');
    const auto second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    if (second != std::string_view::npos) reply.reason = std::string(line.substr(second + 1));
}

void InterpretHeader(std::string_view line, HttpReply& reply, BodyFraming& framing) {
    if (StartsWithNoCase(line, "CONTENT-LENGTH:")) {
        // Taken after the colon rather than after the first blank, so "Content-Length:12" and
        // doubled blanks still give the length.
        if (const auto length = ParseNumber<std::int64_t>(Trim(line.substr(line.find(':') + 1))))
            framing.length = length;
    } else if (StartsWithNoCase(line, "TRANSFER-ENCODING:")) {
        if (ContainsNoCase(line, "CHUNKED")) framing.chunked = true;
    } else if (StartsWithNoCase(line, "CONNECTION: CLOSE")) {
        reply.closeAfter = true;
    } else if (StartsWithNoCase(line, "CONTENT-TYPE:")) {
        reply.contentType = std::string(Trim(line.substr(line.find(':') + 1)));
    }
}

bool ReadHeaders(ReplyReader& reader, const HttpLimits& limits, HttpReply& reply,
                 BodyFraming& framing) {
    std::string line;
    for (;;) {
        if (!ReadHeadLine(reader, limits, line)) return false;
        if (line.empty()) return true;
        InterpretHeader(line, reply, framing);
        reply.headers.push_back(line);
    }
}

// The chunk size from the first word of a line, cut at ";". nullopt when it is not
// hexadecimal; a size too large for 64 bits is kept as the largest, which no limit admits.
std::optional<std::uint64_t> ChunkSize(std::string_view line) {
    std::string_view word = Trim(line);
    word = word.substr(0, word.find_first_of(" \t"));
    word = word.substr(0, word.find(';'));
    if (word.empty() || word.find_first_not_of("0123456789abcdefABCDEF") != word.npos) return {};
    return ParseNumber<std::uint64_t>(word, 16).value_or(std::numeric_limits<std::uint64_t>::max());
}

bool ReadChunkedBody(ReplyReader& reader, const HttpLimits& limits, std::string& document) {
    const std::size_t framingStart = reader.Consumed();
    std::string line;
    for (;;) {
        const std::size_t framingUsed = reader.Consumed() - framingStart - document.size();
        if (framingUsed > limits.maxHeaderBytes) return false;
        if (reader.ReadLine(line, limits.maxHeaderBytes - framingUsed) != Got::kData) return false;
        if (Trim(line).empty()) continue;
        const auto size = ChunkSize(line);
        if (!size || *size == 0) return true;
        if (*size > limits.maxBodyBytes - document.size()) return false;
        if (reader.ReadExactly(static_cast<std::size_t>(*size), document) != Got::kData)
            return false;
    }
}

bool ReadKnownLength(ReplyReader& reader, const HttpLimits& limits, std::int64_t length,
                     std::string& document) {
    if (length < 1) return true;
    if (static_cast<std::uint64_t>(length) > limits.maxBodyBytes - document.size()) return false;
    return reader.ReadExactly(static_cast<std::size_t>(length), document) == Got::kData;
}

// Until the server closes or falls silent; an error there ends the body as a close would.
// Only the limits make this fail.
bool ReadUntilClose(ReplyReader& reader, const HttpLimits& limits, std::string& document) {
    for (;;) {
        if (document.size() > limits.maxBodyBytes) return false;
        // One byte past the limit is enough to know the body is too long.
        const Got got = reader.ReadSome(document, limits.maxBodyBytes + 1 - document.size());
        if (got == Got::kExpired) return false;
        if (got != Got::kData) return true;
    }
}

bool ReadBody(ReplyReader& reader, const HttpLimits& limits, const BodyFraming& framing,
              std::string& document) {
    if (framing.chunked) return ReadChunkedBody(reader, limits, document);
    if (framing.length) return ReadKnownLength(reader, limits, *framing.length, document);
    return ReadUntilClose(reader, limits, document);
}

bool BreaksHead(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
}

bool IsBlankOrControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7F;
}

// The scheme in lower case, removed from url with its "://"; "http" when url names none.
std::string TakeScheme(std::string_view& url) {
    const auto end = url.find("://");
    if (end == url.npos || url.find('/') < end) return "http";
    std::string scheme;
    std::transform(url.begin(), url.begin() + end, std::back_inserter(scheme), LowerAscii);
    url.remove_prefix(end + 3);
    return scheme;
}

std::string TargetOf(std::string_view rest) {
    if (rest.empty()) return "/";
    return rest.front() == '?' ? "/" + std::string(rest) : std::string(rest);
}

// Host as written (an IPv6 literal keeps its brackets) and the port, else the scheme's own.
bool SplitHostPort(std::string_view authority, HttpUrl& parsed) {
    if (authority.empty()) return false;
    const auto bracket = authority.front() == '[' ? authority.find(']') : 0;
    if (bracket == authority.npos) return false;
    const auto colon = authority.find(':', bracket);
    parsed.host = std::string(authority.substr(0, colon));
    const std::string_view port = colon == authority.npos ? "" : authority.substr(colon + 1);
    parsed.port = !port.empty() ? std::string(port) : parsed.scheme == "https" ? "443" : "80";
    return true;
}

Milliseconds Remaining(SteadyClock::time_point deadline) {
    const auto left = std::chrono::ceil<Milliseconds>(deadline - SteadyClock::now());
    return std::max(left, Milliseconds(0));
}

std::string ConnectHost(std::string_view host) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    return std::string(host);
}

class SocketSource final : public ByteSource {
  public:
    explicit SocketSource(platform::TcpStream& stream) : stream_(stream) {}
    platform::IoResult Read(char* buffer, std::size_t size, Milliseconds wait) override {
        return stream_.Receive(buffer, size, wait);
    }

  private:
    platform::TcpStream& stream_;
};

}  // namespace

bool ReadReply(ByteSource& source, const ReplyReadOptions& options, HttpReply& reply) {
    reply = HttpReply{};
    ReplyReader reader(source, options);
    const HttpLimits& limits = options.limits;
    std::string first;
    do {
        if (!ReadHeadLine(reader, limits, first)) return false;
    } while (first.empty());
    if (!StartsWithNoCase(first, "HTTP/")) {
        reply.statusCode = 0;
        reply.document = first + "\r\n";
        return ReadUntilClose(reader, limits, reply.document);
    }
    ParseStatusLine(first, reply);
    BodyFraming framing;
    if (!ReadHeaders(reader, limits, reply, framing)) return false;
    if (reply.statusCode == 204 || reply.statusCode == 304 || options.headRequest) return true;
    return ReadBody(reader, limits, framing, reply.document);
}

std::optional<HttpUrl> ParseUrl(std::string_view url) {
    if (std::any_of(url.begin(), url.end(), IsBlankOrControl)) return std::nullopt;
    HttpUrl parsed;
    parsed.scheme = TakeScheme(url);
    const auto authorityEnd = std::min(url.find('/'), url.find('?'));
    parsed.target = TargetOf(authorityEnd == url.npos ? "" : url.substr(authorityEnd));
    std::string_view authority = url.substr(0, authorityEnd);
    if (const auto at = authority.rfind('@'); at != authority.npos) authority.remove_prefix(at + 1);
    if (!SplitHostPort(authority, parsed)) return std::nullopt;
    const auto number = ParseNumber<int>(parsed.port);
    if (parsed.host.empty() || !number || *number < 1 || *number > 65535) return std::nullopt;
    return parsed;
}

std::optional<std::string> RequestHead(std::string_view method, const HttpUrl& url,
                                       std::string_view protocol, std::string_view userAgent,
                                       std::size_t contentLength) {
    if (method.empty() || std::any_of(method.begin(), method.end(), IsBlankOrControl) ||
        BreaksHead(userAgent) || BreaksHead(protocol))
        return std::nullopt;
    std::string head;
    std::transform(method.begin(), method.end(), std::back_inserter(head), UpperAscii);
    head += " " + url.target + " HTTP/" + std::string(protocol) + "\r\n";
    head += "Host: " + url.host + (url.port == "80" ? "" : ":" + url.port) + "\r\n";
    head += "User-Agent: " + std::string(userAgent) + "\r\n";
    head += "Content-Length: " + std::to_string(contentLength) + "\r\n\r\n";
    return head;
}

HttpClient::HttpClient() {
    settings_.userAgent = ProgramTitle();
}

bool HttpClient::SendRequest(std::string_view method, std::string_view url) {
    try {
        // One deadline for connecting, sending and reading, so no step can outlast the bound.
        const auto deadline = SteadyClock::now() + settings_.limits.exchangeTime;
        const std::string body = std::exchange(reply_, HttpReply{}).document;
        const auto parsed = ParseUrl(url);
        if (!parsed || parsed->scheme != "http") return false;
        const auto request =
            RequestHead(method, *parsed, settings_.protocol, settings_.userAgent, body.size());
        if (!request) return false;
        platform::TcpStream stream =
            platform::ConnectTcp(ConnectHost(parsed->host), parsed->port,
                                 std::min(settings_.timeout, Remaining(deadline)));
        if (!stream.IsOpen()) return false;
        if (stream.SendAll(*request + body, Remaining(deadline)).status != IoStatus::kOk)
            return false;
        SocketSource source(stream);
        const bool head = method.size() == 4 && StartsWithNoCase(method, "HEAD");
        const ReplyReadOptions options{settings_.timeout, settings_.limits, head, deadline};
        return ReadReply(source, options, reply_);
    } catch (...) {
        // Only allocation can throw here; the caller is told the exchange failed.
        return false;
    }
}

}  // namespace vellum::net
