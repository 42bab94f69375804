// Reading ahead in the list pass: the same values and reads as without it, no read beside the
// host's event handling, and read errors and halts that end the pass as they do without it.
// (The whole list-pass suite also runs with VELLUM_READ_AHEAD=1, a ctest entry of its own.)
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <random>
#include <string>
#include <vector>
#include <thread>

#include "filelist/list_context.h"
#include "pass/list_pass.h"
#include "pass/read_ahead.h"
#include "tests/support/rows.h"
#include "tests/support/temp_dir.h"

namespace vellum {
namespace {

using S = EntryStatus;
constexpr std::size_t kMiB = 0x100000;

// Counts reads and open files, fails the read a test names, and notes whether a read is running;
// reads dawdle a little so that one running beside something else would be seen.
class SlowFs final : public platform::FileSystem {
  public:
    std::int64_t Read(int fd, void* buffer, std::size_t count) override {
        reading = true;
        if (buffer == nullptr) readIntoNothing = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const int n = ++reads;
        const std::int64_t got = n == failReadAt ? -EIO : FileSystem::Read(fd, buffer, count);
        reading = false;
        return got;
    }
    int OpenForReading(const std::string& path) override {
        ++opens;
        if (path == refuseOpen) return -EACCES;
        const int fd = FileSystem::OpenForReading(path);
        if (fd >= 0) ++open;
        return fd;
    }
    int Close(int fd) override {
        if (reading) closedUnderARead = true;
        --open;
        const int rc = FileSystem::Close(fd);
        return ++closes == failCloseAt ? -EIO : rc;
    }
    std::atomic<int> reads = 0;
    int opens = 0;
    int closes = 0;
    int failCloseAt = -1;
    std::string refuseOpen;
    std::atomic<bool> reading = false;
    std::atomic<bool> closedUnderARead = false;
    std::atomic<bool> readIntoNothing = false;
    int open = 0;
    int failReadAt = -1;
};

class PumpHost final : public ListHost {
  public:
    void PumpEvents() override {
        if (fs->reading) readDuringPump = true;
        if (onPump) onPump();
    }
    void ShowError(std::string_view text) override { errors.emplace_back(text); }
    SlowFs* fs = nullptr;
    std::function<void()> onPump;
    std::vector<std::string> errors;
    bool readDuringPump = false;
};

class ReadAheadPass : public ::testing::Test {
  protected:
    void SetUp() override {
        SizeFileTable(ctx);
        ctx.fs = &fs;
        host.fs = &fs;
        ctx.host = &host;
        pass.setReadAhead(true);
    }
    std::int32_t ListBig(std::size_t size, unsigned seed) {
        std::mt19937 rng(seed);
        std::string bytes(size, '\0');
        for (char& c : bytes) c = static_cast<char>(rng());
        return AppendRow(ctx, test::Row(dir.Write("f" + std::to_string(seed), bytes), S::WAITING));
    }
    std::int64_t now = 0;
    ListContext ctx;
    SlowFs fs;
    PumpHost host;
    ListPass pass{ctx, [this] { return now += 301; }};  // a refresh before every block
    test::TempDir dir;
};

TEST_F(ReadAheadPass, GivesTheValuesAndReadsOfPlainReadsWithNoReadBesideTheHost) {
    struct Case {
        std::size_t size;
        int reads;
    } const cases[] = {{kMiB, 2}, {3 * kMiB, 4}, {3 * kMiB + 5, 5}};
    for (const Case& c : cases) {
        const std::int32_t row = ListBig(c.size, static_cast<unsigned>(c.size));
        // The helper folds the CRCs and the sum of the blocks it reads: every variant.
        const auto variant = static_cast<std::uint8_t>(c.size % 3);
        ctx.state.Crc16Variant = variant;
        ctx.state.Crc32Variant = variant % 2;
        std::vector<FileEntry> results;
        for (const bool ahead : {false, true}) {
            pass.setReadAhead(ahead);
            ctx.table[row].status = S::WAITING;
            fs.reads = 0;
            ctx.updatefilez();
            EXPECT_EQ(fs.reads, c.reads) << c.size << (ahead ? " ahead" : "");
            results.push_back(ctx.table[row]);
        }
        EXPECT_EQ(results[0].status, S::OKAY);
        EXPECT_EQ(results[0].size, results[1].size);
        EXPECT_EQ(results[0].crc16, results[1].crc16);
        EXPECT_EQ(results[0].crc32, results[1].crc32);
        EXPECT_EQ(results[0].xsum, results[1].xsum);
        EXPECT_EQ(results[0].md5, results[1].md5);
    }
    EXPECT_FALSE(host.readDuringPump);
    EXPECT_FALSE(fs.closedUnderARead);
    EXPECT_EQ(fs.open, 0);
}

// The read handed over during a block, whether its block is taken or dropped by a halt, fails
// the pass as a plain read would: error shown, file closed, row CALCING, flags cleared.
TEST_F(ReadAheadPass, AFailedReadAheadEndsThePassCleanlyWithOrWithoutAHalt) {
    for (const bool halt : {false, true}) {
        SCOPED_TRACE(halt ? "halted" : "running");
        ctx.state.HaltRequested = false;
        host.errors.clear();
        const std::int32_t row = ListBig(4 * kMiB, halt ? 7 : 8);
        fs.reads = 0;
        fs.failReadAt = 3;
        host.onPump = [&] {
            if (halt && fs.reads == 2) pass.HaltOrResume([](bool) {});
        };
        ctx.updatefilez();
        EXPECT_EQ(fs.reads, 3);
        EXPECT_EQ(ctx.table[row].status, S::CALCING);
        ASSERT_EQ(host.errors.size(), 1u);
        EXPECT_NE(host.errors[0].find("Cannot read"), std::string::npos);
        EXPECT_EQ(fs.open, 0);
        EXPECT_FALSE(fs.closedUnderARead);
        EXPECT_FALSE(ctx.state.Updating);
        EXPECT_FALSE(ctx.state.Processing);
        fs.failReadAt = -1;
        ctx.table[row].status = S::OKAY;  // out of the next round's way
    }
}

// Over small files the helper also closes each file and opens and reads the rows after it,
// several in a row: the rows, messages, errors and the file layer's calls must come out as a
// pass without it gives them, whatever fails where, and whether or not a handler changes the
// next row meanwhile.
TEST(ReadAheadSmallFiles, TakingUpTheNextRowsEarlyChangesNothingThatCanBeSeen) {
    test::TempDir dir;
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::vector<std::string> paths = {dir.Write("empty", ""), dir.Write("one", "1")};
    for (const std::size_t size : {4096u, 100000u, 300u, 7000u})
        paths.push_back(dir.Write("s" + std::to_string(size), std::string(size, 'q')));
    const std::string refused = dir.Write("refused", "no entry");
    paths.insert(paths.begin() + 3, {dir / "missing", fifo, refused});
    paths.insert(paths.begin() + 5, paths[1]);  // the same file twice, one after the other
    // More small files than the helper takes up at once, an empty one among them, and files
    // of a whole block and a block and a byte, which end a run of small ones.
    std::mt19937 rng(5);
    for (int k = 0; k < 2 * kChain + 3; ++k) {
        std::string bytes(k == 7 ? 0 : rng() % 9000, '\0');
        for (char& b : bytes) b = static_cast<char>(rng());
        paths.push_back(dir.Write("r" + std::to_string(k), bytes));
        if (k == 10) paths.push_back(dir.Write("block", std::string(kMiB, 'b')));
        if (k == 12) paths.push_back(dir.Write("block+1", std::string(kMiB + 1, 'c')));
    }

    struct Case {
        std::string what;
        int failReadAt = -1;
        int failCloseAt = -1;
        bool refreshEveryBlock = false;
        // At the second pump of this row (after the helper was told the next rows), a handler
        // marks the next row OKAY.
        std::int32_t okayNextFrom = 0;
    };
    std::vector<Case> cases = {
        {"no faults"},
        {"a refresh before every block", -1, -1, true},
        {"a handler takes the next row out of the pass", -1, -1, true, 2},
        {"a handler takes a later next row out of the pass", -1, -1, true, 20},
    };
    // First reads, the reads after them and closes, near the start and deep in a run.
    for (const int at : {4, 9, 16, 23, 31, 40})
        cases.push_back({"read " + std::to_string(at) + " fails", at});
    for (const int at : {2, 7, 13, 21})
        cases.push_back({"close " + std::to_string(at) + " fails", -1, at});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> outcomes;
        for (const bool ahead : {false, true}) {
            ListContext ctx;
            SizeFileTable(ctx);
            SlowFs fs;
            fs.failReadAt = c.failReadAt;
            fs.failCloseAt = c.failCloseAt;
            fs.refuseOpen = refused;
            PumpHost host;
            host.fs = &fs;
            ctx.fs = &fs;
            ctx.host = &host;
            std::int64_t now = 0;
            ListPass pass{ctx, [&] { return c.refreshEveryBlock ? now += 301 : now; }};
            pass.setReadAhead(ahead);
            for (const std::string& path : paths) (void)AppendRow(ctx, test::Row(path, S::WAITING));
            std::int32_t pumpRow = 0;
            int pumpsInRow = 0;
            host.onPump = [&] {
                if (pass.currentRow() != pumpRow) pumpsInRow = 0;
                pumpRow = pass.currentRow();
                if (++pumpsInRow == 2 && pumpRow == c.okayNextFrom)
                    ctx.table[pumpRow + 1].status = S::OKAY;
            };
            ctx.updatefilez();
            std::string out;
            for (std::int32_t r = 1; r < ctx.state.RowCount; ++r) {
                const FileEntry& e = ctx.table[r];
                out += std::to_string(static_cast<int>(e.status)) + " " + std::to_string(e.size) +
                       " " + std::to_string(e.crc32) + " " + DigestToHex(e.md5) + "\n";
            }
            out += "message: " + ctx.message.StatusMessage + "\n";
            for (const std::string& error : host.errors) out += "error: " + error + "\n";
            out += "reads " + std::to_string(fs.reads) + ", opens " + std::to_string(fs.opens) +
                   ", closes " + std::to_string(fs.closes) + "\n";
            EXPECT_EQ(fs.open, 0) << (ahead ? "ahead" : "plain");
            EXPECT_FALSE(host.readDuringPump);
            EXPECT_FALSE(fs.closedUnderARead);
            EXPECT_FALSE(ctx.state.Updating);
            outcomes.push_back(out);
        }
        // Dropping what the helper took up for a row a handler may have changed costs an
        // open, a read and a close more; nothing else may differ.
        if (!c.refreshEveryBlock) {
            EXPECT_EQ(outcomes[1], outcomes[0]);
        }
        const auto rows = [](const std::string& out) { return out.substr(0, out.rfind("reads")); };
        EXPECT_EQ(rows(outcomes[1]), rows(outcomes[0]));
    }
}

// The last rows of a list: the read that finds the end of the last one still has a buffer.
TEST(ReadAheadSmallFiles, TheLastRowsReadIntoBuffersOfTheirOwn) {
    test::TempDir dir;
    ListContext ctx;
    SizeFileTable(ctx);
    SlowFs fs;
    PumpHost host;
    host.fs = &fs;
    ctx.fs = &fs;
    ctx.host = &host;
    ListPass pass{ctx, [] { return 0; }};
    pass.setReadAhead(true);
    for (const char* name : {"a", "b", "c"})
        (void)AppendRow(ctx, test::Row(dir.Write(name, name), S::WAITING));
    ctx.updatefilez();
    for (std::int32_t r = 1; r < ctx.state.RowCount; ++r) EXPECT_EQ(ctx.table[r].status, S::OKAY);
    EXPECT_EQ(fs.reads, 6);
    EXPECT_FALSE(fs.readIntoNothing);
    EXPECT_EQ(fs.open, 0);
}

TEST(ReadAhead, HandsBackEachBlockInTurnAndSettlesWhenDestroyedMidRead) {
    test::TempDir dir;
    std::string bytes(3 * 1000 + 17, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    SlowFs fs;
    const int fd = fs.OpenForReading(dir.Write("f", bytes));
    ASSERT_GE(fd, 0);
    std::string got;
    {
        ReadAhead ahead;
        char buffer[1000];
        for (;;) {
            ahead.Start(fs, fd, reinterpret_cast<std::uint8_t*>(buffer), sizeof buffer);
            EXPECT_TRUE(ahead.holds());
            const std::int64_t n = ahead.Take();
            EXPECT_FALSE(ahead.holds());
            ASSERT_GE(n, 0);
            if (n == 0) break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        EXPECT_EQ(got, bytes);
        // Left running: the destructor must wait for it before the buffer goes.
        ahead.Start(fs, fd, reinterpret_cast<std::uint8_t*>(buffer), sizeof buffer);
    }
    EXPECT_FALSE(fs.reading);
    EXPECT_EQ(fs.reads, 6);
    (void)fs.Close(fd);
}

}  // namespace
}  // namespace vellum
