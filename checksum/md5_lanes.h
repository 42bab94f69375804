// Many MD5 messages at once, one in each lane of a vector kernel. A message takes a lane, its
// bytes arrive in chunks as they are read, and the lane is refilled the moment the message ends,
// so messages of any sizes share the lanes. Each run goes on for as many blocks as the busy lane
// with the least input has left; lanes without input cost nothing.
//
// The caller's loop:
//
//     Md5Lanes lanes;                       // the kernel chosen for this processor
//     lanes.Start(l); lanes.Add(l, ...);    // or AddLast for a message's last bytes
//     while (lanes.Busy() > 0) {
//         for (LaneMask stopped = lanes.Run(); stopped != 0; stopped &= stopped - 1) {
//             const int l = std::countr_zero(stopped);
//             if (lanes.State(l) == Md5Lanes::Lane::Done)
//                 use(lanes.Owner(l), lanes.Take(l)), start the next;
//             else give l its next chunk (Add or AddLast);
//         }
//     }
//
// Not thread-safe: one thread drives an object. Buffers need no alignment (64-byte aligned
// ones read quickest).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "checksum/md5.h"

namespace vellum {

namespace paths {
struct Md5LanesKernel;
}

// Bit l stands for lane l.
using LaneMask = std::uint64_t;

// A message's running state where it stopped on a block boundary: its four words and the bytes
// taken so far, for a message that goes on later, in any lane (a file read in two goes).
struct Md5Midway {
    std::uint32_t words[4] = {};
    std::uint64_t length = 0;
};

class Md5Lanes final {
  public:
    static constexpr int kMaxLanes = 64;
    // Writable bytes after a last chunk's data that let its padding go right after the data
    // (see AddLast): a 0x80, up to 63 zeros and the 8 bytes of the length.
    static constexpr std::size_t kSlack = 72;

    enum class Lane : std::uint8_t {
        Idle,    // no message
        Hungry,  // a message that waits for its next chunk; the last chunk given is used up
        Busy,    // a message with input that Run has yet to read
        Done,    // a message whose digest waits for Take
    };

    // The kernel chosen for this processor; with VELLUM_PORTABLE=1 the portable one.
    Md5Lanes();
    explicit Md5Lanes(const paths::Md5LanesKernel& kernel);
    ~Md5Lanes();
    Md5Lanes(const Md5Lanes&) = delete;
    Md5Lanes& operator=(const Md5Lanes&) = delete;

    // From 1 to kMaxLanes, fixed for the object's life.
    [[nodiscard]] int Lanes() const { return lanes_; }
    [[nodiscard]] Lane State(int lane) const;
    [[nodiscard]] int Busy() const { return std::popcount(busy_); }
    // The lowest idle lane, or -1. Lanes run in groups and a group without a busy lane is not
    // run at all, so low lanes first keep the work in as few groups as there can be.
    [[nodiscard]] int IdleLane() const;

    // Begins a new message on the lane, dropping whatever it held. The lane is then hungry.
    // owner is the caller's tag for the message, handed back by Owner while it has the lane.
    void Start(int lane, std::size_t owner = 0);
    // Gives a hungry lane its message's next bytes, any count. Whole 64-byte blocks are read from
    // data in place by the runs to come, so data must stay valid and unchanged until the lane
    // stops being busy (Run reports it, or Drop or Start); the bytes after the last whole block
    // (up to 63) are copied now. Returns whether the lane is busy: false when the bytes did not
    // complete a block, in which case they are already taken and the lane is still hungry.
    bool Add(int lane, const std::uint8_t* data, std::size_t bytes);
    // Gives a hungry lane its message's last bytes, any count (0 included); the lane is busy
    // afterwards. room is how many bytes from data on may be written: with room >= bytes +
    // kSlack the padding and the length are written right after the data, in the caller's
    // buffer, and the message's end runs from there like any other block; with less, the bytes
    // after the last whole block are copied and padded inside the object. data must stay valid
    // until the lane is done (or dropped, or started again).
    void AddLast(int lane, std::uint8_t* data, std::size_t bytes, std::size_t room);
    void AddLast(int lane, const std::uint8_t* data, std::size_t bytes);

    // Runs the busy lanes until at least one of them has used up its input, and returns the lanes
    // that stopped, each now hungry or done. Returns 0 at once when no lane is busy.
    LaneMask Run();
    // The digest of a done lane, which becomes idle.
    [[nodiscard]] Md5Digest Take(int lane);
    // The state of a hungry lane whose message has taken a whole number of blocks; the lane
    // becomes idle.
    [[nodiscard]] Md5Midway Suspend(int lane);
    // Begins a message on the lane that goes on from a suspended state; the lane is hungry.
    void Resume(int lane, const Md5Midway& from, std::size_t owner = 0);
    // The tag the lane's message was started with: whose digest a done lane holds.
    [[nodiscard]] std::size_t Owner(int lane) const;
    // Forgets the lane's message, say on a halt: the lane is idle and none of its chunks is read
    // again.
    void Drop(int lane);

    [[nodiscard]] std::string_view KernelName() const;

  private:
    struct Slot;
    struct Rows;
    void Become(int lane, Lane state);
    void RunOwnBlock(int lane);
    void RunGroups(std::size_t blocks);
    void RunScalar(std::size_t blocks);
    [[nodiscard]] LaneMask Advance(std::size_t blocks);
    [[nodiscard]] bool TakeThen(int lane);
    [[nodiscard]] std::uint32_t* Words(int lane) const;

    const paths::Md5LanesKernel& kernel_;
    int lanes_;
    LaneMask busy_ = 0;
    std::unique_ptr<Slot[]> slots_;
    std::unique_ptr<Rows[]> rows_;
    std::unique_ptr<const std::uint8_t*[]> next_;
    std::unique_ptr<std::size_t[]> left_;
};

}  // namespace vellum
