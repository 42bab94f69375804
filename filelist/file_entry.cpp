#include "filelist/file_entry.h"

namespace vellum {

std::size_t HeldDigests::OffsetOf(DigestMask mask, DigestKind kind) {
    std::size_t offset = 2;
    ForEachKind(static_cast<DigestMask>(mask & (MaskOf(kind) - 1)),
                [&](DigestKind k) { offset += InfoOf(k).bytes; });
    return offset;
}

std::size_t HeldDigests::BlockSize(DigestMask mask) {
    return OffsetOf(mask, static_cast<DigestKind>(kDigestKindCount));
}

DigestValue HeldDigests::get(DigestKind kind) const {
    DigestValue value;
    if (!holds(kind)) return value;
    value.size = static_cast<std::uint8_t>(InfoOf(kind).bytes);
    const std::uint8_t* at = block_.get() + OffsetOf(mask(), kind);
    std::copy(at, at + value.size, value.bytes.begin());
    return value;
}

void HeldDigests::set(DigestKind kind, const DigestValue& value) {
    const DigestMask old = mask();
    const auto wanted = static_cast<DigestMask>(old | MaskOf(kind));
    if (wanted != old) {
        // A new block with room for the digest; those held already move to their places in it.
        auto block = std::make_unique<std::uint8_t[]>(BlockSize(wanted));
        block[0] = wanted;
        block[1] = block_ ? block_[1] : 0;
        ForEachKind(old, [&](DigestKind k) {
            const std::uint8_t* from = block_.get() + OffsetOf(old, k);
            std::copy(from, from + InfoOf(k).bytes, block.get() + OffsetOf(wanted, k));
        });
        block_ = std::move(block);
    }
    const std::size_t bytes = std::min<std::size_t>(value.size, InfoOf(kind).bytes);
    std::uint8_t* to = block_.get() + OffsetOf(wanted, kind);
    std::fill(to, to + InfoOf(kind).bytes, std::uint8_t{0});
    std::copy(value.bytes.begin(), value.bytes.begin() + static_cast<std::ptrdiff_t>(bytes), to);
}

void HeldDigests::setAlternatives(bool on) {
    if (block_) block_[1] = on ? 1 : 0;
}

void HeldDigests::CopyFrom(const HeldDigests& other) {
    if (!other.block_) {
        block_.reset();
        return;
    }
    const std::size_t size = BlockSize(other.mask());
    block_ = std::make_unique<std::uint8_t[]>(size);
    std::copy(other.block_.get(), other.block_.get() + size, block_.get());
}

bool DigestsAgree(const FileEntry& a, const FileEntry& b, DigestMask mask) {
    if ((a.digests.mask() & mask) != mask || (b.digests.mask() & mask) != mask) return false;
    bool agree = true;
    ForEachKind(mask, [&](DigestKind k) { agree = agree && a.digests.get(k) == b.digests.get(k); });
    return agree;
}

bool HeldValuesEqual(const FileEntry& stored, const FileEntry& calculated) {
    if ((EqualValues(stored, calculated) & stored.held) != stored.held) return false;
    const DigestMask held = stored.digests.mask();
    if (!stored.digests.alternatives()) return DigestsAgree(stored, calculated, held);
    bool any = false;
    ForEachKind(held, [&](DigestKind k) {
        any = any ||
              (calculated.digests.holds(k) && stored.digests.get(k) == calculated.digests.get(k));
    });
    return any;
}

}  // namespace vellum
