// Replacing copies by links on file systems of their own: an XFS image made with reflink on,
// whose range dedupe really shares blocks, and a tmpfs, another file system that no hard link
// can reach. Nothing may be lost in any of them: every path still opens the bytes it had. The
// program runs in a private mount namespace (in_mount_namespace.sh), so every mount here
// vanishes with it; a case that cannot mount says why and is skipped.
#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "filelist/list_commands.h"
#include "filelist/list_context.h"
#include "pass/link_copies.h"
#include "pass/list_pass.h"
#include "platform/links.h"
#include "tests/support/random_bytes.h"
#include "tests/support/recording_host.h"
#include "tests/support/rows.h"
#include "tests/support/run.h"
#include "tests/support/temp_dir.h"

namespace vellum::test {
namespace {

constexpr std::int64_t kMiB = 1024 * 1024;

bool Shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

ino_t Inode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

std::int64_t FreeBytes(const std::string& folder) {
    struct statvfs vfs {};
    if (::statvfs(folder.c_str(), &vfs) != 0) return -1;
    return static_cast<std::int64_t>(vfs.f_bfree) * static_cast<std::int64_t>(vfs.f_frsize);
}

struct Extent {
    std::uint64_t physical = 0;
    std::uint64_t length = 0;
    bool shared = false;
    friend bool operator==(const Extent&, const Extent&) = default;
};

// Where the file's bytes lie on the device, as FIEMAP tells it after a sync.
std::vector<Extent> Extents(const std::string& path) {
    constexpr std::size_t kMost = 64;
    alignas(fiemap) unsigned char block[sizeof(fiemap) + kMost * sizeof(fiemap_extent)] = {};
    auto* map = reinterpret_cast<fiemap*>(block);
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_flags = FIEMAP_FLAG_SYNC;
    map->fm_extent_count = kMost;
    std::vector<Extent> extents;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return extents;
    if (::ioctl(fd, FS_IOC_FIEMAP, map) == 0)
        for (std::uint32_t k = 0; k < map->fm_mapped_extents; ++k)
            extents.push_back({map->fm_extents[k].fe_physical, map->fm_extents[k].fe_length,
                               (map->fm_extents[k].fe_flags & FIEMAP_EXTENT_SHARED) != 0});
    ::close(fd);
    return extents;
}

// Files listed in order, calculated, and all but the first of each run flagged.
struct Listed {
    explicit Listed(const std::vector<std::string>& paths) {
        ctx.host = &host;
        for (const std::string& path : paths) (void)AppendRow(ctx, Row(path, EntryStatus::WAITING));
        ctx.RunPass();
        FlagIdenticalsExceptFirst(ctx);
    }
    LinkTally Replace(LinkWay way, std::function<bool(std::int32_t)> ask = {}) {
        return ReplaceFlaggedWithLinks(ctx, pass, LinkRequest{way, std::move(ask), ","});
    }
    ListContext ctx;
    RecordingHost host;
    ListPass pass{ctx};
};

class Xfs : public ::testing::Test {
  protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "mounting an XFS image needs root";
        if (!Shell("command -v mkfs.xfs")) GTEST_SKIP() << "mkfs.xfs is not installed (xfsprogs)";
        mount_ = dir_.MakeDir("xfs");
        const std::string image = dir_ / "xfs.img";
        // 300 MiB is the least mkfs.xfs makes; the image is sparse.
        if (!Shell("truncate -s 320M " + image + " && mkfs.xfs -q -m reflink=1 " + image))
            GTEST_SKIP() << "mkfs.xfs could not make a reflink image";
        if (!Shell("mount -o loop " + image + " " + mount_))
            GTEST_SKIP() << "no loop device to mount the XFS image on";
        mounted_ = true;
    }
    void TearDown() override {
        if (mounted_) ::umount2(mount_.c_str(), MNT_DETACH);
    }
    [[nodiscard]] std::string File(const std::string& name) const { return mount_ + "/" + name; }
    std::string Write(const std::string& name, const std::string& bytes) {
        return dir_.Write("xfs/" + name, bytes);
    }

