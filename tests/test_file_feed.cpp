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
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "filelist/list_context.h"
#include "pass/feed_helper.h"
#include "pass/list_pass.h"
#include "tests/support/digest_of.h"
#include "tests/support/fake_files.h"
#include "tests/support/random_bytes.h"
#include "tests/support/recording_host.h"
#include "tests/support/rows.h"
#include "tests/support/temp_dir.h"

namespace vellum {
namespace {

using S = EntryStatus;
using Call = test::FakeFiles::Call;
using test::RandomBytes;
constexpr std::size_t kMiB = 0x100000;

// A list, its pass and the fakes, for one run. Reads dawdle a little, so that one running
// beside an event handler would be seen.
struct PassRun {
    PassRun(int inFlight, bool helper, bool refreshEveryRound) {
        ctx.fs = &fs;
        ctx.host = &host;
        fs.dawdle = std::chrono::microseconds(200);
        host.onPump = [this] {
            if (fs.Reading()) readDuringPump = true;
            if (step) step();
        };
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
    // The bytes read of each file, and the opens and closes: how many reads that takes
    // depends on how many files share a round.
    [[nodiscard]] std::string Counts(const std::vector<std::string>& paths) const {
        std::string out;
        for (const std::string& path : paths) out += std::to_string(fs.BytesRead(path)) + " ";
        return out + "bytes read, opens " + std::to_string(fs.Calls(Call::Open)) + ", closes " +
               std::to_string(fs.Calls(Call::Close));
    }
    ListContext ctx;
    test::FakeFiles fs;
    test::RecordingHost host;
    std::function<void()> step;  // runs inside every pump, as an event handler would
    bool readDuringPump = false;
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
            if (!c.failRead.empty())
                run.fs.Fail({Call::Read, c.failRead, EIO, c.failReadAt, c.failReadAt});
            if (!c.failClose.empty()) run.fs.Fail({Call::Close, c.failClose, EIO});
            run.fs.Fail({Call::Open, refused, EACCES});
            for (const std::string& path : paths)
                (void)AppendRow(run.ctx, test::Row(path, S::WAITING));
            run.step = [&] {
                if (c.handler && run.host.pumps == 2) run.ctx.table[30].status = S::OKAY;
            };
            run.ctx.RunPass();
            outcomes.push_back(run.Outcome());
            counts.push_back(run.Counts(paths));
            EXPECT_EQ(run.fs.OpenNow(), 0);
            EXPECT_LE(run.fs.MostOpen(), kMaxReadsPerRound);
            EXPECT_FALSE(run.readDuringPump);
            EXPECT_FALSE(run.fs.ClosedUnderARead());
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
    run.step = [&] {
        if (run.host.pumps != 2) return;
        run.pass.HaltOrResume([](bool) {});
        readsAtHalt = run.fs.CallsByPath(Call::Read);
    };
    run.ctx.RunPass();
    EXPECT_EQ(run.fs.OpenNow(), 0);
    EXPECT_LE(run.fs.MostOpen(), kMaxReadsPerRound);
    for (const auto& [path, reads] : run.fs.CallsByPath(Call::Read))
        EXPECT_LE(reads - readsAtHalt[path], 1);
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

// Every further digest equals libcrypto's over the whole file in one call, whatever the sizes
// around the hash blocks and the feed's blocks, however many files are in flight; a file
// calculated for some values gets those and no others.
TEST(FileFeed, DigestsMatchTheReferenceAcrossBlockEdgesWithManyFilesInFlight) {
    test::TempDir dir;
    std::vector<std::string> contents;
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, std::size_t{55}, std::size_t{56}, std::size_t{64},
          std::size_t{111}, std::size_t{112}, std::size_t{127}, std::size_t{128}, std::size_t{129},
          std::size_t{4095}, kMiB - 1, kMiB, kMiB + 1, 2 * kMiB + 200})
        contents.push_back(RandomBytes(size, static_cast<unsigned>(size)));
    const auto bytes = [](const std::string& text) {
        return std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()),
                                             text.size());
    };
    const ValueSet sets[] = {{kHeldAll, kAllDigests},
                             {0, MaskOf(DigestKind::Sha256)},
                             {kHeldCrc32, MaskOf(DigestKind::Sha512) | MaskOf(DigestKind::Sha1)}};
    for (const Config& config : kConfigs) {
        for (const ValueSet& wanted : sets) {
            SCOPED_TRACE(::testing::Message() << "in flight " << config.inFlight << ", helper "
                                              << config.helper << ", values " << int(wanted.values)
                                              << ", digests " << int(wanted.digests));
            ListContext ctx;
            ctx.calculate = wanted;
            ListPass pass(ctx);
            pass.setFilesInFlight(config.inFlight);
            pass.setReadAhead(config.helper);
            for (std::size_t k = 0; k < contents.size(); ++k)
                (void)AppendRow(
                    ctx, test::Row(dir.Write("f" + std::to_string(k), contents[k]), S::WAITING));
            ctx.RunPass();
            for (std::size_t k = 0; k < contents.size(); ++k) {
                const FileEntry& e = ctx.table[static_cast<std::int32_t>(k) + 1];
                ASSERT_EQ(e.status, S::OKAY) << k;
                EXPECT_EQ(e.size, static_cast<std::int64_t>(contents[k].size()));
                EXPECT_EQ(e.held, kHeldSize | wanted.values) << k;
                EXPECT_EQ(e.digests.mask(), wanted.digests) << k;
                ForEachKind(wanted.digests, [&](DigestKind kind) {
                    EXPECT_EQ(e.digests.get(kind), test::DigestOf(kind, bytes(contents[k])))
                        << InfoOf(kind).caption << ", size " << contents[k].size();
                });
                if ((wanted.values & kHeldMd5) != 0) {
                    EXPECT_EQ(e.md5, DigestOfText(contents[k])) << k;
                }
            }
        }
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

// Rounds of one job or none, the helper now slow in its job, now asleep between rounds: the
// round ends only when its job has run and what it wrote is seen (plain values, so that the
// thread checker sees the hand-off), and a helper asleep at the end still stops.
TEST(FeedHelper, AwaitsASlowHelperAndWakesASleepingOne) {
    struct Round {
        std::thread::id caller = std::this_thread::get_id();
        bool slow = false;
        int runs[2] = {};
        std::thread::id ranOn[2];
    } r;
    const FeedHelper::Job job = [](void* context, int j) {
        auto& round = *static_cast<Round*>(context);
        const auto k = static_cast<std::size_t>(j);
        if (round.slow && std::this_thread::get_id() != round.caller)
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        ++round.runs[k];
        round.ranOn[k] = std::this_thread::get_id();
    };
    int onHelper = 0;
    {
        FeedHelper helper;
        for (int round = 0; round < 300; ++round) {
            const int count = round % 5 == 0 ? 0 : 1 + round % 2;
            r.slow = round % 4 == 1;
            r.runs[0] = r.runs[1] = 0;
            // Longer than the helper spins before it sleeps.
            if (round % 6 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            helper.Begin(count, job, &r, true);
            if (round % 3 == 0)
                for (int j; helper.Claim(j);) helper.Run(j);
            helper.AwaitRound();
            for (int j = 0; j < 2; ++j) {
                ASSERT_EQ(r.runs[j], j < count ? 1 : 0) << "round " << round << ", job " << j;
                if (j < count) onHelper += r.ranOn[j] != r.caller;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_GT(onHelper, 0);
}

}  // namespace
}  // namespace vellum
