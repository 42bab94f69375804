#include "checksum/md5_lanes.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "checksum/md5_lane_kernels.h"

namespace vellum {

namespace {

constexpr std::size_t kBlock = 64;

// Writes the padding of a message of length bytes whose last r (< 64) bytes start at p: 0x80,
// zeros, and the length in bits, low byte first. Returns the blocks from p on: 1, or 2 when the
// length no longer fits after the data.
std::size_t Pad(std::uint8_t* p, std::size_t r, std::uint64_t length) {
    const std::size_t end = r < 56 ? kBlock : 2 * kBlock;
    p[r] = 0x80;
    std::memset(p + r + 1, 0, end - 8 - (r + 1));
    const std::uint64_t bits = length << 3;
    for (std::size_t i = 0; i < 8; ++i) p[end - 8 + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    return end / kBlock;
}

constexpr std::uint32_t kStart[4] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};

}  // namespace

// What the object knows of each lane besides its words, where its blocks are and how many are
// left (next_ and left_, kept apart for the runs' quick look at every lane).
struct Md5Lanes::Slot {
    Lane state = Lane::Idle;
    std::size_t owner = 0;     // the caller's tag for the message
    bool last = false;         // the message's last bytes have been given
    std::uint8_t held = 0;     // bytes of an unfinished block kept in own
    std::uint64_t length = 0;  // bytes given so far
    // The blocks that follow those: the padded end of a message, copied into own.
    const std::uint8_t* then = nullptr;
    std::size_t thenBlocks = 0;
    alignas(64) std::uint8_t own[2 * kBlock];
};

// One state word of up to 16 lanes of a group.
struct alignas(64) Md5Lanes::Rows {
    std::uint32_t words[paths::kLaneRow];
};

Md5Lanes::Md5Lanes() : Md5Lanes(*paths::Chosen(paths::Md5LanesPaths()).fn) {}

Md5Lanes::Md5Lanes(const paths::Md5LanesKernel& kernel)
    : kernel_(kernel),
      lanes_(std::min(kernel.width * kernel.groups, kMaxLanes)),
      slots_(std::make_unique<Slot[]>(lanes_)),
      rows_(std::make_unique<Rows[]>(4 * (lanes_ / kernel.width))),
      next_(std::make_unique<const std::uint8_t*[]>(lanes_)),
      left_(std::make_unique<std::size_t[]>(lanes_)) {}

Md5Lanes::~Md5Lanes() = default;

std::string_view Md5Lanes::KernelName() const {
    for (const auto& path : paths::Md5LanesPaths())
        if (path.fn == &kernel_) return path.name;
    return "?";
}

Md5Lanes::Lane Md5Lanes::State(int lane) const {
    return slots_[lane].state;
}

int Md5Lanes::IdleLane() const {
    for (int l = 0; l < lanes_; ++l)
        if (slots_[l].state == Lane::Idle) return l;
    return -1;
}

std::uint32_t* Md5Lanes::Words(int lane) const {
    const int group = lane / kernel_.width;
    return rows_[4 * group].words + lane % kernel_.width;
}

void Md5Lanes::Become(int lane, Lane state) {
    const LaneMask bit = LaneMask{1} << lane;
    busy_ = state == Lane::Busy ? busy_ | bit : busy_ & ~bit;
    slots_[lane].state = state;
}

void Md5Lanes::Start(int lane, std::size_t owner) {
    Slot& slot = slots_[lane];
    Become(lane, Lane::Hungry);
    slot.owner = owner;
    slot.last = false;
    slot.held = 0;
    slot.length = 0;
    left_[lane] = 0;
    slot.thenBlocks = 0;
    std::uint32_t* words = Words(lane);
    for (std::size_t w = 0; w < 4; ++w) words[w * paths::kLaneRow] = kStart[w];
}

Md5Midway Md5Lanes::Suspend(int lane) {
    Md5Midway midway;
    const std::uint32_t* words = Words(lane);
    for (std::size_t w = 0; w < 4; ++w) midway.words[w] = words[w * paths::kLaneRow];
    midway.length = slots_[lane].length;
    Become(lane, Lane::Idle);
    return midway;
}

std::size_t Md5Lanes::Owner(int lane) const {
    return slots_[lane].owner;
}

void Md5Lanes::Resume(int lane, const Md5Midway& from, std::size_t owner) {
    Start(lane, owner);
    slots_[lane].length = from.length;
    std::uint32_t* words = Words(lane);
    for (std::size_t w = 0; w < 4; ++w) words[w * paths::kLaneRow] = from.words[w];
}

void Md5Lanes::Drop(int lane) {
    Become(lane, Lane::Idle);
}

// A block completed from the bytes held and a new chunk's first ones runs at once, on the
// portable kernel: it comes before the chunk's blocks, and the lane has nothing else to run.
void Md5Lanes::RunOwnBlock(int lane) {
    const std::uint8_t* next = slots_[lane].own;
    const paths::LaneGroup one{Words(lane), &next, 1};
    paths::kMd5LanesPortable.run(&one, 1, 1);
}

bool Md5Lanes::Add(int lane, const std::uint8_t* data, std::size_t bytes) {
    if (bytes == 0) return false;
    Slot& slot = slots_[lane];
    slot.length += bytes;
    if (slot.held > 0) {
        const std::size_t take = std::min(kBlock - slot.held, bytes);
        std::memcpy(slot.own + slot.held, data, take);
        slot.held = static_cast<std::uint8_t>(slot.held + take);
        data += take;
        bytes -= take;
        if (slot.held < kBlock) return false;
        RunOwnBlock(lane);
        slot.held = 0;
    }
    left_[lane] = bytes / kBlock;
    next_[lane] = data;
    slot.held = static_cast<std::uint8_t>(bytes % kBlock);
    if (slot.held > 0) std::memcpy(slot.own, data + bytes - slot.held, slot.held);
    if (left_[lane] == 0) return false;
    Become(lane, Lane::Busy);
    return true;
}

void Md5Lanes::AddLast(int lane, std::uint8_t* data, std::size_t bytes, std::size_t room) {
    Slot& slot = slots_[lane];
    // An end shorter than a block is copied all the same: its padding would go in own anyway.
    if (slot.held + bytes < kBlock || room < bytes + kSlack) {
        AddLast(lane, static_cast<const std::uint8_t*>(data), bytes);
        return;
    }
    // The held bytes and the first of data make a block; the rest is padded in place.
    const std::size_t wholeFirst = slot.held > 0 ? kBlock - slot.held : 0;
    Add(lane, data, wholeFirst);
    data += wholeFirst;
    bytes -= wholeFirst;
    slot.length += bytes;
    const std::size_t whole = bytes / kBlock;
    left_[lane] = whole + Pad(data + whole * kBlock, bytes % kBlock, slot.length);
    next_[lane] = data;
    slot.last = true;
    Become(lane, Lane::Busy);
}

void Md5Lanes::AddLast(int lane, const std::uint8_t* data, std::size_t bytes) {
    Slot& slot = slots_[lane];
    Add(lane, data, bytes);
    // Add kept the bytes after the last whole block in own; the padding goes after them.
    const std::size_t endBlocks = Pad(slot.own, slot.held, slot.length);
    slot.held = 0;
    slot.last = true;
    if (left_[lane] == 0) {
        next_[lane] = slot.own;
        left_[lane] = endBlocks;
    } else {
        slot.then = slot.own;
        slot.thenBlocks = endBlocks;
    }
    Become(lane, Lane::Busy);
}

LaneMask Md5Lanes::Run() {
    LaneMask stopped = 0;
    while (stopped == 0 && busy_ != 0) {
        std::size_t blocks = std::numeric_limits<std::size_t>::max();
        for (LaneMask m = busy_; m != 0; m &= m - 1)
            blocks = std::min(blocks, left_[std::countr_zero(m)]);
        if (std::popcount(busy_) <= kernel_.scalarUpTo)
            RunScalar(blocks);
        else
            RunGroups(blocks);
        stopped = Advance(blocks);
    }
    return stopped;
}

// Every group with a busy lane, its other lanes pointed at that lane's blocks.
void Md5Lanes::RunGroups(std::size_t blocks) {
    paths::LaneGroup groups[kMaxLanes];
    int count = 0;
    const LaneMask all = (LaneMask{1} << kernel_.width) - 1;
    for (int first = 0; first < lanes_; first += kernel_.width) {
        const LaneMask busy = busy_ >> first & all;
        if (busy == 0) continue;
        const std::uint8_t* some = next_[first + std::countr_zero(busy)];
        for (LaneMask idle = ~busy & all; idle != 0; idle &= idle - 1)
            next_[first + std::countr_zero(idle)] = some;
        groups[count++] = {Words(first), next_.get() + first, static_cast<std::uint32_t>(busy)};
    }
    kernel_.run(groups, count, blocks);
}

// The few busy lanes, each a chain of its own on the portable kernel.
void Md5Lanes::RunScalar(std::size_t blocks) {
    paths::LaneGroup one[kMaxLanes];
    int count = 0;
    for (LaneMask m = busy_; m != 0; m &= m - 1) {
        const int l = std::countr_zero(m);
        one[count++] = {Words(l), next_.get() + l, 1};
    }
    paths::kMd5LanesPortable.run(one, count, blocks);
}

LaneMask Md5Lanes::Advance(std::size_t blocks) {
    LaneMask stopped = 0;
    for (LaneMask m = busy_; m != 0; m &= m - 1) {
        const int l = std::countr_zero(m);
        next_[l] += blocks * kBlock;
        left_[l] -= blocks;
        if (left_[l] == 0 && !TakeThen(l)) {
            Become(l, slots_[l].last ? Lane::Done : Lane::Hungry);
            stopped |= LaneMask{1} << l;
        }
    }
    return stopped;
}

// Moves the lane on to the padded end that follows its blocks, if there is one.
bool Md5Lanes::TakeThen(int lane) {
    Slot& slot = slots_[lane];
    if (slot.thenBlocks == 0) return false;
    next_[lane] = slot.then;
    left_[lane] = slot.thenBlocks;
    slot.thenBlocks = 0;
    return true;
}

Md5Digest Md5Lanes::Take(int lane) {
    Md5Digest digest;
    const std::uint32_t* words = Words(lane);
    for (std::size_t w = 0; w < 4; ++w)
        for (std::size_t i = 0; i < 4; ++i)
            digest.bytes[4 * w + i] =
                static_cast<std::uint8_t>(words[w * paths::kLaneRow] >> (8 * i));
    Become(lane, Lane::Idle);
    return digest;
}

}  // namespace vellum
