// The file layer against a real tree: odd names, links of every kind, FIFOs and sockets.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/error_text.h"
#include "platform/files.h"
#include "tests/support/temp_dir.h"

namespace vellum::platform {
namespace {

using Names = std::vector<std::string>;
using test::TempDir;

const std::string kLatin1 = "\xe9t\xe9";  // not UTF-8; a high first byte must sort last
const std::string kUtf8 = "caf\xc3\xa9.txt";

class PlatformTree : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"README", "UPPER.TXT", ".hidden", "raw\xff\xfe.bin", "locked"})
            dir_.Write(name, "");
        dir_.Write("plain.txt", "abcdef");
        dir_.Write(kUtf8, "x");
        dir_.Write(kLatin1, "x");
        dir_.Write("sub/inner.txt", "x");
        dir_.Write(".hiddendir/inner", "x");
        dir_.MakeDir("dir\xe9");
        ASSERT_EQ(::chmod(Path("locked").c_str(), 0444), 0);
        Link("plain.txt", "link-to-file");
        Link("sub", "link-to-sub");
        Link(".", "self");
        Link("loop-b", "loop-a");
        Link("loop-a", "loop-b");
        Link("nowhere", "dangling");
        ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0644), 0);
        MakeSocket(Path("sock"));
    }

    // Absolute names stay as they are so that tables can mix in /dev/null.
    [[nodiscard]] std::string Path(const std::string& name) const {
        return name.empty() || name[0] == '/' ? name : dir_ / name;
    }

    void Link(const std::string& target, const std::string& name) const {
        ASSERT_EQ(::symlink(target.c_str(), Path(name).c_str()), 0) << name;
    }

    static void MakeSocket(const std::string& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        ASSERT_LT(path.size(), sizeof address.sun_path);
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }

    TempDir dir_;
    FileSystem& fs_ = RealFileSystem();
};

TEST(MaskMatches, FollowsTheFolderSearchRules) {
    const struct {
        std::string mask, name;
        bool matches;
    } cases[] = {
        {"*.*", "README", true},
        {"*.TXT", "a.txt", true},
        {"*.txt", "a.txt.bak", false},
        {"*.txt", "txt", false},
        {"?", "a", true},
        {"?", "ab", false},
        {"a?c", "ac", false},
        {"??", "\xff\x80", true},
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "abc", true},
        {"a*b*c", "abcbc", true},  // the first "c" is a false lead
        {"a*b*c", "acb", false},
        {"a*b*c", "abcb", false},
        {"", "a", false},
        // Only ASCII letters fold; these pairs sit 0x20 apart like upper and lower case.
        {"caf\xc3\xa9", "CAF\xc3\xa9", true},
        {"\xe9", "\xc9", false},
        {"\xc3\xa9", "\xc3\x89", false},
        {"[", "{", false},
        {"@", "`", false},
        // Backtracking into every star would take for ever here.
        {"*a*a*a*a*a*a*a*a*a*a*b", std::string(4000, 'a'), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MaskMatches(c.mask, c.name), c.matches) << c.mask << " / " << c.name;
}

TEST_F(PlatformTree, ListFilesTakesFilesAndLinksToFilesOnly) {
    const Names all = {".hidden", "README",    "UPPER.TXT",       kUtf8,  "link-to-file",
                       "locked",  "plain.txt", "raw\xff\xfe.bin", kLatin1};
    const struct {
        std::string mask;
        Names names;
    } cases[] = {
        {"*", all},
        {"*.*", all},
        {"*.txt", {"UPPER.TXT", kUtf8, "plain.txt"}},
        {"?EADME", {"README"}},
        {"*-*", {"link-to-file"}},  // not link-to-sub, nor the loop
        {"\xe9*", {kLatin1}},
        {"\xc9*", {}},
        {"dangling", {}},
        {"fifo", {}},
        {"sock", {}},
        {"sub", {}},
        {"self", {}},
        {"", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fs_.ListFiles(dir_.path(), c.mask), c.names) << c.mask;
        // One reading of the folder gives both lists, the folders whatever the mask.
        const FileSystem::FolderListing both = fs_.ListFilesAndSubfolders(dir_.path(), c.mask);
        EXPECT_EQ(both.files, c.names) << c.mask;
        EXPECT_EQ(both.subfolders, fs_.ListSubfolders(dir_.path())) << c.mask;
    }
}

