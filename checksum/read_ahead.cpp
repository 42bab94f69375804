#include "checksum/read_ahead.h"

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

}  // namespace

void Handover::Raise() {
    raised_.store(true);
    // Both stores and both loads are sequentially consistent: either this load sees the
    // sleeper's mark, or the sleeper's wait sees the raised flag.
    if (sleeping_.load()) raised_.notify_one();
}

void Handover::Await() {
    const auto until = std::chrono::steady_clock::now() + kSpinTime;
    for (int spins = 0; !raised_.load(std::memory_order_acquire); ++spins) {
        Pause();
        if (spins % 64 != 63 || std::chrono::steady_clock::now() < until) continue;
        sleeping_.store(true);
        raised_.wait(false);
        sleeping_.store(false);
        break;
    }
    raised_.store(false, std::memory_order_relaxed);
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
        then->looked = false;
        then->opened = {};
    }
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    holds_ = true;
    inFlight_ = true;
    request_.Raise();
}

void ReadAhead::Settle() {
    if (!inFlight_) return;
    done_.Await();
    inFlight_ = false;
}

std::int64_t ReadAhead::Take() {
    Settle();
    holds_ = false;
    return result_;
}

void ReadAhead::Run() {
    for (;;) {
        request_.Await();
        if (stop_) return;
        result_ = fs_->ReadSome(fd_, buffer_, count_);
        if (result_ > 0 && beside_) FoldBesideDigest(*beside_, buffer_, static_cast<std::int32_t>(result_));
        if (result_ == 0 && then_ != nullptr) GoOnAfterTheEnd();
        done_.Raise();
    }
}

// The steps the pass itself takes at the end of a file and at the start of the next one, in
// its order; the buffer holds nothing of the current file, since its last read gave 0 bytes.
void ReadAhead::GoOnAfterTheEnd() {
    AfterTheEnd& then = *then_;
    then.closeResult = fs_->Close(fd_);
    then.closed = true;
    if (then.closeResult < 0 || then.nextPath.empty()) return;
    then.looked = true;
    then.opened = fs_->OpenIfFile(then.nextPath);
    if (then.opened.fd < 0) return;
    then.firstRead = fs_->ReadSome(then.opened.fd, buffer_, count_);
}

}  // namespace vellum
