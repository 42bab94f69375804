// vellum-cli against files that fail, shrink, grow, vanish or are no files at all. The faults
// come from the read-fault shim (tests/reliability/readfault.cpp), loaded with LD_PRELOAD, which
// also writes down any read of a FIFO or device, any blocking open of one and any mapping.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "checksum/md5.h"
#include "filelist/file_entry.h"
#include "tests/reliability/harness.h"
#include "tests/support/random_bytes.h"

namespace vellum {
namespace {

namespace fs = std::filesystem;
using test::ProgramRun;
using test::RandomBytes;
using test::RunRequest;
using test::TempDir;
using namespace std::chrono_literals;

constexpr std::size_t kMiB = 1024 * 1024;

std::string Md5Of(std::string_view bytes) {
    return DigestToHex(DigestOfText(bytes));
}

// The size and md5 fields of the line that vellum-cli printed for path; empty when none.
std::pair<std::string, std::string> SizeAndMd5(const std::string& out, const std::string& path) {
    const std::string start = "\"" + path + "\",";
    const std::size_t at = out.find(start);
    if (at == std::string::npos) return {};
    const std::size_t sizeStart = at + start.size();
    const std::size_t sizeEnd = out.find(',', sizeStart);
    const std::size_t md5End = out.find("\"\r\n", sizeEnd);
    return {out.substr(sizeStart, sizeEnd - sizeStart), out.substr(md5End - 32, 32)};
}

class CliFaults : public ::testing::Test {
  protected:
    ProgramRun Cli(std::vector<std::string> args, std::vector<std::string> fault = {}) {
        args.insert(args.begin(), {"vellum-cli", "--no-progress"});
        fault.push_back("VELLUM_FAULT_LOG=" + log_);
        return test::RunBounded(RunRequest{args, test::ShimEnv(fault), {}, 60s});
    }
    // What the shim wrote down about reads and opens that must never happen.
    [[nodiscard]] std::string Misdeeds() const { return test::ReadAll(log_); }