TEST_F(PlatformTree, ListSubfoldersLeavesOutLinksAndDots) {
    EXPECT_EQ(fs_.ListSubfolders(dir_.path()), (Names{".hiddendir", "dir\xe9", "sub"}));
    EXPECT_EQ(fs_.ListFiles(dir_ / "sub", "*"), Names{"inner.txt"});
}

TEST_F(PlatformTree, ListingWhatIsNoFolderGivesNothing) {
    for (const char* name : {"missing", "plain.txt", "fifo", "sock", "dangling", "loop-a", ""}) {
        EXPECT_EQ(fs_.ListFiles(Path(name), "*"), Names{}) << name;
        EXPECT_EQ(fs_.ListSubfolders(Path(name)), Names{}) << name;
    }
}

TEST_F(PlatformTree, AttributesAndIsFileFollowLinks) {
    const struct {
        std::string name;
        std::uint32_t attributes;
        bool is_file;
    } cases[] = {
        {"plain.txt", kAttrArchive, true},
        {".hidden", kAttrArchive | kAttrHidden, true},
        {".hiddendir/inner", kAttrArchive, true},
        {"locked", kAttrArchive | kAttrReadOnly, true},
        {"link-to-file", kAttrArchive, true},
        {"sub", kAttrDirectory, false},
        {".hiddendir", kAttrDirectory, false},
        {"link-to-sub", kAttrDirectory, false},
        {"self", kAttrDirectory, false},
        {"fifo", 0, false},
        {"sock", 0, false},
        {"/dev/null", 0, false},
        {"dangling", kAttrFailure, false},
        {"loop-a", kAttrFailure, false},
        {"missing", kAttrFailure, false},
        {"", kAttrFailure, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fs_.Attributes(Path(c.name)), c.attributes) << c.name;
        EXPECT_EQ(fs_.IsFile(Path(c.name)), c.is_file) << c.name;
    }
}

TEST_F(PlatformTree, IdentityIsTheFileBehindTheName) {
    ASSERT_EQ(::link(Path("plain.txt").c_str(), Path("hard").c_str()), 0);
    const auto plain = fs_.Identity(Path("plain.txt"));
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(fs_.Identity(Path("hard")), plain);
    EXPECT_EQ(fs_.Identity(Path("link-to-file")), plain);
    EXPECT_NE(fs_.Identity(Path("README")), plain);
    EXPECT_EQ(fs_.Identity(Path("dangling")), std::nullopt);
}

TEST_F(PlatformTree, OpenForReadingTakesRegularFilesOnly) {
    // Opening the FIFO must not wait for a writer; should it ever block, the alarm ends the
    // test program instead of hanging the whole run.
    ::alarm(30);
    const struct {
        std::string name;
        int result;  // 0: a descriptor
    } cases[] = {
        {"plain.txt", 0},   {"link-to-file", 0},    {"locked", 0},    {"fifo", -EINVAL},
        {"sub", -EINVAL},   {"/dev/null", -EINVAL}, {"sock", -ENXIO}, {"dangling", -ENOENT},
        {"loop-a", -ELOOP}, {"missing", -ENOENT},
    };
    for (const auto& c : cases) {
        const int fd = fs_.OpenForReading(Path(c.name));
        if (c.result != 0) {
            EXPECT_EQ(fd, c.result) << c.name;
            continue;
        }
        ASSERT_GE(fd, 0) << c.name;
        EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0) << c.name;
        EXPECT_EQ(fs_.Close(fd), 0);
    }
    ::alarm(0);
}

