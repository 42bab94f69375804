// The further digests a list may show beside the four values: SHA-1, SHA-224, SHA-256, SHA-384,
// SHA-512 and BLAKE2b-512, as the sha*sum and b2sum tools write them. They are calculated by
// libcrypto, which brings the processor's SHA extensions where it has them.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vellum {

enum class DigestKind : std::uint8_t { Sha1, Sha224, Sha256, Sha384, Sha512, Blake2b };
inline constexpr int kDigestKindCount = 6;

// A set of digest kinds, one bit each.
using DigestMask = std::uint8_t;
[[nodiscard]] constexpr DigestMask MaskOf(DigestKind kind) {
    return static_cast<DigestMask>(1u << static_cast<unsigned>(kind));
}
inline constexpr DigestMask kAllDigests = (1u << kDigestKindCount) - 1;
inline constexpr std::size_t kMaxDigestBytes = 64;

struct DigestInfo {
    DigestKind kind;
    std::string_view caption;  // the list's column caption, lower case as "md5" is
    std::string_view menu;     // the name users know it by
    std::string_view tag;      // the algorithm of a BSD tag line
    std::string_view tool;     // the coreutils program that writes and checks its lists
    std::size_t bytes;
};

[[nodiscard]] const DigestInfo& InfoOf(DigestKind kind);
// Every kind, in the order of their columns.
[[nodiscard]] std::span<const DigestInfo> AllDigestInfo();
// The kinds whose hexadecimal text has this many digits (SHA-512 and BLAKE2b-512 share 128).
[[nodiscard]] DigestMask KindsWithHexDigits(std::size_t digits);
// The kind a BSD tag line names, exactly as the tools write it.
[[nodiscard]] std::optional<DigestKind> KindOfTag(std::string_view tag);
// Calls visit(kind) for every kind in mask, in column order.
template <class Visit>
void ForEachKind(DigestMask mask, Visit&& visit) {
    for (int k = 0; k < kDigestKindCount; ++k)
        if ((mask >> k) & 1u) visit(static_cast<DigestKind>(k));
}

struct DigestValue {
    std::array<std::uint8_t, kMaxDigestBytes> bytes{};
    std::uint8_t size = 0;
    [[nodiscard]] std::span<const std::uint8_t> view() const { return {bytes.data(), size}; }
    friend bool operator==(const DigestValue& a, const DigestValue& b) {
        return std::equal(a.view().begin(), a.view().end(), b.view().begin(), b.view().end());
    }
};

// One running digest. The context is made once and started again for every file, so that a
// pass makes no allocation per file.
class DigestRun {
  public:
    DigestRun();
    ~DigestRun();
    DigestRun(const DigestRun&) = delete;
    DigestRun& operator=(const DigestRun&) = delete;

    void Start(DigestKind kind);
    void Add(const std::uint8_t* data, std::size_t count);
    [[nodiscard]] DigestValue Finish();

  private:
    struct Context;
    Context* context_ = nullptr;
    std::size_t bytes_ = 0;
};

// Lower-case hexadecimal, first byte first.
[[nodiscard]] std::string LowerHex(std::span<const std::uint8_t> bytes);
// Exactly 2 x bytes hexadecimal digits of either case, or nothing.
[[nodiscard]] std::optional<DigestValue> ReadExactHex(std::string_view text, std::size_t bytes);

}  // namespace vellum
