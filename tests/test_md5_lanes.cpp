// Many messages through Md5Lanes on every kernel this processor runs, against the one-message
// MD5: every length around the padding edges, random mixes of lengths and chunk sizes, lanes
// refilled, left waiting, dropped and started again at any point, and as few or as many
// messages in flight as there are lanes. VELLUM_PORTABLE=1 runs it once more (a ctest entry of
// its own).
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "checksum/cpu_features.h"
#include "checksum/md5.h"
#include "checksum/md5_lane_kernels.h"
#include "checksum/md5_lanes.h"

namespace vellum {
namespace {

constexpr std::size_t kGuard = 16;
constexpr std::uint8_t kGuardByte = 0xA5;

// A message in a buffer of its own, with the slack after it and guard bytes after that.
struct Message {
    std::vector<std::uint8_t> buffer;
    std::size_t size = 0;
    Md5Digest want;
    Md5Digest got;
};

Message MakeMessage(std::size_t size, std::mt19937& rng) {
    Message m;
    m.size = size;
    m.buffer.assign(size + Md5Lanes::kSlack + kGuard, kGuardByte);
    for (std::size_t i = 0; i < size; ++i) m.buffer[i] = static_cast<std::uint8_t>(rng());
    DigestState ctx;
    DigestStart(ctx);
    DigestAdd(ctx, m.buffer.data(), static_cast<std::int32_t>(size));
    DigestFinish(ctx, m.want);
    return m;
}

// How the driver gives messages their bytes.
struct Feeding {
    int inFlight;        // messages in lanes at once, at most
    bool chunked;        // random chunks, else each message whole
    bool sometimesWait;  // leave hungry lanes unfed for a run now and then, drop and restart some
};

// Runs every message through the lanes: each starts on a random idle lane, and a lane is refilled
// as soon as its message is done.
class Driver {
  public:
    Driver(Md5Lanes& lanes, std::vector<Message>& messages, Feeding feeding, unsigned seed)
        : lanes_(lanes),
          messages_(messages),
          feeding_(feeding),
          rng_(seed),
          of_(lanes.Lanes(), -1),
          at_(lanes.Lanes(), 0) {}

    void RunAll() {
        std::size_t done = 0;
        while (done < messages_.size()) {
            StartMessages();
            FeedHungry();
            const LaneMask stopped = lanes_.Run();
            for (int l : Lanes(stopped))
                if (lanes_.State(l) == Md5Lanes::Lane::Done) {
                    messages_[lanes_.Owner(l)].got = lanes_.Take(l);
                    of_[l] = -1;
                    --inFlight_;
                    ++done;
                }
        }
    }

  private:
    static std::vector<int> Lanes(LaneMask mask) {
        std::vector<int> lanes;
        for (; mask != 0; mask &= mask - 1) lanes.push_back(std::countr_zero(mask));
        return lanes;
    }

    void StartMessages() {
        while (inFlight_ < feeding_.inFlight && started_ < messages_.size()) {
            std::vector<int> idle;
            for (int l = 0; l < lanes_.Lanes(); ++l)
                if (lanes_.State(l) == Md5Lanes::Lane::Idle) idle.push_back(l);
            StartOn(idle[rng_() % idle.size()], started_++);
            ++inFlight_;
        }
    }

    void StartOn(int lane, std::size_t message) {
        lanes_.Start(lane, message);
        of_[lane] = static_cast<int>(message);
        at_[lane] = 0;
    }

    // Until some lane is busy: a run with nothing busy would stop nothing.
    void FeedHungry() {
        do {
            for (int l = 0; l < lanes_.Lanes(); ++l) {
                if (lanes_.State(l) != Md5Lanes::Lane::Hungry) continue;
                if (feeding_.sometimesWait && lanes_.Busy() > 0 && rng_() % 4 == 0) continue;
                if (feeding_.sometimesWait && at_[l] % 64 == 0 && rng_() % 3 == 0) l = MoveOn(l);
                Feed(l);
            }
            if (feeding_.sometimesWait && lanes_.Busy() > 1 && rng_() % 16 == 0) DropOne();
        } while (lanes_.Busy() == 0 && inFlight_ > 0);
    }

    // A message stopped on a block boundary goes on in another lane (or the same), as a file
    // read in two goes does. Returns the lane it goes on in.
    int MoveOn(int lane) {
        const Md5Midway midway = lanes_.Suspend(lane);
        const std::size_t message = of_[lane];
        of_[lane] = -1;
        const std::size_t at = at_[lane];
        const int to = lanes_.IdleLane();
        lanes_.Resume(to, midway, message);
        of_[to] = static_cast<int>(message);
        at_[to] = at;
        return to;
    }

    // A halt: the message starts again from its first byte.
    void DropOne() {
        const int lane = static_cast<int>(rng_() % lanes_.Lanes());
        if (of_[lane] < 0) return;
        lanes_.Drop(lane);
        StartOn(lane, of_[lane]);
    }