    TempDir dir_;
    std::string mount_;
    bool mounted_ = false;
};

// Longer than one dedupe call takes, and not a whole number of blocks: the last chunk ends at
// both files' ends. The second copy's last byte changes after it was read.
TEST_F(Xfs, DedupeSharesTheBlocksOfWhatIsStillIdenticalAndLeavesTheRest) {
    const std::string bytes = RandomBytes(17 * kMiB + 5, 7);
    const std::string kept = Write("a-kept", bytes);
    const std::string copy = Write("b-copy", bytes);
    const std::string changed = Write("c-changed", bytes);
    Listed list({kept, copy, changed});
    std::string after = bytes;
    after.back() ^= 1;
    Write("c-changed", after);
    ::sync();
    const std::int64_t freeBefore = FreeBytes(mount_);

    const LinkTally tally = list.Replace(LinkWay::Dedupe, [](std::int32_t) {
        ADD_FAILURE() << "asked about hard links on a file system that shares blocks";
        return false;
    });
    EXPECT_EQ(tally.replaced, 1);
    EXPECT_EQ(tally.left, 1);
    // The changed copy's first chunk was still the same, and is shared now too.
    EXPECT_EQ(tally.freed, static_cast<std::int64_t>(bytes.size()) + platform::kDedupeChunk);
    EXPECT_EQ(Statuses(list.ctx), (std::vector<EntryStatus>{EntryStatus::OKAY, EntryStatus::OKAY,
                                                            EntryStatus::FLAGGED}));
    EXPECT_EQ(ReadAll(kept), bytes);
    EXPECT_EQ(ReadAll(copy), bytes);
    EXPECT_EQ(ReadAll(changed), after);
    // Two files still, with one set of blocks.
    EXPECT_NE(Inode(copy), Inode(kept));
    const std::vector<Extent> extents = Extents(copy);
    ASSERT_FALSE(extents.empty());
    EXPECT_EQ(extents, Extents(kept));
    for (const Extent& e : extents) EXPECT_TRUE(e.shared);
    ::sync();
    EXPECT_GE(FreeBytes(mount_) - freeBefore, static_cast<std::int64_t>(bytes.size()));
}

TEST_F(Xfs, VellumCliDedupesWhatKeepInLeavesOut) {
    const std::string bytes = RandomBytes(100 * 1024, 3);
    const std::string kept = Write("ref/photo", bytes);
    const std::string copy = Write("backup/photo", bytes);
    const std::string other = Write("backup/other", bytes + "x");
    const ProgramRun r = RunProgram({"vellum-cli", "--duplicates", "--keep-in", mount_ + "/ref",
                                     "--link", "dedupe", "--no-progress", mount_});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "1 file replaced with links to the kept copy, 0 left, 102,400 bytes freed\n");
    EXPECT_EQ(ReadAll(copy), bytes);
    EXPECT_EQ(ReadAll(other), bytes + "x");
    EXPECT_EQ(Extents(copy), Extents(kept));
}

// The kept file here, a copy on a tmpfs: neither a hard link nor a dedupe reaches across.
TEST(AnotherFileSystem, ACopyThereIsLeftAsItWas) {
    TempDir dir;
    const std::string mount = dir.MakeDir("tmpfs");
    if (::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const std::string bytes = RandomBytes(5000, 9);
    const std::string kept = dir.Write("kept", bytes);
    const std::string copy = dir.Write("tmpfs/copy", bytes);
    for (const LinkWay way : {LinkWay::Hard, LinkWay::Dedupe}) {
        Listed list({kept, copy});
        const ino_t inode = Inode(copy);
        const LinkTally tally = list.Replace(way, [](std::int32_t) { return true; });
        EXPECT_EQ(tally.replaced, 0);
        EXPECT_EQ(tally.left, 1);
        EXPECT_EQ(Inode(copy), inode);
        EXPECT_EQ(ReadAll(copy), bytes);
        EXPECT_EQ(ReadAll(kept), bytes);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mount),
                                std::filesystem::directory_iterator()),
                  1);
    }
    ::umount2(mount.c_str(), MNT_DETACH);
}

}  // namespace
}  // namespace vellum::test

// Exits 77, which ctest counts as skipped, when every case had to be skipped on this machine.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
    if (result == 0 && unit.test_to_run_count() > 0 &&
        unit.skipped_test_count() == unit.test_to_run_count())
        return 77;
    return result;
}