    TempDir dir_;
    std::string log_ = dir_ / "shim.log";
};

TEST_F(CliFaults, AReadErrorLosesOnlyThatFileAndNeverMakesItACopy) {
    const std::string bytes = RandomBytes(3 * kMiB, 1);
    const std::string bad = dir_.Write("d/bad.bin", bytes);
    const std::string twin = dir_.Write("d/twin.bin", bytes);
    const std::string after = dir_.Write("d/z-after.txt", "listed after the bad one");
    const std::string list = dir_.Write("list.csv", Cli({dir_ / "d"}).out);
    const std::vector<std::string> eio = {"VELLUM_FAULT_PATH=" + bad,
                                          "VELLUM_FAULT_AFTER=" + std::to_string(kMiB + 4096),
                                          "VELLUM_FAULT_MODE=eio"};

    const ProgramRun listed = Cli({dir_ / "d"}, eio);
    EXPECT_EQ(listed.exitCode, 1);
    EXPECT_EQ(listed.err, "Cannot read " + bad + ": Input/output error\n");
    EXPECT_EQ(listed.out.find(bad), std::string::npos);
    EXPECT_NE(listed.out.find(twin), std::string::npos);
    EXPECT_NE(listed.out.find(after), std::string::npos);  // the walk went on past the error

    const ProgramRun duplicates = Cli({"--duplicates", dir_ / "d"}, eio);
    EXPECT_EQ(duplicates.exitCode, 1);
    EXPECT_EQ(duplicates.out, "");  // the twin has no calculated copy to pair with
    EXPECT_EQ(duplicates.err, listed.err);

    const ProgramRun verified = Cli({"--verify", list}, eio);
    EXPECT_EQ(verified.exitCode, 1);
    EXPECT_EQ(verified.out,
              "FAILED\t" + bad + "\nUNCHANGED\t" + twin + "\nUNCHANGED\t" + after + "\n");

    // A cut-short file is no copy either, and never verifies.
    const std::vector<std::string> eof = {"VELLUM_FAULT_PATH=" + bad,
                                          "VELLUM_FAULT_AFTER=" + std::to_string(kMiB),
                                          "VELLUM_FAULT_MODE=eof"};
    EXPECT_EQ(Cli({"--verify", list}, eof).out.substr(0, 8), "CHANGED\t");
    EXPECT_EQ(Cli({"--duplicates", dir_ / "d"}, eof).out, "");

    // The list itself fails half-way: nothing is verified, and the error says why.
    const std::string longList =
        dir_.Write("long.csv", std::string(20000, '\n') + test::ReadAll(list));
    const ProgramRun unreadable =
        Cli({"--verify", longList},
            {"VELLUM_FAULT_PATH=" + longList, "VELLUM_FAULT_AFTER=10000", "VELLUM_FAULT_MODE=eio"});
    EXPECT_EQ(unreadable.exitCode, 2);
    EXPECT_EQ(unreadable.out, "");
    EXPECT_EQ(unreadable.err, "vellum-cli: cannot read " + longList + ": I/O error 5\n");

    const ProgramRun healed = Cli({"--verify", list});  // the next run reads it again
    EXPECT_EQ(healed.exitCode, 0) << healed.out;
    EXPECT_EQ(Misdeeds(), "");
}

// --duplicates reads only the files whose size another listed file shares: a file of a size of
// its own whose every read fails goes unnoticed, and the lines are those that a listing of the
// whole tree gives for the files with a copy, in md5 order.
TEST_F(CliFaults, DuplicatesReadsOnlyFilesWhoseSizeAnotherFileShares) {
    const std::string pair = RandomBytes(5000, 4);
    const std::string triple = RandomBytes(700, 5);
    std::vector<std::string> copies;
    for (const char* name : {"a", "sub/b"})
        copies.push_back(dir_.Write(std::string("d/") + name, pair));
    for (const char* name : {"c", "sub/d", "sub/e"})
        copies.push_back(dir_.Write(std::string("d/") + name, triple));
    for (const char* name : {"f", "g"}) copies.push_back(dir_.Write(std::string("d/") + name, ""));
    dir_.Write("d/same-size-other-bytes", RandomBytes(5000, 6));
    const std::string unique = dir_.Write("d/sub/unique", RandomBytes(1234, 7));
    const std::vector<std::string> eio = {"VELLUM_FAULT_PATH=" + unique, "VELLUM_FAULT_AFTER=0",
                                          "VELLUM_FAULT_MODE=eio"};
    ASSERT_EQ(Cli({dir_ / "d"}, eio).exitCode, 1);  // a listing does read it

    const std::string listing = Cli({dir_ / "d"}).out;
    std::vector<std::pair<std::string, std::string>> expected;  // md5, line
    for (const std::string& path : copies) {
        const std::size_t at = listing.find("\"" + path + "\",");
        const std::string line = listing.substr(at, listing.find('\n', at) + 1 - at);
        expected.emplace_back(SizeAndMd5(line, path).second, line);
    }
    std::sort(expected.begin(), expected.end());
    std::string lines;
    for (const auto& [md5, line] : expected) lines += line;

    const ProgramRun run = Cli({"--duplicates", dir_ / "d"}, eio);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, lines);
    EXPECT_EQ(Misdeeds(), "");
}

TEST_F(CliFaults, ValuesDescribeTheBytesReadWhenTheFileChangesUnderneath) {
    const std::string original = RandomBytes(3 * kMiB, 2);
    const std::string replacement = RandomBytes(kMiB / 2, 3);
    struct Case {
        const char* mode;
        std::size_t after;
        std::int64_t bytes;
        std::string expected;  // what the pass must have read; empty: the file as it ends up
    } const cases[] = {
        {"shrink", kMiB, 3 * kMiB / 2, original.substr(0, 3 * kMiB / 2)},
        {"shrink", kMiB, 1000, original.substr(0, kMiB)},  // cut behind the reader
        {"shrink", 0, 0, ""},                              // emptied before the first read
        {"grow", kMiB, 700001, ""},
        {"replace", kMiB, 0, original},  // the open file is still the old one
        {"eof", 2 * kMiB + 5, 0, original.substr(0, 2 * kMiB + 5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " at " + std::to_string(c.after));
        const std::string path = dir_.Write("f.bin", original);
        const std::string with = dir_.Write("replacement.bin", replacement);
        const ProgramRun run = Cli(
            {path}, {"VELLUM_FAULT_PATH=" + path, "VELLUM_FAULT_AFTER=" + std::to_string(c.after),
                     "VELLUM_FAULT_MODE=" + std::string(c.mode),
                     "VELLUM_FAULT_BYTES=" + std::to_string(c.bytes), "VELLUM_FAULT_WITH=" + with});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const std::string read =
            c.expected.empty() && c.bytes != 0 ? test::ReadAll(path) : c.expected;
        const auto [size, md5] = SizeAndMd5(run.out, path);
        EXPECT_EQ(size, std::to_string(read.size()));
        EXPECT_EQ(md5, Md5Of(read));
        // The CRCs and the sum too (a helper thread folds those): the line of a file that
        // simply holds the bytes read, path aside.
        const std::string same = dir_.Write("same.bin", read);
        const std::string line = Cli({same}).out;
        EXPECT_EQ(run.out.substr(run.out.find("\",")), line.substr(line.find("\",")));
    }
    EXPECT_EQ(Misdeeds(), "");  // in particular, no file was ever mapped
}

TEST_F(CliFaults, AFileThatVanishesAfterAddingIsNamedAndNotListed) {
    const std::string gone = dir_.Write("gone.txt", "here when added");
    const std::string kept = dir_.Write("kept.txt", "stays");
    const ProgramRun run =
        Cli({gone, kept}, {"VELLUM_FAULT_PATH=" + gone, "VELLUM_FAULT_MODE=vanish"});
    EXPECT_FALSE(fs::exists(gone));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, gone + " not found\n");
    EXPECT_EQ(run.out.find(gone), std::string::npos);
    EXPECT_NE(run.out.find(kept), std::string::npos);
}

// A folder with one of everything that is not a regular file, and links of every sort.
class SpecialTree {
  public:
    explicit SpecialTree(const TempDir& dir) : root(dir.MakeDir("tree")) {
        file = dir.Write("tree/file.txt", "a plain file");
        dir.Write("tree/sub/inner.txt", "one folder down");
        fifo = root + "/fifo";
        mkfifo(fifo.c_str(), 0644);
        socket = root + "/sock";
        MakeSocket();
        device = root + "/zero";
        // mknod needs root and a file system that allows device nodes; a link stands in.
        if (mknod(device.c_str(), S_IFCHR | 0644, makedev(1, 5)) != 0)
            fs::create_symlink("/dev/zero", device);
        Link("/dev/zero", "link-to-zero");
        Link("/dev/null", "link-to-null");
        Link(fifo, "link-to-fifo");
        Link(root + "/nowhere", "dangling");
        Link("self-loop", "self-loop");
        Link("..", "sub/up");  // a folder loop: never entered
        Link(root, "sub/back-to-root");
        linkToFile = Link(file, "link-to-file.txt");  // a link to a file is a file
    }