    std::size_t Chunk(std::size_t left) {
        if (!feeding_.chunked) return left;
        switch (rng_() % 4) {
            case 0:
                return rng_() % 130;
            case 1:
                return 64 * (1 + rng_() % 40);
            case 2:
                return rng_() % 5000;
            default:
                return left;
        }
    }

    void Feed(int lane) {
        Message& m = messages_[of_[lane]];
        std::uint8_t* data = m.buffer.data() + at_[lane];
        const std::size_t left = m.size - at_[lane];
        const std::size_t chunk = Chunk(left);
        if (chunk < left) {
            lanes_.Add(lane, data, chunk);
            at_[lane] += chunk;
        } else if (rng_() % 2 == 0) {
            lanes_.AddLast(lane, data, left, left + Md5Lanes::kSlack);
        } else {
            lanes_.AddLast(lane, static_cast<const std::uint8_t*>(data), left);
        }
    }

    Md5Lanes& lanes_;
    std::vector<Message>& messages_;
    Feeding feeding_;
    std::mt19937 rng_;
    std::vector<int> of_;  // the message in each lane, or -1
    std::vector<std::size_t> at_;
    std::size_t started_ = 0;
    int inFlight_ = 0;
};

void ExpectDigestsAndGuards(const std::vector<Message>& messages, const std::string& where) {
    for (const Message& m : messages) {
        ASSERT_EQ(DigestToHex(m.got), DigestToHex(m.want)) << where << ", " << m.size << " bytes";
        const auto guard = m.buffer.end() - kGuard;
        ASSERT_TRUE(std::all_of(guard, m.buffer.end(), [](auto b) { return b == kGuardByte; }))
            << where << ": written past the slack of " << m.size << " bytes";
    }
}

std::vector<const paths::Md5LanesKernel*> KernelsThatRun() {
    std::vector<const paths::Md5LanesKernel*> kernels;
    for (const auto& path : paths::Md5LanesPaths())
        if (paths::Runs(path)) kernels.push_back(path.fn);
    return kernels;
}

// The length edges: one and two end blocks (55, 56, 63, 64, 119, 120...), around the first
// blocks' multiples, and one lane to every lane busy at once.
TEST(Md5Lanes, EveryLengthAroundThePaddingEdgesOnEveryKernel) {
    std::mt19937 rng(1);
    std::vector<std::size_t> sizes;
    for (std::size_t n = 0; n <= 130; ++n) sizes.push_back(n);
    for (std::size_t k = 3; k <= 17; ++k)
        for (std::size_t n = 64 * k - 9; n <= 64 * k + 9; ++n) sizes.push_back(n);
    for (const auto* kernel : KernelsThatRun()) {
        Md5Lanes lanes(*kernel);
        for (const int inFlight : {1, lanes.Lanes()}) {
            std::vector<Message> messages;
            for (const std::size_t n : sizes) messages.push_back(MakeMessage(n, rng));
            Driver(lanes, messages, {inFlight, false, false}, 2).RunAll();
            ExpectDigestsAndGuards(messages, std::string(lanes.KernelName()) + ", " +
                                                 std::to_string(inFlight) + " in flight");
        }
    }
}

// Chunks of any size, lanes left hungry while others run, halts; the few-lane counts run the
// busy lanes as scalar chains, the larger ones leave some lanes of a group idle.
TEST(Md5Lanes, RandomMixesOfLengthsChunksAndRefillsOnEveryKernel) {
    std::mt19937 rng(3);
    for (const auto* kernel : KernelsThatRun()) {
        Md5Lanes lanes(*kernel);
        for (const int inFlight : {1, 2, 3, 5, 17, lanes.Lanes()}) {
            if (inFlight > lanes.Lanes()) continue;
            std::vector<Message> messages;
            for (int i = 0; i < 150; ++i) {
                const std::size_t size = rng() % 10 == 0 ? rng() % 300'000 : rng() % 9000;
                messages.push_back(MakeMessage(size, rng));
            }
            Driver(lanes, messages, {inFlight, true, true}, rng()).RunAll();
            ExpectDigestsAndGuards(messages, std::string(lanes.KernelName()) + ", " +
                                                 std::to_string(inFlight) + " in flight");
            EXPECT_EQ(lanes.Busy(), 0);
            EXPECT_EQ(lanes.IdleLane(), 0);
        }
    }
}

// The portable run in CI means something only if the variable really turns the kernels off.
TEST(Md5Lanes, VellumPortableChoosesThePortableKernel) {
    if (!PortableForced()) GTEST_SKIP() << "VELLUM_PORTABLE is not set";
    EXPECT_EQ(Md5Lanes().KernelName(), "portable");
}

}  // namespace
}  // namespace vellum
