#include "app/cli_verify.h"

#include <unistd.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "app/cli_text.h"
#include "filelist/counted.h"
#include "filelist/status_line.h"
#include "interchange/digest_check.h"
#include "interchange/list_file.h"
#include "interchange/list_reader.h"
#include "pass/file_feed.h"
#include "platform/clock.h"
#include "platform/error_text.h"

namespace vellum::cli {
namespace {

constexpr int kExitUnchanged = 0;
constexpr int kExitNotAllUnchanged = 1;
constexpr int kExitUnreadable = 2;

class RealFiles final : public FeedSource {
  public:
    [[nodiscard]] platform::FileSystem& Files() const override {
        return platform::RealFileSystem();
    }
};

// What a file's expected values ask to be calculated: those and nothing else.
ValueSet WantedFor(const FileEntry& expected) {
    return {static_cast<std::uint8_t>(expected.held & ~kHeldSize), expected.digests.mask()};
}

// The feed's values of a file as a calculated row holds them.
FileEntry CalculatedRow(const FileEntry& expected, const FileValues& v) {
    FileEntry row;
    row.path = expected.path;
    row.size = v.size;
    row.crc16 = v.crc16;
    row.crc32 = v.crc32;
    row.xsum = v.xsum;
    row.md5 = v.md5;
    row.held = kHeldSize | v.calculated.values;
    row.status = EntryStatus::OKAY;
    ForEachKind(v.calculated.digests, [&](DigestKind kind) {
        row.digests.set(kind, v.digests[static_cast<std::size_t>(kind)]);
    });
    return row;
}

// How a file came out: MISSING (no regular file there), FAILED (it could not be opened or
// read), else its values.
struct Outcome {
    std::string_view verdict;  // "MISSING", "FAILED", or empty when calculated
    FileEntry calculated;
};

// Runs the files of a stream of rows through the feed, many in flight, and reports each one in
// the stream's order as soon as it and those before it are done. Only as many rows are held as
// the feed has files in flight.
class StreamCheck {
  public:
    using NextRow = std::function<bool(FileEntry&)>;
    using Report = std::function<void(const FileEntry& expected, const Outcome&)>;

    StreamCheck(const Options& o, NextRow next, Report report)
        : options_(o), next_(std::move(next)), report_(std::move(report)) {}

    void Run() {
        for (bool more = true;;) {
            while (more && feed_.Room()) more = TakeUpNext();
            if (!feed_.Busy()) {
                SettleReady();
                if (!more) break;
                continue;
            }
            feed_.Round();
            SettleReady();
            ShowProgress();
        }
        SettleReady();
        EndProgress();
    }
    // Between the lines of output: a progress line is cleared first.
    void EndProgress() {
        if (!progressShown_) return;
        std::fputs("\r\033[K", stderr);
        progressShown_ = false;
    }

  private:
    struct Pending {
        FileEntry expected;
        int ticket = -1;
    };

    bool TakeUpNext() {
        Pending p;
        if (!next_(p.expected)) return false;
        const ListState& v = options_.variants;
        p.ticket = feed_.TakeUp(p.expected.path.view(), v.Crc16Variant, v.Crc32Variant,
                                WantedFor(p.expected));
        pending_.push_back(std::move(p));
        return true;
    }

    void SettleReady() {
        while (!pending_.empty()) {
            const Pending& p = pending_.front();
            const FileFeed::State state = feed_.state(p.ticket);
            if (state == FileFeed::State::Opening || state == FileFeed::State::Reading) return;
            Settle(p, state);
            feed_.Release(p.ticket);
            pending_.pop_front();
        }
    }

    void Settle(const Pending& p, FileFeed::State state) {
        Outcome outcome;
        if (state == FileFeed::State::NotAFile) {
            outcome.verdict = "MISSING";
        } else if (state == FileFeed::State::OpenFailed) {
            outcome.verdict = "FAILED";
            Say(std::string(p.expected.path.view()) + " failed");
        } else if (state == FileFeed::State::Failed) {
            outcome.verdict = "FAILED";
            Say(feed_.error(p.ticket));
        } else {
            outcome.calculated = CalculatedRow(p.expected, feed_.values(p.ticket));
            bytes_ += outcome.calculated.size;
        }
        ++files_;
        EndProgress();
        report_(p.expected, outcome);
    }

    void Say(const std::string& text) {
        EndProgress();
        std::fprintf(stderr, "%s\n", OneLine(text).c_str());
    }

    void ShowProgress() {
        if (!options_.progress.value_or(isatty(STDERR_FILENO) == 1)) return;
        const std::int64_t now = platform::LocalMilliseconds();
        if (now - lastProgress_ < 300) return;
        lastProgress_ = now;
        std::fprintf(stderr, "\r%s checked, %s\033[K", Counted(files_, "file").c_str(),
                     Counted(bytes_, "byte", FormatThousands(bytes_, ",")).c_str());
        std::fflush(stderr);
        progressShown_ = true;
    }

