#include "pass/feed_helper.h"

#include <chrono>
#include <cstdlib>
#include <string_view>

namespace vellum {

bool ReadAheadPays() {
    static const bool pays = [] {
        const char* value = std::getenv("VELLUM_READ_AHEAD");
        if (value != nullptr && std::string_view(value) == "1") return true;
        if (value != nullptr && std::string_view(value) == "0") return false;
        return std::thread::hardware_concurrency() >= 2;
    }();
    return pays;
}

namespace {

// Long enough for the other side to finish a small file's calls, short enough that a side
// waiting for a round of large blocks soon sleeps.
constexpr auto kSpinTime = std::chrono::microseconds(50);

void Pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Spins while ready() is false, for kSpinTime at most, then marks itself sleeping and sleeps
// in sleep() until woken: the side that makes ready() true stores first and then looks at the
// mark, all sequentially consistent, so either it sees the mark or the sleeper sees the change.
template <typename Ready, typename Sleep>
void SpinThenSleep(std::atomic<bool>& sleeping, Ready ready, Sleep sleep) {
    const auto until = std::chrono::steady_clock::now() + kSpinTime;
    for (int spins = 0; !ready(); ++spins) {
        Pause();
        if (spins % 64 != 63 || std::chrono::steady_clock::now() < until) continue;
        sleeping.store(true);
        while (!ready()) sleep();
        sleeping.store(false);
        return;
    }
}

constexpr std::uint64_t kRoundStep = std::uint64_t{1} << 32;

constexpr int Next(std::uint64_t claim) {
    return static_cast<int>(claim & 0xFFFF);
}

constexpr int Count(std::uint64_t claim) {
    return static_cast<int>((claim >> 16) & 0xFFFF);
}

}  // namespace

void Handover::Raise() {
    raised_.store(true);
    if (sleeping_.load()) raised_.notify_one();
}

void Handover::Await() {
    // The raise is taken in the same step that sees it: a raise that came between a look and
    // a later reset would be lost, and the stop at the helper's end with it.
    SpinThenSleep(
        sleeping_, [this] { return raised_.load() && raised_.exchange(false); },
        [this] { raised_.wait(false); });
}

FeedHelper::~FeedHelper() {
    if (!thread_.joinable()) return;
    stop_.store(true);
    request_.Raise();
    thread_.join();
}

void FeedHelper::Begin(int count, Job job, void* context, bool helped) {
    job_ = job;
    context_ = context;
    count_ = count;
    done_.store(0, std::memory_order_relaxed);
    const std::uint64_t round =
        (claim_.load(std::memory_order_relaxed) & ~(kRoundStep - 1)) + kRoundStep;
    claim_.store(round | (static_cast<std::uint64_t>(count) << 16));
    if (!helped || count == 0) return;
    if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
    request_.Raise();
}

bool FeedHelper::Claim(int& job) {
    std::uint64_t claim = claim_.load();
    while (Next(claim) < Count(claim)) {
        if (claim_.compare_exchange_weak(claim, claim + 1)) {
            job = Next(claim);
            return true;
        }
    }
    return false;
}

void FeedHelper::Run(int job) {
    job_(context_, job);
    Done();
}

void FeedHelper::Done() {
    done_.fetch_add(1);
    if (sleeping_.load()) done_.notify_one();
}

void FeedHelper::AwaitRound() {
    SpinThenSleep(
        sleeping_, [this] { return done_.load() >= count_; },
        [this] {
            const int seen = done_.load();
            if (seen < count_) done_.wait(seen);
        });
}

void FeedHelper::Loop() {
    for (;;) {
        request_.Await();
        if (stop_.load()) return;
        for (int job; Claim(job);) Run(job);
    }
}

}  // namespace vellum
