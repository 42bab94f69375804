// Faults that need file systems of their own: a FUSE file system whose files fail, end early,
// grow and run past 4 GiB; a 64 KiB tmpfs that fills up; a read-only bind mount; an ext4 image
// with a trash of its own; a sparse file above 4 GiB. The program runs in a private mount
// namespace (in_mount_namespace.sh), so every mount here vanishes with it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "filelist/adding.h"
#include "filelist/list_commands.h"
#include "filelist/list_context.h"
#include "interchange/export_line.h"
#include "interchange/list_file.h"
#include "interchange/recycle.h"
#include "net/install_id.h"
#include "pass/list_pass.h"
#include "platform/sockets.h"
#include "platform/trash.h"
#include "tests/reliability/fault_pattern.h"
#include "tests/reliability/harness.h"
#include "tests/reliability/pass_list.h"
#include "tests/reliability/trash_check.h"

namespace vellum::test {
namespace {

namespace fs = std::filesystem;
using S = EntryStatus;

constexpr std::int64_t kMiB = 1024 * 1024;
constexpr std::int64_t kGiB = 1024 * kMiB;

Md5Digest Md5Of(std::string_view bytes) {
    return DigestOfText(bytes);
}

// Runs a mount command line; false when this machine will not have it.
bool Shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool MountTmpfs(const std::string& where, const std::string& size) {
    return ::mount("tmpfs", where.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
}

// A read-only view of folder at where.
bool MountReadOnlyView(const std::string& folder, const std::string& where) {
    if (::mount(folder.c_str(), where.c_str(), nullptr, MS_BIND, nullptr) != 0) return false;
    return ::mount(nullptr, where.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

class FaultFs : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* server = std::getenv("VELLUM_FAULTFS");
        if (server == nullptr || *server == '\0') GTEST_SKIP() << "built without fuse3";
        if (access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "no /dev/fuse here";
        mount_ = dir_.MakeDir("m");
        pid_ = fork();
        if (pid_ == 0) {
            execl(server, server, mount_.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int k = 0; k < 100 && !fs::exists(mount_ + "/eio.bin"); ++k) usleep(50'000);
        if (!fs::exists(mount_ + "/eio.bin")) GTEST_SKIP() << "the FUSE file system did not mount";
    }
    void TearDown() override {
        if (pid_ <= 0) return;
        ::umount2(mount_.c_str(), MNT_DETACH);
        if (test::WaitOrKill(pid_, 5s) == -1) ADD_FAILURE() << "vellum_faultfs did not end";
    }
    [[nodiscard]] std::string File(const std::string& name) const { return mount_ + "/" + name; }

    TempDir dir_;
    std::string mount_;
    pid_t pid_ = -1;
};

TEST_F(FaultFs, AnIoErrorLeavesTheRowCalcingUnpairedAndTriedAgain) {
    const std::string bytes = test::FaultBytes(0, test::kEioFileSize);
    PassList list;
    const std::int32_t copy = list.Add(dir_.Write("copy.bin", bytes));
    list.ctx.RunPass();
    ASSERT_EQ(list.ctx.table[copy].status, S::OKAY);
    ASSERT_EQ(list.ctx.table[copy].md5, Md5Of(bytes));
    // The bad file's row holds the values of a good read from before: the copy's own.
    FileEntry before = list.ctx.table[copy];
    before.path.assign(File("eio.bin"));
    before.status = S::RECHECK;
    const std::int32_t bad = AppendRow(list.ctx, before);
    list.ctx.RunPass();
    EXPECT_EQ(list.ctx.table[bad].status, S::CALCING);
    EXPECT_EQ(list.ctx.table[bad].md5, Md5Of(bytes));  // the old values, not a partial read
    EXPECT_EQ(list.host.errors,
              std::vector<std::string>{"Cannot read " + File("eio.bin") + ": Input/output error"});
    EXPECT_FALSE(list.ctx.state.Updating);

    FlagIdenticals(list.ctx);  // ends with a pass, which tries the bad file again
    EXPECT_EQ(list.ctx.table[copy].status, S::OKAY);
    EXPECT_EQ(list.ctx.table[bad].status, S::CALCING);
    EXPECT_EQ(list.host.errors.size(), 2u);
}

TEST_F(FaultFs, ShortAndGrowingFilesGetTheSizeAndValuesOfWhatWasRead) {
    const struct {
        const char* name;
        std::int64_t listedSize;
        std::int64_t readSize;
    } cases[] = {
        {"short.bin", test::kShortFileClaimed, test::kShortFileReal},
        {"growing.bin", test::kGrowingStart, test::kGrowingCap},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PassList list;
        ASSERT_TRUE(AddFile(list.ctx, File(c.name)));
        EXPECT_EQ(list.ctx.table[1].size, c.listedSize);
        list.ctx.RunPass();
        EXPECT_EQ(list.ctx.table[1].status, S::OKAY);
        EXPECT_EQ(list.ctx.table[1].size, c.readSize);
        EXPECT_EQ(list.ctx.table[1].md5, Md5Of(test::FaultBytes(0, c.readSize)));
        EXPECT_EQ(list.ctx.state.TotalBytes, c.readSize);
    }
}

TEST_F(FaultFs, OffsetsPastFourGigabytesReadTheRightBytes) {
    PassList list;
    ASSERT_TRUE(AddFile(list.ctx, File("big.bin")));
    EXPECT_EQ(list.ctx.table[1].size, test::kBigFileSize);
    platform::FileSystem& files = platform::RealFileSystem();
    const int fd = files.OpenForReading(File("big.bin"));
    ASSERT_GE(fd, 0);
    EXPECT_EQ(files.SizeOf(fd), test::kBigFileSize);
    for (const std::int64_t at :
         {std::int64_t{0}, 4 * kGiB - 3, 4 * kGiB, 4 * kGiB + 4097, test::kBigFileSize - 10}) {
        SCOPED_TRACE(at);
        std::string got(16, '\0');
        const std::int64_t n = files.ReadAt(fd, got.data(), got.size(), at);
        const std::int64_t expected = std::min<std::int64_t>(16, test::kBigFileSize - at);
        ASSERT_EQ(n, expected);
        got.resize(static_cast<std::size_t>(n));
        EXPECT_EQ(got, test::FaultBytes(at, n));
    }
    char byte = 0;
    EXPECT_EQ(files.ReadAt(fd, &byte, 1, test::kBigFileSize), 0);
    EXPECT_EQ(files.Close(fd), 0);
}

TEST_F(FaultFs, VellumCliListsWhatItCouldReadAndNamesTheRest) {
    const test::ProgramRun run =
        test::RunBounded({{"vellum-cli", "--no-progress", File("eio.bin"), File("short.bin")},
                          {"ASAN_OPTIONS=detect_leaks=0"},
                          {},
                          60s});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Cannot read " + File("eio.bin") + ": Input/output error\n");
    EXPECT_EQ(run.out.find("eio.bin"), std::string::npos);
    EXPECT_NE(run.out.find("\"" + File("short.bin") + "\"," + std::to_string(test::kShortFileReal)),
              std::string::npos)
        << run.out;
}

// Flagged rows with paths long enough that a few hundred lines fill 64 KiB.
void FlagMany(ListContext& ctx, int count) {
    SizeFileTable(ctx);
    for (int k = 0; k < count; ++k) {
        FileEntry row =
            test::Row("/data/" + std::string(180, 'p') + std::to_string(k), S::FLAGGED, k);
        row.md5 = DigestOfText(std::to_string(k));
        (void)AppendRow(ctx, row);
    }
}

std::string AllLines(const ListContext& ctx) {
    std::string all;
    for (std::int32_t i = 1; i < ctx.state.RowCount; ++i)
        all += ExportLine(ctx.table[i], ExportLayout::Csv);
    return all;
}

class SmallMounts : public ::testing::Test {
  protected:
    void SetUp() override {
        full_ = dir_.MakeDir("full");
        if (!MountTmpfs(full_, "64k")) GTEST_SKIP() << "cannot mount a tmpfs here";
        readOnly_ = dir_.MakeDir("ro");
        dir_.Write("source/kept.csv", "an older list\r\n");
        dir_.Write("source/Vellum.INI", "[Other]\nkey=kept\n");
        dir_.Write("source/f.txt", "a file on a read-only mount");
        if (!MountReadOnlyView(dir_ / "source", readOnly_)) GTEST_SKIP() << "no bind mounts";
    }
    void TearDown() override {
        ::umount2(readOnly_.c_str(), MNT_DETACH);
        ::umount2(full_.c_str(), MNT_DETACH);
    }
    TempDir dir_;
    std::string full_, readOnly_;
};

TEST_F(SmallMounts, ExportToAFullDiskKeepsEveryWholeLineBeforeTheError) {
    ListContext ctx;
    FlagMany(ctx, 1000);
    const std::string path = full_ + "/list.csv";
    EXPECT_EQ(ExportFlaggedList(ctx, path, 1), path + ": Disk full");
    const std::string written = test::ReadAll(path);
    const std::string all = AllLines(ctx);
    EXPECT_GT(written.size(), 0u);
    EXPECT_LT(written.size(), all.size());
    EXPECT_EQ(all.substr(0, written.size()), written);
    EXPECT_TRUE(written.ends_with("\r\n"));
    // Read back, the partial list gives exactly the rows of its whole lines.
    ListContext back;
    SizeFileTable(back);
    EXPECT_EQ(ImportFileList(back, path), std::nullopt);
    EXPECT_EQ(back.state.RowCount - 1, std::count(written.begin(), written.end(), '\n'));
}

TEST_F(SmallMounts, ExportToAReadOnlyFolderIsRefusedAndChangesNothing) {
    ListContext ctx;
    FlagMany(ctx, 3);
    EXPECT_EQ(ExportFlaggedList(ctx, readOnly_ + "/new.csv", 1),
              readOnly_ + "/new.csv: File access denied");
    EXPECT_EQ(ExportFlaggedList(ctx, readOnly_ + "/kept.csv", 2),
              readOnly_ + "/kept.csv: File access denied");
    EXPECT_FALSE(fs::exists(readOnly_ + "/new.csv"));
    EXPECT_EQ(test::ReadAll(readOnly_ + "/kept.csv"), "an older list\r\n");
}

TEST_F(SmallMounts, SettingsThatCannotBeStoredAreReportedAndKept) {
    // A full disk: the temporary copy cannot be written whole.
    const std::string onFull = full_ + "/Vellum.INI";
    {
        std::ofstream(onFull) << "[Other]\nkey=kept\n";
        std::ofstream filler(full_ + "/filler", std::ios::binary);
        const std::string block(4096, 'f');
        while (filler.write(block.data(), block.size())) {
        }
    }
    for (const std::string& settings : {onFull, readOnly_ + "/Vellum.INI"}) {
        SCOPED_TRACE(settings);
        const net::InstallIdOutcome outcome = net::LoadInstallId(settings);
        EXPECT_TRUE(outcome.made);
        EXPECT_EQ(outcome.writeError, "Unable to write to " + settings);
        EXPECT_EQ(test::ReadAll(settings), "[Other]\nkey=kept\n");
    }
    // No half-written temporary copy is left beside it.
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(full_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Vellum.INI", "filler"}));
}

// The trash of a file on another mount is that mount's own .Trash-$uid; a file on a mount where
// it cannot move stays. GIO is used only in children that set their own home first.
class TrashMounts : public ::testing::Test {
  protected:
    std::string Run(const std::function<std::string()>& body) {
        const std::string home = dir_.MakeDir("home"), data = dir_.MakeDir("data");
        const test::ChildOutcome child = test::InChild(
            [&] {
                setenv("HOME", home.c_str(), 1);
                setenv("XDG_DATA_HOME", data.c_str(), 1);
                return body();
            },
            30s);
        EXPECT_FALSE(child.hung);
        return child.output;
    }
    // Flags path, runs the trash command and tells the row's status and the message.
    static std::string Recycle(const std::string& path) {
        ListContext ctx;
        test::CountingPass pass(ctx);
        (void)AppendRow(ctx, test::Row(path, S::FLAGGED));
        SendFlaggedToTrash(ctx, platform::RealTrash());
        return test::StatusDigits(ctx) + ":" + ctx.message.StatusMessage;
    }
    TempDir dir_;
};

TEST_F(TrashMounts, AFileOnAnotherMountGoesToThatMountsOwnTrash) {
    const std::string mountPoint = dir_.MakeDir("ext4");
    const std::string image = dir_ / "ext4.img";
    if (!Shell("truncate -s 16M " + image + " && mkfs.ext4 -q -F " + image) ||
        !Shell("mount -o loop " + image + " " + mountPoint))
        GTEST_SKIP() << "no loop-mounted ext4 here";
    const std::string file = mountPoint + "/on another mount.txt";
    std::ofstream(file) << "far away";
    const std::string outcome = Run([&] { return Recycle(file); });
    EXPECT_EQ(outcome, std::to_string(static_cast<int>(S::DELETED)) + ":");
    const std::string topTrash = mountPoint + "/.Trash-" + std::to_string(getuid());
    const test::TrashContents trash = test::ReadTrash(topTrash);
    EXPECT_EQ(trash.originals.size(), 1u);
    EXPECT_EQ(trash.orphanInfos + trash.orphanFiles, 0);
    EXPECT_EQ(test::ReadAll(topTrash + "/files/on another mount.txt"), "far away");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(test::ReadTrash(dir_ / "data/Trash").originals.empty());
    Shell("umount " + mountPoint);
}

TEST_F(TrashMounts, AFileThatCannotMoveStaysFlaggedAndLeavesNoInfoBehind) {
    const std::string source = dir_.Write("source/f.txt", "cannot move");
    const std::string view = dir_.MakeDir("view");
    if (!MountReadOnlyView(dir_ / "source", view)) GTEST_SKIP() << "no bind mounts";
    const std::string outcome = Run([&] { return Recycle(view + "/f.txt"); });
    EXPECT_EQ(outcome, std::to_string(static_cast<int>(S::FLAGGED)) +
                           ":1 file could not be moved to the trash: " + view + "/f.txt");
    EXPECT_EQ(test::ReadAll(source), "cannot move");
    const test::TrashContents trash = test::ReadTrash(dir_ / "data/Trash");
    EXPECT_TRUE(trash.originals.empty());
    EXPECT_EQ(trash.orphanInfos + trash.orphanFiles, 0);
    ::umount2(view.c_str(), MNT_DETACH);
}

// A name server that takes the queries and never answers, as behind a firewall that drops
// them: the system resolver would wait 5 s per try, but the connection's limit covers the
// lookup too.
TEST(SilentNameServer, TheLookupEndsWithTheConnectionLimit) {
    const int server = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(server);
        GTEST_SKIP() << "port 53 on loopback is taken";
    }
    test::TempDir dir;
    const std::string conf = dir.Write("resolv.conf", "nameserver 127.0.0.1\noptions timeout:5\n");
    if (::mount(conf.c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0) {
        ::close(server);
        GTEST_SKIP() << "cannot put a resolv.conf of our own in place";
    }
    const auto start = std::chrono::steady_clock::now();
    platform::TcpStream stream = platform::ConnectTcp("vellum.example", "80", 2000ms);
    const double seconds = test::SecondsSince(start);
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_LT(seconds, 3.0);
    test::Figure("must-not-hang, 3 s: a connection whose name server never answers", seconds, "s");
    ::umount("/etc/resolv.conf");
    ::close(server);  // the lookup left running gets its refusal and ends
}

TEST(SparseFile, AboveFourGigabytesSizeValuesAndTotalsAreExact) {
    TempDir dir;
    const std::string folder = dir.MakeDir("sparse");
    // A tmpfs of our own reads holes without touching a disk; its size is only a ceiling.
    if (!MountTmpfs(folder, "8g")) GTEST_SKIP() << "cannot mount a tmpfs here";
    const std::string path = folder + "/zeros";
    const std::int64_t size = 4 * kGiB + 1;
    { std::ofstream(path).close(); }
    ASSERT_EQ(::truncate(path.c_str(), size), 0);
    PassList list;
    ASSERT_TRUE(AddFile(list.ctx, path));
    EXPECT_EQ(list.ctx.table[1].size, size);
    const auto start = std::chrono::steady_clock::now();
    list.ctx.RunPass();
    test::Figure("pass over a sparse 4 GiB + 1 byte file", test::SecondsSince(start), "s");
    const FileEntry& row = list.ctx.table[1];
    EXPECT_EQ(row.status, S::OKAY);
    EXPECT_EQ(row.size, size);
    EXPECT_EQ(DigestToHex(row.md5), "f18c798ff5d450dfe4d3acdc12b621ff");
    EXPECT_EQ(row.crc32, 0x41D912FFu);
    EXPECT_EQ(list.ctx.state.TotalBytes, size);
    EXPECT_EQ(ComposeStatusLine(list.ctx, ",").text,
              "Listing 1 files, total 4,294,967,297 bytes, 0 flagged 0 bytes");
    StatusClick(list.ctx, 1);
    EXPECT_EQ(list.ctx.state.FlaggedBytes, size);
    ::umount2(folder.c_str(), MNT_DETACH);
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