// The kernel's shortcuts must give what the plain calls give: one fstat instead of an open,
// an fstat and a close more; opens relative to the folder instead of through the whole path,
// and without the look at the type first for a file seen a moment ago.
TEST_F(PlatformTree, SizesAndOpensAgreeWithThePlainCalls) {
    ::alarm(30);
    FileSystem plain;
    const std::vector<std::string> names = {"plain.txt", "link-to-file", "locked",   "fifo",
                                            "sub",       "sock",         "dangling", "loop-a",
                                            "missing",   "link-to-sub",  kLatin1};
    const int folder = fs_.OpenFolder(dir_.path());
    ASSERT_GE(folder, 0);
    const auto opened = [](FileSystem::Opened o, FileSystem& fs) {
        if (o.fd >= 0) (void)fs.Close(o.fd);
        return std::pair(o.isFile, o.fd >= 0 ? 0 : o.fd);
    };
    for (const std::string& name : names) {
        EXPECT_EQ(fs_.SizeOfFile(Path(name)), plain.SizeOfFile(Path(name))) << name;
        const auto expected = opened(plain.OpenIfFile(Path(name)), plain);
        EXPECT_EQ(opened(fs_.OpenIfFileIn(folder, Path(name)), fs_), expected) << name;
        EXPECT_EQ(opened(fs_.OpenSeenFileIn(folder, Path(name)), fs_), expected) << name;
    }
    fs_.CloseFolder(folder);
    EXPECT_EQ(fs_.SizeOfFile("/dev/null"), plain.SizeOfFile("/dev/null"));
    EXPECT_EQ(fs_.SizesOfFiles(dir_.path(), names), plain.SizesOfFiles(dir_.path(), names));
    // Looked up, the sizes are those of the opens wherever the file can be opened, as here;
    // what an open turns away fails too (by errno of its own: a socket is no regular file).
    const std::vector<std::int64_t> looked = fs_.LookedUpSizesOfFiles(dir_.path(), names);
    const std::vector<std::int64_t> bySize = plain.SizesOfFiles(dir_.path(), names);
    ASSERT_EQ(looked.size(), names.size());
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (bySize[k] >= 0) {
            EXPECT_EQ(looked[k], bySize[k]) << names[k];
        } else {
            EXPECT_LT(looked[k], 0) << names[k];
        }
    }
    // MayRead is asked of regular files: yes for those an open takes, no for a path that leads
    // nowhere.
    for (const std::string& name : names) {
        if (plain.SizeOfFile(Path(name)) >= 0) {
            EXPECT_TRUE(fs_.MayRead(Path(name))) << name;
        }
    }
    for (const char* name : {"missing", "dangling", "loop-a"})
        EXPECT_FALSE(fs_.MayRead(Path(name))) << name;
    EXPECT_EQ(fs_.SizesOfFiles(Path("missing"), {"plain.txt"}),
              plain.SizesOfFiles(Path("missing"), {"plain.txt"}));
    // A folder big enough to be split between two threads: every answer in its place.
    std::vector<std::string> many;
    for (int k = 0; k < 150; ++k) {
        many.push_back("many/" + std::to_string(k));
        dir_.Write(many.back(), std::string(static_cast<std::size_t>(k * 7), 'x'));
    }
    many[20] = "many/missing";
    many[120] = "fifo";
    EXPECT_EQ(fs_.SizesOfFiles(dir_.path(), many), plain.SizesOfFiles(dir_.path(), many));
    ::alarm(0);
}

// Descriptors keep O_NONBLOCK from their open; a file system that answered EAGAIN for one
// must get a read that waits, never a failed one. A pipe with nothing in it yet answers so.
TEST(PlatformRead, EagainMakesTheDescriptorBlockingAndTheReadWaits) {
    ::alarm(30);
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_NONBLOCK), 0);
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_EQ(::write(ends[1], "late", 4), 4);
        ::close(ends[1]);
    });
    platform::FileSystem fs;
    char buffer[8] = {};
    EXPECT_EQ(fs.Read(ends[0], buffer, sizeof buffer), 4);
    EXPECT_EQ(std::string(buffer, 4), "late");
    EXPECT_EQ(::fcntl(ends[0], F_GETFL) & O_NONBLOCK, 0);
    writer.join();
    ::close(ends[0]);
    ::alarm(0);
}

