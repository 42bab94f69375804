#include "checksum/read_ahead.h"

#include <cstdlib>
#include <string_view>

#include "checksum/cpu_features.h"

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

ReadAhead::~ReadAhead() {
    Settle();
    if (!thread_.joinable()) return;
    stop_ = true;
    request_.release();
    thread_.join();
}

void ReadAhead::Start(platform::FileSystem& fs, int fd, std::uint8_t* buffer, std::size_t count) {
    Settle();
    fs_ = &fs;
    fd_ = fd;
    buffer_ = buffer;
    count_ = count;
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    holds_ = true;
    inFlight_ = true;
    request_.release();
}

void ReadAhead::Settle() {
    if (!inFlight_) return;
    done_.acquire();
    inFlight_ = false;
}

std::int64_t ReadAhead::Take() {
    Settle();
    holds_ = false;
    return result_;
}

void ReadAhead::Run() {
    for (;;) {
        request_.acquire();
        if (stop_) return;
        result_ = fs_->Read(fd_, buffer_, count_);
        done_.release();
    }
}

}  // namespace vellum
