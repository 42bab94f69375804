// The HTTP reply parser on bytes from memory. The first byte chooses how the bytes end (the
// server closes, falls silent or fails) and the piece size; the rest is the reply. The outcome
// must not depend on how the bytes were cut into pieces, and no limit may be passed.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "net/http.h"

namespace {

using vellum::net::ByteSource;
using vellum::net::HttpReply;
using vellum::platform::IoResult;
using vellum::platform::IoStatus;

class MemorySource final : public ByteSource {
  public:
    MemorySource(std::string_view bytes, std::size_t piece, IoStatus end)
        : bytes_(bytes), piece_(piece), end_(end) {}
    IoResult Read(char* buffer, std::size_t size, vellum::net::Milliseconds) override {
        if (at_ == bytes_.size()) return {end_, 0};
        const std::size_t n = std::min({size, piece_, bytes_.size() - at_});
        std::memcpy(buffer, bytes_.data() + at_, n);
        at_ += n;
        return {IoStatus::kOk, n};
    }

  private:
    std::string_view bytes_;
    std::size_t piece_, at_ = 0;
    IoStatus end_;
};

struct Outcome {
    bool ok;
    HttpReply reply;
};

Outcome Parse(std::string_view bytes, std::size_t piece, IoStatus end) {
    MemorySource source(bytes, piece, end);
    vellum::net::ReplyReadOptions options;
    // Small limits, so that short inputs reach them too.
    options.limits.maxHeaderBytes = 512;
    options.limits.maxBodyBytes = 2048;
    Outcome o{false, {}};
    o.ok = vellum::net::ReadReply(source, options, o.reply);
    return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static constexpr IoStatus kEnds[] = {IoStatus::kClosed, IoStatus::kTimedOut, IoStatus::kFailed,
                                         IoStatus::kClosed};
    const IoStatus end = kEnds[data[0] & 3];
    const std::size_t piece = (data[0] >> 2) + 1;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const Outcome whole = Parse(bytes, bytes.size() + 1, end);
    const Outcome cut = Parse(bytes, piece, end);
    if (whole.ok != cut.ok || whole.reply.statusCode != cut.reply.statusCode ||
        whole.reply.document != cut.reply.document || whole.reply.headers != cut.reply.headers)
        std::abort();
    if (whole.reply.document.size() > 2048 + 1) std::abort();
    return 0;
}
