#include "pass/replace_copy.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/files.h"

namespace vellum {

namespace {

constexpr std::size_t kCompareBlock = std::size_t{1} << 20;

// Both files open for reading, closed however the step ends.
class OpenPair {
  public:
    OpenPair(platform::FileSystem& fs, const std::string& a, const std::string& b) : fs_(fs) {
        a_ = fs.OpenForReading(a);
        if (a_ >= 0) b_ = fs.OpenForReading(b);
    }
    ~OpenPair() {
        if (a_ >= 0) (void)fs_.Close(a_);
        if (b_ >= 0) (void)fs_.Close(b_);
    }
    OpenPair(const OpenPair&) = delete;
    OpenPair& operator=(const OpenPair&) = delete;

    [[nodiscard]] bool open() const { return a_ >= 0 && b_ >= 0; }
    // The common size, or -1 when the sizes differ or cannot be had.
    [[nodiscard]] std::int64_t Size() const {
        const std::int64_t size = fs_.SizeOf(a_);
        return size >= 0 && size == fs_.SizeOf(b_) ? size : -1;
    }
    [[nodiscard]] int a() const { return a_; }
    [[nodiscard]] int b() const { return b_; }

  private:
    platform::FileSystem& fs_;
    int a_ = -1;
    int b_ = -1;
};

// What the file system says when it has no dedupe at all, as against a refusal of this pair.
// Another file system (EXDEV) is not among them: a hard link cannot cross it either.
bool CannotShareHere(int error) {
    return error == -EOPNOTSUPP || error == -EINVAL || error == -ENOTTY || error == -ENOSYS;
}

}  // namespace

CopyOutcome DedupeOnto(platform::FileSystem& fs, const std::string& kept, const std::string& copy) {
    const OpenPair files(fs, kept, copy);
    if (!files.open()) return {};
    const std::int64_t size = files.Size();
    if (size < 0) return {};
    CopyOutcome outcome{.replaced = CopyReplaced::Yes, .freed = 0};
    for (std::int64_t at = 0; at < size;) {
        const std::int64_t length = std::min(platform::kDedupeChunk, size - at);
        const platform::DedupeAnswer answer = fs.Dedupe(files.a(), at, files.b(), at, length);
        if (answer.error != 0 || answer.differs || answer.shared <= 0) {
            const bool nothingShared = at == 0 && CannotShareHere(answer.error);
            outcome.replaced = nothingShared ? CopyReplaced::CannotShare : CopyReplaced::No;
            break;
        }
        // A file system may share less than asked; the rest goes with the next call.
        at += answer.shared;
        outcome.freed += answer.shared;
    }
    return outcome;
}

bool SameBytesNow(platform::FileSystem& fs, const std::string& a, const std::string& b) {
    const OpenPair files(fs, a, b);
    if (!files.open()) return false;
    std::int64_t left = files.Size();
    if (left < 0) return false;
    std::vector<char> one(kCompareBlock);
    std::vector<char> two(kCompareBlock);
    while (left > 0) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(left, kCompareBlock));
        const std::int64_t got = fs.Read(files.a(), one.data(), want);
        if (got <= 0 || fs.Read(files.b(), two.data(), static_cast<std::size_t>(got)) != got)
            return false;
        if (std::memcmp(one.data(), two.data(), static_cast<std::size_t>(got)) != 0) return false;
        left -= got;
    }
    // A file that grew since its size was taken is not the same file any more.
    char more = 0;
    return fs.Read(files.a(), &more, 1) == 0 && fs.Read(files.b(), &more, 1) == 0;
}

CopyOutcome HardLinkOver(platform::FileSystem& fs, const std::string& kept,
                         const std::string& copy) {
    const std::optional<platform::NameInfo> name = fs.NameOf(copy);
    if (!name) return {};
    const std::int64_t size = fs.SizeOfFile(copy);
    if (size < 0 || !SameBytesNow(fs, kept, copy)) return {};
    const platform::MadeLink link = fs.LinkBeside(kept, copy);
    if (link.error != 0) return {};
    if (fs.Rename(link.name, copy) != 0) {
        (void)fs.Unlink(link.name);
        return {};
    }
    const bool lastName = name->regular && name->names == 1;
    return {.replaced = CopyReplaced::Yes, .freed = lastName ? size : 0};
}

}  // namespace vellum
