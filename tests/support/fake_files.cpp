#include "tests/support/fake_files.h"

#include <algorithm>
#include <thread>

namespace vellum::test {

int FakeFiles::Calls(Call call) const {
    int total = 0;
    if (const auto found = calls_.find(call); found != calls_.end())
        for (const auto& [path, count] : found->second) total += count;
    return total;
}

int FakeFiles::Calls(Call call, const std::string& path) const {
    const auto found = calls_.find(call);
    if (found == calls_.end()) return 0;
    const auto onPath = found->second.find(path);
    return onPath == found->second.end() ? 0 : onPath->second;
}

std::map<std::string, int> FakeFiles::CallsByPath(Call call) const {
    const auto found = calls_.find(call);
    return found == calls_.end() ? std::map<std::string, int>{} : found->second;
}

const FakeFiles::Fault* FakeFiles::Upset(Call call, const std::string& path) {
    ++calls_[call][path];
    for (const Fault& fault : faults_) {
        if (fault.call != call || (!fault.path.empty() && fault.path != path)) continue;
        const int nth = fault.path.empty() ? Calls(call) : Calls(call, path);
        if (nth >= fault.from && nth <= fault.to) return &fault;
    }
    return nullptr;
}

std::string FakeFiles::PathOf(int fd) const {
    const auto found = paths_.find(fd);
    return found == paths_.end() ? std::string() : found->second;
}

int FakeFiles::Opened(int fd, const std::string& path) {
    if (fd < 0) return fd;
    paths_[fd] = path;
    mostOpen_ = std::max(mostOpen_, ++openNow_);
    return fd;
}

bool FakeFiles::IsFile(const std::string& path) {
    if (before) before(Call::IsFile, path);
    return Upset(Call::IsFile, path) == nullptr && FileSystem::IsFile(path);
}

int FakeFiles::OpenForReading(const std::string& path) {
    if (before) before(Call::Open, path);
    if (const Fault* fault = Upset(Call::Open, path)) return -fault->error;
    return Opened(FileSystem::OpenForReading(path), path);
}

std::int64_t FakeFiles::Read(int fd, void* buffer, std::size_t count) {
    reading_ = true;
    if (dawdle.count() > 0) std::this_thread::sleep_for(dawdle);
    const Fault* fault = Upset(Call::Read, PathOf(fd));
    const std::int64_t got = fault != nullptr ? -fault->error : FileSystem::Read(fd, buffer, count);
    if (got > 0) bytesRead_[PathOf(fd)] += got;
    reading_ = false;
    return got;
}

std::int64_t FakeFiles::ReadAt(int fd, void* buffer, std::size_t count, std::int64_t offset) {
    if (const Fault* fault = Upset(Call::ReadAt, PathOf(fd))) return -fault->error;
    const std::int64_t got = FileSystem::ReadAt(fd, buffer, count, offset);
    if (got > 0) bytesRead_[PathOf(fd)] += got;
    return got;
}

std::int64_t FakeFiles::BytesRead(const std::string& path) const {
    const auto found = bytesRead_.find(path);
    return found == bytesRead_.end() ? 0 : found->second;
}

int FakeFiles::Close(int fd) {
    if (reading_) closedUnderARead_ = true;
    const Fault* fault = Upset(Call::Close, PathOf(fd));
    const int rc = FileSystem::Close(fd);
    paths_.erase(fd);
    --openNow_;
    return fault != nullptr ? -fault->error : rc;
}

int FakeFiles::CreateForWriting(const std::string& path) {
    if (before) before(Call::Create, path);
    if (const Fault* fault = Upset(Call::Create, path)) return -fault->error;
    return Opened(FileSystem::CreateForWriting(path), path);
}

int FakeFiles::WriteAll(int fd, std::string_view bytes) {
    const Fault* fault = Upset(Call::Write, PathOf(fd));
    if (fault == nullptr) return FileSystem::WriteAll(fd, bytes);
    const int rc = FileSystem::WriteAll(fd, bytes.substr(0, fault->partial));
    return rc != 0 ? rc : -fault->error;
}

platform::DedupeAnswer FakeFiles::Dedupe(int source, std::int64_t sourceOffset, int target,
                                         std::int64_t targetOffset, std::int64_t length) {
    if (const Fault* fault = Upset(Call::Dedupe, PathOf(target)))
        return {.error = -fault->error, .differs = false, .shared = 0};
    return FileSystem::Dedupe(source, sourceOffset, target, targetOffset, length);
}

platform::MadeLink FakeFiles::LinkBeside(const std::string& existing, const std::string& beside) {
    if (const Fault* fault = Upset(Call::Link, beside)) return {.name = {}, .error = -fault->error};
    return FileSystem::LinkBeside(existing, beside);
}

int FakeFiles::Rename(const std::string& from, const std::string& to) {
    if (const Fault* fault = Upset(Call::Rename, to)) return -fault->error;
    return FileSystem::Rename(from, to);
}

int FakeFiles::Unlink(const std::string& path) {
    if (const Fault* fault = Upset(Call::Unlink, path)) return -fault->error;
    return FileSystem::Unlink(path);
}

}  // namespace vellum::test