TEST_F(PlatformTree, ReadGoesOnToTheEndAndReadAtKeepsThePosition) {
    const int fd = fs_.OpenForReading(Path("plain.txt"));
    ASSERT_GE(fd, 0);
    char buffer[16] = {};
    const struct {
        std::int64_t offset;
        std::size_t count;
        std::string bytes;
    } at_cases[] = {{2, 3, "cde"}, {4, 10, "ef"}, {6, 4, ""}, {100, 4, ""}};
    for (const auto& c : at_cases) {
        const std::int64_t got = fs_.ReadAt(fd, buffer, c.count, c.offset);
        EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(std::max<std::int64_t>(got, 0))),
                  c.bytes)
            << c.offset;
    }
    EXPECT_EQ(fs_.ReadAt(fd, buffer, 4, -1), -EINVAL);

    EXPECT_EQ(fs_.Read(fd, buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(fs_.Read(fd, buffer, 4), 2);
    EXPECT_EQ(std::string(buffer, 2), "ef");
    EXPECT_EQ(fs_.Read(fd, buffer, 4), 0);
    EXPECT_EQ(fs_.Read(fd, buffer, 4), 0);
    EXPECT_EQ(fs_.Close(fd), 0);
    EXPECT_EQ(fs_.Close(fd), -EBADF);
    EXPECT_EQ(fs_.Read(fd, buffer, 4), -EBADF);
}

void IgnoreSignal(int) {}

// While it lives, SIGUSR1 breaks into a waiting read or write, which fails with EINTR or hands
// over what it moved so far: the handler is set without SA_RESTART.
class SignalsInterrupt {
  public:
    SignalsInterrupt() {
        struct sigaction quiet {};
        quiet.sa_handler = IgnoreSignal;
        ::sigaction(SIGUSR1, &quiet, &old_);
    }
    ~SignalsInterrupt() { ::sigaction(SIGUSR1, &old_, nullptr); }

  private:
    struct sigaction old_ {};
};

TEST(FileSystemRead, SurvivesShortReadsAndInterruptions) {
    // A pipe hands over what has arrived and a signal breaks into a waiting read; neither is
    // the end of the data.
    SignalsInterrupt interrupting;
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    const pthread_t reader = ::pthread_self();
    std::thread writer([&] {
        using namespace std::chrono_literals;
        std::this_thread::sleep_for(50ms);
        ::pthread_kill(reader, SIGUSR1);
        std::this_thread::sleep_for(50ms);
        EXPECT_EQ(::write(pipe_fds[1], "abc", 3), 3);
        std::this_thread::sleep_for(50ms);
        EXPECT_EQ(::write(pipe_fds[1], "def", 3), 3);
        ::close(pipe_fds[1]);
    });
    char buffer[16] = {};
    const std::int64_t got = RealFileSystem().Read(pipe_fds[0], buffer, sizeof buffer);
    writer.join();
    EXPECT_EQ(got, 6);
    EXPECT_EQ(std::string(buffer), "abcdef");
    ::close(pipe_fds[0]);
}

TEST(FileSystemWrite, SurvivesShortWritesAndInterruptions) {
    // A full pipe takes part of a write and waits for room; a signal breaks into the wait after
    // some bytes went in (a short write) or before any did (EINTR). Neither ends the writing.
    SignalsInterrupt interrupting;
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    std::string bytes(1 << 20, '\0');
    for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<char>(k * 131 >> 8);
    const pthread_t writer = ::pthread_self();
    std::string got;
    std::thread reader([&] {
        for (int k = 0; k < 3; ++k) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            ::pthread_kill(writer, SIGUSR1);
        }
        char block[4096];
        for (ssize_t n; (n = ::read(pipe_fds[0], block, sizeof block)) > 0;)
            got.append(block, static_cast<std::size_t>(n));
    });
    EXPECT_EQ(RealFileSystem().WriteAll(pipe_fds[1], bytes), 0);
    ::close(pipe_fds[1]);
    reader.join();
    EXPECT_TRUE(got == bytes) << got.size() << " of " << bytes.size() << " bytes";
    ::close(pipe_fds[0]);
}

