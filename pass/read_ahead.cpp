#include "pass/read_ahead.h"

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

// Long enough for the other side to read a small file's block or fold one, short enough that
// a side waiting for a 1 MiB block soon sleeps.
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

}  // namespace

void Handover::Raise() {
    raised_.store(true);
    if (sleeping_.load()) raised_.notify_one();
}

void Handover::Await() {
    SpinThenSleep(
        sleeping_, [this] { return raised_.load(); }, [this] { raised_.wait(false); });
    raised_.store(false, std::memory_order_relaxed);
}

void Progress::Reach(int steps) {
    steps_.store(steps);
    if (sleeping_.load()) steps_.notify_one();
}

void Progress::AwaitAtLeast(int steps) {
    SpinThenSleep(
        sleeping_, [this, steps] { return steps_.load() >= steps; },
        [this, steps] {
            const int seen = steps_.load();
            if (seen < steps) steps_.wait(seen);
        });
}

ReadAhead::~ReadAhead() {
    Settle();
    if (!thread_.joinable()) return;
    stop_ = true;
    request_.Raise();
    thread_.join();
}

void ReadAhead::Start(platform::FileSystem& fs, int fd, std::uint8_t* buffer, std::size_t count,
                      AfterTheEnd* then, const RunningValues* beside) {
    Settle();
    beside_.reset();
    if (beside != nullptr) beside_.emplace(*beside);
    fs_ = &fs;
    fd_ = fd;
    buffer_ = buffer;
    count_ = count;
    then_ = then;
    if (then != nullptr) {
        then->closed = false;
        then->buffers[0] = buffer;
        for (NextFile& next : then->next) {
            next.looked = false;
            next.opened = {};
            next.readAgain = false;
            next.closed = false;
        }
    }
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    holds_ = true;
    inFlight_ = true;
    done_.Reset();
    request_.Raise();
}

void ReadAhead::Settle() {
    if (!inFlight_) return;
    done_.AwaitAtLeast(Progress::kAll);
    inFlight_ = false;
}

void ReadAhead::AwaitStep(int steps) {
    if (inFlight_) done_.AwaitAtLeast(steps);
}

std::int64_t ReadAhead::Take() {
    AwaitStep(1);
    holds_ = false;
    return result_;
}

void ReadAhead::Run() {
    for (;;) {
        request_.Await();
        if (stop_) return;
        result_ = fs_->ReadSome(fd_, buffer_, count_);
        if (result_ > 0 && beside_)
            FoldBesideDigest(*beside_, buffer_, static_cast<std::int32_t>(result_));
        if (result_ == 0 && then_ != nullptr) GoOnAfterTheEnd();
        done_.Reach(Progress::kAll);
    }
}

// The steps the pass itself takes at the end of a file and over the rows after it, in its
// order; buffers[0] holds nothing of the current file, since its last read gave 0 bytes.
void ReadAhead::GoOnAfterTheEnd() {
    AfterTheEnd& then = *then_;
    then.closeResult = fs_->Close(fd_);
    then.closed = true;
    done_.Reach(1);
    if (then.closeResult < 0) return;
    for (int j = 0; j < then.count; ++j) {
        const bool goOn = TakeUp(then, j);
        done_.Reach(j + 2);
        if (!goOn) return;
    }
}

bool ReadAhead::TakeUp(AfterTheEnd& then, int j) {
    NextFile& next = then.next[static_cast<std::size_t>(j)];
    next.looked = true;
    next.opened = fs_->OpenIfFile(next.path);
    const int fd = next.opened.fd;
    if (fd < 0) return false;
    next.firstRead = fs_->ReadSome(fd, then.buffers[static_cast<std::size_t>(j)], count_);
    if (next.firstRead < 0 || next.firstRead == static_cast<std::int64_t>(count_)) return false;
    if (next.firstRead > 0) {
        // The read after a short block goes into the next row's buffer: had it no room, the
        // pass makes that read itself.
        if (j + 1 >= kChain) return false;
        next.readAgain = true;
        next.secondRead = fs_->ReadSome(fd, then.buffers[static_cast<std::size_t>(j) + 1], count_);
        if (next.secondRead != 0) return false;
    }
    next.closeResult = fs_->Close(fd);
    next.closed = true;
    return next.closeResult == 0;
}

}  // namespace vellum