    std::string root, file, fifo, socket, device, linkToFile;

  private:
    std::string Link(const std::string& target, const std::string& name) {
        const std::string path = root + "/" + name;
        fs::create_symlink(target, path);
        return path;
    }
    void MakeSocket() {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (socket.size() >= sizeof address.sun_path) return;
        socket.copy(address.sun_path, socket.size());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        (void)bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        close(fd);  // the socket file stays
    }
};

TEST_F(CliFaults, SpecialFilesAndLinkLoopsAreNeverReadAndTheWalkEnds) {
    const SpecialTree tree(dir_);
    const ProgramRun walk = Cli({tree.root});
    EXPECT_FALSE(walk.hung);
    EXPECT_EQ(walk.exitCode, 0) << walk.err;
    EXPECT_EQ(walk.err, "");
    std::vector<std::string> listed;
    for (std::size_t at = 0; (at = walk.out.find("\"/", at)) != std::string::npos;) {
        const std::size_t end = walk.out.find('"', at + 1);
        listed.push_back(walk.out.substr(at + 1, end - at - 1));
        at = walk.out.find('\n', end);
    }
    EXPECT_EQ(listed,
              (std::vector<std::string>{tree.file, tree.linkToFile, tree.root + "/sub/inner.txt"}));
    EXPECT_LT(walk.seconds, 1.0);
    test::Figure("must-not-hang, 1 s: walk of a folder of special files", walk.seconds * 1000,
                 "ms");

    for (const std::string& named :
         {tree.fifo, tree.socket, tree.device, tree.root + "/link-to-zero",
          tree.root + "/link-to-fifo", tree.root + "/dangling", tree.root + "/self-loop"}) {
        SCOPED_TRACE(named);
        const ProgramRun run = Cli({named});
        EXPECT_FALSE(run.hung);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, named + " failed\n");
        EXPECT_EQ(run.out, "");
        EXPECT_LT(run.seconds, 3.0);
    }
    EXPECT_EQ(Misdeeds(), "");
}

TEST_F(CliFaults, EveryFileAWalkFindsIsListedOrNamed) {
    // A thing that keeps a file from its line (a read error) among things that are no files
    // at all, and a name long enough to have been cut once.
    const SpecialTree tree(dir_);
    const std::string bad = dir_.Write("tree/sub/bad.bin", RandomBytes(2 * kMiB, 4));
    dir_.Write("tree/sub/" + std::string(240, 'n'), "listed whole");
    const ProgramRun run = Cli({tree.root}, {"VELLUM_FAULT_PATH=" + bad, "VELLUM_FAULT_AFTER=1000",
                                             "VELLUM_FAULT_MODE=eio"});
    int found = 0, silent = 0;
    for (auto it = fs::recursive_directory_iterator(tree.root); it != fs::end(it); ++it) {
        std::error_code ec;
        if (!it->is_regular_file(ec)) continue;  // follows links to files, as the walk does
        ++found;
        const std::string path = it->path().string();
        const bool listed = run.out.find("\"" + path + "\",") != std::string::npos;
        const bool named = run.err.find(path) != std::string::npos;
        if (!listed && !named) {
            ++silent;
            ADD_FAILURE() << "neither listed nor named: " << path;
        }
    }
    EXPECT_EQ(found, 5);
    EXPECT_EQ(run.exitCode, 1);
    test::Figure("silent omissions in a walk with a read error and a long name", silent, "files");
}

