// The file feed under the list pass: many files in flight give the rows, messages and errors of
// one file at a time, whatever fails where; no file call runs beside an event handler; a halt
// stops every file in flight within one more block; no more files are open than the feed's
// buffers hold. (The whole list-pass suite also runs with one file in flight and with and
// without the helper thread, ctest entries of their own.)
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "filelist/list_context.h"
#include "pass/feed_helper.h"
#include "pass/list_pass.h"
#include "tests/support/rows.h"
#include "tests/support/temp_dir.h"

namespace vellum {
namespace {

using S = EntryStatus;
constexpr std::size_t kMiB = 0x100000;

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    return s;
}

// Counts calls and open files, fails the calls a test names (the n-th read of a file, the close
// of a file, the open of a file), and notes a read that runs while something else happens.
// Reads dawdle a little, so that one running beside something else would be seen.
class SlowFs final : public platform::FileSystem {
  public:
    std::int64_t Read(int fd, void* buffer, std::size_t count) override {
        reading = true;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        ++reads;
        const std::string& path = paths[fd];
        ++readsOf[path];
        const bool fail = path == failRead && ++readsOfFailRead == failReadAt;
        const std::int64_t got = fail ? -EIO : FileSystem::Read(fd, buffer, count);
        reading = false;
        return got;
    }
    int OpenForReading(const std::string& path) override {
        ++opens;
        if (path == refuseOpen) return -EACCES;
        const int fd = FileSystem::OpenForReading(path);
        if (fd < 0) return fd;
        paths[fd] = path;
        maxOpen = std::max(maxOpen, ++open);
        return fd;
    }
    int Close(int fd) override {
        if (reading) closedUnderARead = true;
        ++closes;
        --open;
        const bool fail = paths[fd] == failClose;
        const int rc = FileSystem::Close(fd);
        return fail ? -EIO : rc;
    }
    [[nodiscard]] std::string Counts() const {
        return "reads " + std::to_string(reads) + ", opens " + std::to_string(opens) + ", closes " +
               std::to_string(closes);
    }
    int reads = 0;
    int opens = 0;
    int closes = 0;
    int open = 0;
    int maxOpen = 0;
    std::string failRead;
    int failReadAt = 0;
    int readsOfFailRead = 0;
    std::string failClose;
    std::string refuseOpen;
    std::map<int, std::string> paths;
    std::map<std::string, int> readsOf;
    std::atomic<bool> reading = false;
    std::atomic<bool> closedUnderARead = false;
};

class PumpHost final : public ListHost {
  public:
    void PumpEvents() override {
        if (fs->reading) readDuringPump = true;
        ++pumps;
        if (onPump) onPump();
    }
    void ShowError(std::string_view text) override { errors.emplace_back(text); }
    SlowFs* fs = nullptr;
    std::function<void()> onPump;
    std::vector<std::string> errors;
    bool readDuringPump = false;
    int pumps = 0;
};

// A list, its pass and the fakes, for one run.
struct PassRun {
    PassRun(int inFlight, bool helper, bool refreshEveryRound) {
        SizeFileTable(ctx);
        ctx.fs = &fs;
        host.fs = &fs;
        ctx.host = &host;
        pass.setFilesInFlight(inFlight);
        pass.setReadAhead(helper);
        every = refreshEveryRound;
    }
    // Rows, the message and the errors.
    [[nodiscard]] std::string Outcome() const {
        std::string out;
        for (std::int32_t r = 1; r < ctx.state.RowCount; ++r) {
            const FileEntry& e = ctx.table[r];
            out += std::to_string(static_cast<int>(e.status)) + " " + std::to_string(e.size) + " " +
                   std::to_string(e.crc16) + " " + std::to_string(e.crc32) + " " +
                   std::to_string(e.xsum) + " " + DigestToHex(e.md5) + "\n";
        }
        out += "message: " + ctx.message.StatusMessage + "\n";
        for (const std::string& error : host.errors) out += "error: " + error + "\n";
        return out;
    }
    ListContext ctx;
    SlowFs fs;
    PumpHost host;
    std::int64_t now = 0;
    bool every = false;
    ListPass pass{ctx, [this] { return every ? now += 301 : now; }};
};

struct Config {
    int inFlight;
    bool helper;
};
constexpr Config kConfigs[] = {{1, false}, {kMaxInFlight, false}, {kMaxInFlight, true}, {1, true}};

TEST(FileFeed, ManyFilesInFlightGiveWhatOneAtATimeGives) {
    test::TempDir dir;
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::vector<std::string> paths = {dir.Write("empty", ""), dir.Write("one", "1")};
    const std::string refused = dir.Write("refused", "no entry");
    paths.insert(paths.end(), {dir / "missing", fifo, refused, paths[1]});  // the same file twice
    const std::string small = dir.Write("small", RandomBytes(3000, 1));
    const std::string large = dir.Write("large", RandomBytes(5 * kMiB / 2, 2));
    paths.insert(paths.end(), {small, large});
    std::mt19937 rng(5);
    // More files than can be in flight, of sizes around the block: small ones read in one
    // round, whole blocks, a block and a byte or two, and large ones read over several rounds.
    for (int k = 0; k < 40; ++k) {
        const std::size_t size = k % 9 == 4 ? kMiB * (k % 4) + rng() % 3 : rng() % 9000;
        paths.push_back(dir.Write("r" + std::to_string(k), RandomBytes(size, rng())));
    }
    struct Case {
        std::string what;
        std::string failRead = {};
        int failReadAt = 0;
        std::string failClose = {};
        bool everyRound = false;
        bool handler = false;  // at the second pump, row 30 is marked OKAY
    };
    const Case cases[] = {
        {.what = "no faults"},
        {.what = "a refresh before every round", .everyRound = true},
        {.what = "a handler takes a later row out of the pass",
         .everyRound = true,
         .handler = true},
        {.what = "the first read of a small file fails", .failRead = small, .failReadAt = 1},
        {.what = "the read that finds the end of a small file fails",
         .failRead = small,
         .failReadAt = 2},
        {.what = "the second read of a large file fails", .failRead = large, .failReadAt = 2},
        {.what = "the read that finds the end of a large file fails",
         .failRead = large,
         .failReadAt = 4},
        {.what = "the close of a large file fails", .failClose = large},
        {.what = "the close of the last file fails", .failClose = paths.back()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> outcomes, counts;
        for (const Config& config : kConfigs) {
            PassRun run(config.inFlight, config.helper, c.everyRound);
            run.fs.failRead = c.failRead;
            run.fs.failReadAt = c.failReadAt;
            run.fs.failClose = c.failClose;
            run.fs.refuseOpen = refused;
            for (const std::string& path : paths)
                (void)AppendRow(run.ctx, test::Row(path, S::WAITING));
            run.host.onPump = [&] {
                if (c.handler && run.host.pumps == 2) run.ctx.table[30].status = S::OKAY;
            };
            run.ctx.updatefilez();
            outcomes.push_back(run.Outcome());
            counts.push_back(run.fs.Counts());
            EXPECT_EQ(run.fs.open, 0);
            EXPECT_LE(run.fs.maxOpen, kMaxReadsPerRound);
            EXPECT_FALSE(run.host.readDuringPump);
            EXPECT_FALSE(run.fs.closedUnderARead);
            EXPECT_FALSE(run.ctx.state.Updating);
            EXPECT_FALSE(run.ctx.state.Processing);
        }
        for (std::size_t k = 1; k < outcomes.size(); ++k) {
            EXPECT_EQ(outcomes[k], outcomes[0]) << "config " << k;
            // Files in flight after a failed one, or taken out by a handler, are read for
            // nothing; otherwise every file is read as one at a time reads it.
            if (c.failRead.empty() && c.failClose.empty() && !c.handler) {
                EXPECT_EQ(counts[k], counts[0]) << "config " << k;
            }
        }
    }
}

// Every file in flight reads one more block at most; the rows stay CALCING with their old values
// and start again from their first byte at Resume.
TEST(FileFeed, AHaltStopsEveryFileInFlightWithinOneMoreBlock) {
    test::TempDir dir;
    std::vector<std::string> contents;
    PassRun run(kMaxInFlight, ReadAheadPays(), true);
    for (unsigned k = 0; k < 20; ++k) {
        contents.push_back(RandomBytes(3 * kMiB + k, k));
        (void)AppendRow(run.ctx,
                        test::Row(dir.Write("f" + std::to_string(k), contents.back()), S::WAITING));
    }
    std::map<std::string, int> readsAtHalt;
    run.host.onPump = [&] {
        if (run.host.pumps != 2) return;
        run.pass.HaltOrResume([](bool) {});
        readsAtHalt = run.fs.readsOf;
    };
    run.ctx.updatefilez();
    EXPECT_EQ(run.fs.open, 0);
    EXPECT_LE(run.fs.maxOpen, kMaxReadsPerRound);
    for (const auto& [path, reads] : run.fs.readsOf) EXPECT_LE(reads - readsAtHalt[path], 1);
    int calcing = 0;
    for (std::int32_t r = 1; r < run.ctx.state.RowCount; ++r) {
        const FileEntry& e = run.ctx.table[r];
        EXPECT_TRUE(e.status == S::CALCING || e.status == S::WAITING) << r;
        EXPECT_EQ(e.size, 0);
        calcing += e.status == S::CALCING;
    }
    // The large files in flight, taken up in row order.
    EXPECT_GE(calcing, 1);
    EXPECT_LE(calcing, kMaxReadsPerRound);
    EXPECT_EQ(run.ctx.table[calcing].status, S::CALCING);

    run.pass.HaltOrResume([](bool) {});
    for (std::int32_t r = 1; r < run.ctx.state.RowCount; ++r) {
        const FileEntry& e = run.ctx.table[r];
        ASSERT_EQ(e.status, S::OKAY);
        EXPECT_EQ(e.md5, DigestOfText(contents[static_cast<std::size_t>(r - 1)])) << r;
    }
}

TEST(FeedHelper, RunsEveryJobOfEveryRoundOnce) {
    FeedHelper helper;
    std::vector<std::atomic<int>> runs(16);
    const FeedHelper::Job job = [](void* context, int j) {
        ++(*static_cast<std::vector<std::atomic<int>>*>(context))[static_cast<std::size_t>(j)];
    };
    for (int round = 0; round < 2000; ++round) {
        const int count = round % 17;
        for (auto& r : runs) r = 0;
        const bool helped = round % 3 != 0;
        helper.Begin(count, job, &runs, helped);
        if (!helped || round % 2 == 0)
            for (int j; helper.Claim(j);) helper.Run(j);
        helper.AwaitRound();
        for (int j = 0; j < 16; ++j)
            ASSERT_EQ(runs[static_cast<std::size_t>(j)], j < count ? 1 : 0);
    }
}

}  // namespace
}  // namespace vellum