TEST_F(PlatformTree, SizeOfNeedsSixtyFourBits) {
    const std::string big = dir_.Write("big", "");
    constexpr std::int64_t kSize = (std::int64_t{5} << 30) + 7;
    if (::truncate(big.c_str(), kSize) != 0) GTEST_SKIP() << "no sparse files here";
    for (const auto& [name, size] :
         {std::pair<std::string, std::int64_t>{"README", 0}, {"plain.txt", 6}, {"big", kSize}}) {
        const int fd = fs_.OpenForReading(Path(name));
        ASSERT_GE(fd, 0) << name;
        EXPECT_EQ(fs_.SizeOf(fd), size) << name;
        EXPECT_EQ(fs_.Close(fd), 0);
    }
    EXPECT_EQ(fs_.SizeOf(-1), -EBADF);
}

TEST(ErrorText, GivesTheSystemMessage) {
    EXPECT_EQ(ErrorText(EACCES), "Permission denied");
    EXPECT_EQ(ErrorText(ENOENT), "No such file or directory");
    EXPECT_NE(ErrorText(987654).find("987654"), std::string::npos);
}

TEST(Paths, JoinAndNamePartTakeTheTextAsItIs) {
    EXPECT_EQ(JoinPath("/a", "b.txt"), "/a/b.txt");
    EXPECT_EQ(JoinPath("/", "b"), "//b");  // a root folder keeps its own slash as well
    const struct {
        std::string_view path, name;
    } cases[] = {{"/x/y.txt", "y.txt"}, {"y.txt", "y.txt"}, {"/x/", ""}, {"a\\b", "a\\b"}};
    for (const auto& c : cases) EXPECT_EQ(FileNamePart(c.path), c.name) << c.path;
}

class CurrentFolder {
  public:
    explicit CurrentFolder(const std::string& folder) : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~CurrentFolder() { std::filesystem::current_path(saved_); }

  private:
    std::filesystem::path saved_;
};

TEST_F(PlatformTree, FullPathJoinsTheCurrentFolderWithoutResolvingLinks) {
    EXPECT_EQ(FullPath("/a/../b"), "/a/../b");
    EXPECT_EQ(FullPath(""), "");
    {
        const CurrentFolder here(dir_.path());
        const std::string real = std::filesystem::canonical(dir_.path()).string();
        EXPECT_EQ(FullPath("link-to-sub/inner.txt"), real + "/link-to-sub/inner.txt");
    }
    const CurrentFolder root("/");
    EXPECT_EQ(FullPath("etc"), "/etc");
}

class TimeZone {
  public:
    explicit TimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) saved_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TimeZone() {
        if (saved_)
            ::setenv("TZ", saved_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

  private:
    std::optional<std::string> saved_;
};

TEST(LocalMilliseconds, AddsTheLocalOffset) {
    using namespace std::chrono;
    const struct {
        const char* zone;  // POSIX: the offset is the one to add to local time to get UTC
        std::int64_t offset_ms;
    } cases[] = {
        {"UTC0", 0}, {"EAST-3", 3 * 3600 * 1000}, {"WEST+5:30", -(5 * 3600 + 1800) * 1000}};
    for (const auto& c : cases) {
        const TimeZone zone(c.zone);
        const std::int64_t utc =
            duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
        EXPECT_NEAR(static_cast<double>(LocalMilliseconds() - utc),
                    static_cast<double>(c.offset_ms), 5000.0)
            << c.zone;
    }
}

}  // namespace
}  // namespace vellum::platform