TEST_F(CliFaults, PermissionDeniedNamesTheFileAndPassesTheFolderOver) {
    if (!test::CanBecomeNobody()) GTEST_SKIP() << "needs root to drop to nobody";
    // nobody must reach the program and the tree: both go into a folder open to all.
    fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::group_exec |
                                     fs::perms::others_exec | fs::perms::others_read);
    const std::string program = dir_ / "vellum-cli";
    fs::copy_file(test::BuildDir() + "/vellum-cli", program);
    const std::string open = dir_.Write("t/open.txt", "anyone may read this");
    const std::string secret = dir_.Write("t/secret.txt", "root only");
    const std::string locked = dir_.MakeDir("t/locked");
    dir_.Write("t/locked/inside.txt", "behind a locked door");
    const std::string below = dir_.Write("t/public/below.txt", "readable, one folder down");
    fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(locked, fs::perms::owner_all);

    const ProgramRun run =
        test::RunBounded(RunRequest{{"/usr/bin/setpriv", "--reuid=65534", "--regid=65534",
                                     "--clear-groups", program, "--no-progress", dir_ / "t"},
                                    {"ASAN_OPTIONS=detect_leaks=0"},
                                    {},
                                    30s});
    if (run.exitCode == 127) GTEST_SKIP() << "setpriv is not here";
    EXPECT_EQ(run.exitCode, 1);  // a file could not be read: not all is well
    EXPECT_EQ(run.err, secret + " failed\n");
    EXPECT_NE(run.out.find(open), std::string::npos);
    EXPECT_NE(run.out.find(below), std::string::npos);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2) << run.out;

    // The duplicate search never reads a file whose size no other file has, but one that
    // could not have been read is named just the same, and so is one that might have a copy.
    const std::string copy = dir_.Write("t/copy.txt", "readable, one folder down");
    const std::string twin = dir_.Write("t/twin.txt", "root's too");
    const std::string secretTwin = dir_.Write("t/secret-twin.txt", "root's two");
    fs::permissions(secretTwin, fs::perms::owner_read | fs::perms::owner_write);
    const ProgramRun dups = test::RunBounded(
        RunRequest{{"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", program,
                    "--no-progress", "--duplicates", dir_ / "t"},
                   {"ASAN_OPTIONS=detect_leaks=0"},
                   {},
                   30s});
    EXPECT_EQ(dups.exitCode, 1);
    EXPECT_NE(dups.err.find(secret + " failed\n"), std::string::npos) << dups.err;
    EXPECT_NE(dups.err.find(secretTwin + " failed\n"), std::string::npos) << dups.err;
    EXPECT_NE(dups.out.find(below), std::string::npos);
    EXPECT_NE(dups.out.find(copy), std::string::npos);
    EXPECT_EQ(std::count(dups.out.begin(), dups.out.end(), '\n'), 2) << dups.out;
    EXPECT_EQ(dups.out.find(twin), std::string::npos);
}

TEST_F(CliFaults, AHundredMegabyteImportLineCostsNoMemory) {
    const std::string file = dir_.Write("f.txt", "abc");
    const std::string line = Cli({file}).out;
    const std::string small = dir_.Write("small.csv", line);
    // The line in the middle, and the valid line after it still counts.
    std::string huge = line;
    huge.append(100'000'000, 'x');
    huge += "\r\n" + line;
    const std::string big = dir_.Write("big.csv", huge);

    const ProgramRun base = Cli({"--verify", small});
    const ProgramRun run = Cli({"--verify", big});
    EXPECT_EQ(base.out, "UNCHANGED\t" + file + "\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, base.out + base.out);
    const double growth = static_cast<double>(run.maxRssKiB - base.maxRssKiB) / 1024.0;
    EXPECT_LT(growth, 64.0);
    test::Figure("peak memory growth: 100 MB import line (vellum-cli --verify)", growth, "MiB");
    test::Figure("must-not-hang, 12 s: import of a 100 MB line", run.seconds * 1000, "ms");
}

}  // namespace
}  // namespace vellum
