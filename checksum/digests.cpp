#include "checksum/digests.h"

#include <openssl/evp.h>

#include <new>
#include <stdexcept>

namespace vellum {
namespace {

constexpr std::array<DigestInfo, kDigestKindCount> kInfo = {{
    {DigestKind::Sha1, "sha1", "SHA-1", "SHA1", "sha1sum", 20},
    {DigestKind::Sha224, "sha224", "SHA-224", "SHA224", "sha224sum", 28},
    {DigestKind::Sha256, "sha256", "SHA-256", "SHA256", "sha256sum", 32},
    {DigestKind::Sha384, "sha384", "SHA-384", "SHA384", "sha384sum", 48},
    {DigestKind::Sha512, "sha512", "SHA-512", "SHA512", "sha512sum", 64},
    {DigestKind::Blake2b, "blake2b", "BLAKE2b-512", "BLAKE2b", "b2sum", 64},
}};

// libcrypto's own names; fetched once, since a fetch per file would cost a lookup each time.
const EVP_MD* Algorithm(DigestKind kind) {
    static const std::array<EVP_MD*, kDigestKindCount> algorithms = [] {
        constexpr std::array<const char*, kDigestKindCount> kNames = {
            "SHA1", "SHA2-224", "SHA2-256", "SHA2-384", "SHA2-512", "BLAKE2B-512"};
        std::array<EVP_MD*, kDigestKindCount> fetched{};
        for (int k = 0; k < kDigestKindCount; ++k) {
            fetched[static_cast<std::size_t>(k)] = EVP_MD_fetch(nullptr, kNames[k], nullptr);
            if (fetched[static_cast<std::size_t>(k)] == nullptr)
                throw std::runtime_error(std::string("libcrypto has no ") + kNames[k]);
        }
        return fetched;
    }();
    return algorithms[static_cast<std::size_t>(kind)];
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

struct DigestRun::Context {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
};

const DigestInfo& InfoOf(DigestKind kind) {
    return kInfo[static_cast<std::size_t>(kind)];
}

std::span<const DigestInfo> AllDigestInfo() {
    return kInfo;
}

DigestMask KindsWithHexDigits(std::size_t digits) {
    DigestMask mask = 0;
    for (const DigestInfo& info : kInfo)
        if (2 * info.bytes == digits) mask |= MaskOf(info.kind);
    return mask;
}

std::optional<DigestKind> KindOfTag(std::string_view tag) {
    for (const DigestInfo& info : kInfo)
        if (info.tag == tag) return info.kind;
    // b2sum -l 512 names its length, although 512 is the default.
    if (tag == "BLAKE2b-512") return DigestKind::Blake2b;
    return std::nullopt;
}

DigestRun::DigestRun() : context_(new Context) {
    if (context_->ctx == nullptr) {
        delete context_;
        throw std::bad_alloc();
    }
}

DigestRun::~DigestRun() {
    if (context_ != nullptr) EVP_MD_CTX_free(context_->ctx);
    delete context_;
}

void DigestRun::Start(DigestKind kind) {
    if (EVP_DigestInit_ex2(context_->ctx, Algorithm(kind), nullptr) != 1)
        throw std::runtime_error("libcrypto could not start a digest");
    bytes_ = InfoOf(kind).bytes;
}

void DigestRun::Add(const std::uint8_t* data, std::size_t count) {
    if (count > 0) (void)EVP_DigestUpdate(context_->ctx, data, count);
}

DigestValue DigestRun::Finish() {
    DigestValue value;
    unsigned int length = 0;
    (void)EVP_DigestFinal_ex(context_->ctx, value.bytes.data(), &length);
    value.size = static_cast<std::uint8_t>(bytes_);
    return value;
}

std::string LowerHex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * bytes.size());
    for (const std::uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0xF];
    }
    return text;
}

std::optional<DigestValue> ReadExactHex(std::string_view text, std::size_t bytes) {
    if (bytes > kMaxDigestBytes || text.size() != 2 * bytes) return std::nullopt;
    DigestValue value;
    value.size = static_cast<std::uint8_t>(bytes);
    for (std::size_t k = 0; k < text.size(); ++k) {
        const int digit = HexValue(text[k]);
        if (digit < 0) return std::nullopt;
        value.bytes[k / 2] |= static_cast<std::uint8_t>(k % 2 ? digit : digit << 4);
    }
    return value;
}

}  // namespace vellum