    const Options& options_;
    NextRow next_;
    Report report_;
    RealFiles files;
    FileFeed feed_{files};
    std::deque<Pending> pending_;
    std::int64_t files_ = 0;
    std::int64_t bytes_ = 0;
    std::int64_t lastProgress_ = 0;
    bool progressShown_ = false;
};

void Print(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
}

// The list's own words for what could not be opened as a list.
std::string Unopenable(const std::string& list, int code) {
    if (code == EISDIR) return list + " is a folder, not a list";
    if (code == ENODEV) return list + " is a device, not a list";
    if (code == EINVAL) return list + " is not a file or a pipe";
    return "cannot read " + list + ": " + platform::ErrorText(code);
}

// The tally of one verification run.
struct Tally {
    ImportCounts lines;
    std::int64_t verified = 0;  // files whose values were compared
    bool allUnchanged = true;
};

std::string VerdictOf(const FileEntry& expected, const Outcome& outcome) {
    if (!outcome.verdict.empty()) return std::string(outcome.verdict);
    return HeldValuesEqual(expected, outcome.calculated) ? "UNCHANGED" : "CHANGED";
}

}  // namespace

int RunVerify(const Options& o) {
    const std::string& list = *o.verifyList;
    const bool fromStdin = list == "-";
    platform::FileSystem& fs = platform::RealFileSystem();
    const int fd = fromStdin ? STDIN_FILENO : fs.OpenStream(list);
    if (fd < 0) {
        std::fprintf(stderr, "vellum-cli: %s\n", OneLine(Unopenable(list, -fd)).c_str());
        return kExitUnreadable;
    }
    ListLineReader reader(fs, fd, RulesFor(fromStdin ? "" : list, o.variants.Crc32Variant));
    Tally tally;
    const auto next = [&](FileEntry& row) {
        for (ListLine line; reader.Next(line);) {
            tally.lines.Count(line);
            if (line.kind != ListLineKind::Row) continue;
            row = std::move(line.row);
            return true;
        }
        return false;
    };
    const auto report = [&](const FileEntry& expected, const Outcome& outcome) {
        const std::string verdict = VerdictOf(expected, outcome);
        if (verdict == "MISSING" && o.ignoreMissing) return;
        if (verdict == "UNCHANGED" || verdict == "CHANGED") ++tally.verified;
        const bool unchanged = verdict == "UNCHANGED";
        tally.allUnchanged = tally.allUnchanged && unchanged;
        if (o.status || (o.quiet && unchanged)) return;
        Print(VerdictLine(verdict, expected.path.view()));
    };
    StreamCheck(o, next, report).Run();
    std::fflush(stdout);
    if (!fromStdin) (void)fs.Close(fd);
    const std::string shown = fromStdin ? "standard input" : list;
    if (reader.error()) {
        std::fprintf(stderr, "vellum-cli: cannot read %s: %s\n", OneLine(shown).c_str(),
                     reader.error()->c_str());
        return kExitUnreadable;
    }
    if (const auto notice = ImportNotice(tally.lines, shown); notice && !o.status)
        std::fprintf(stderr, "vellum-cli: %s\n", OneLine(*notice).c_str());
    if (tally.lines.usable == 0) return kExitNotAllUnchanged;
    if (o.ignoreMissing && tally.verified == 0) {
        if (!o.status)
            std::fprintf(stderr, "vellum-cli: %s: no file was verified\n", OneLine(shown).c_str());
        return kExitNotAllUnchanged;
    }
    if (o.strict && tally.lines.unreadable > 0) return kExitNotAllUnchanged;
    return tally.allUnchanged ? kExitUnchanged : kExitNotAllUnchanged;
}

int RunCheck(const Options& o) {
    const auto digest = ReadPublishedDigest(*o.checkDigest);
    if (!digest) {
        std::fprintf(stderr,
                     "vellum-cli: --check takes a digest of 32, 40, 56, 64, 96 or 128 "
                     "hexadecimal digits\n");
        return 2;
    }
    FileEntry expected;
    expected.path.assign(o.paths.front());
    ExpectDigest(expected, *digest);
    bool taken = false;
    int status = kExitNotAllUnchanged;
    const auto next = [&](FileEntry& row) {
        if (taken) return false;
        row = expected;
        taken = true;
        return true;
    };
    const auto report = [&](const FileEntry& e, const Outcome& outcome) {
        const std::string name = OneLine(e.path.view());
        if (outcome.verdict == "MISSING") {
            std::printf("%s: not found\n", name.c_str());
            return;
        }
        if (!outcome.verdict.empty()) return;  // said on standard error
        if (const auto matched = MatchedAlgorithm(outcome.calculated, *digest)) {
            std::printf("%s: %s matches\n", name.c_str(), matched->c_str());
            status = kExitUnchanged;
            return;
        }
        std::string tried = digest->md5 ? "MD5" : "";
        ForEachKind(digest->kinds, [&](DigestKind kind) {
            tried += (tried.empty() ? "" : " or ") + std::string(InfoOf(kind).menu);
        });
        std::printf("%s: does not match (%s)\n", name.c_str(), tried.c_str());
    };
    StreamCheck(o, next, report).Run();
    std::fflush(stdout);
    return status;
}

}  // namespace vellum::cli
