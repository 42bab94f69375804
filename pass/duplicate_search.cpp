#include "pass/duplicate_search.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

#include "filelist/list_commands.h"
#include "filelist/list_context.h"
#include "pass/feed_queue.h"
#include "pass/list_pass.h"
#include "platform/beside.h"

namespace vellum {
namespace {

// What tells a candidate apart so far: its size and up to three words of what was read.
using Key = std::array<std::uint64_t, 4>;

struct Candidate {
    std::int32_t row = 0;
    std::int64_t size = 0;
    Key key{};
    MidwayValues midway;    // after the first block
    bool complete = false;  // its values are from a read of the whole file
    bool out = false;       // no longer a candidate
    bool unique = false;    // left because no other file matches it: its row goes
};

std::uint64_t Word(const std::uint8_t* p) {
    std::uint64_t v = 0;
    for (int k = 0; k < 8; ++k) v = v << 8 | p[k];
    return v;
}

Key CompleteKey(const FileEntry& row) {
    return {static_cast<std::uint64_t>(row.size), Word(row.md5.bytes.data()),
            Word(row.md5.bytes.data() + 8),
            std::uint64_t{row.crc32} << 32 | std::uint64_t{row.crc16} << 16 | row.xsum};
}

class Search {
  public:
    Search(ListContext& ctx, ListPass& pass) : ctx_(ctx), pass_(pass) {}

    SearchOutcome Run(std::int32_t first) {
        candidates_.reserve(static_cast<std::size_t>(std::max(ctx_.state.RowCount - first, 0)));
        for (std::int32_t i = first; i < ctx_.state.RowCount; ++i) {
            const FileEntry& row = ctx_.table[i];
            if (!AwaitsCalculation(row.status)) continue;
            Candidate c;
            c.row = i;
            c.size = row.size;
            c.key[0] = static_cast<std::uint64_t>(row.size);
            candidates_.push_back(c);
        }
        ListState& s = ctx_.state;
        s.Updating = true;
        s.Processing = true;
        ctx_.host->ShowStatus();
        KeepShared();
        ReadableCheck check;
        AskWhetherReadable(check);
        const bool done =
            FirstBlocks() && KeepShared() && LastBlocks() && KeepShared() && Rest() && KeepShared();
        TellUnreadable(check);
        outcome_.halted = !done;
        s.Processing = false;
        s.Updating = false;
        RemoveUnique();
        return outcome_;
    }

  private:
    // The files that leave by their size alone, which the search never opens, and whether each
    // could have been read.
    struct ReadableCheck {
        std::vector<std::string> paths;
        std::future<std::vector<bool>> readable;
    };

    // Asks of every file that left by its size whether it could have been read: the add that
    // made the rows only looked their sizes up. On another thread while the first blocks are
    // read, where the file layer's calls may overlap.
    void AskWhetherReadable(ReadableCheck& check) {
        for (const Candidate& c : candidates_)
            if (c.unique) check.paths.emplace_back(ctx_.table[c.row].path.view());
        platform::FileSystem& fs = *ctx_.fs;
        const auto ask = [&fs, &paths = check.paths] {
            std::vector<bool> readable;
            readable.reserve(paths.size());
            for (const std::string& path : paths) readable.push_back(fs.MayRead(path));
            return readable;
        };
        check.readable = platform::Beside(
            fs.CallsMayOverlap() && check.paths.size() >= platform::kCallsWorthAThread, ask);
    }

    // A file that could not have been read is told as an add tells one it cannot open, and
    // counted; its row goes with the other unique ones.
    void TellUnreadable(ReadableCheck& check) {
        const std::vector<bool> readable = check.readable.get();
        for (std::size_t k = 0; k < readable.size(); ++k) {
            if (readable[k]) continue;
            PostFailed(ctx_, check.paths[k]);
            ++outcome_.unreadable;
        }
    }

    // Marks unique every candidate whose key no other candidate shares.
    bool KeepShared() {
        std::vector<Candidate*> in;
        for (Candidate& c : candidates_)
            if (!c.out) in.push_back(&c);
        std::sort(in.begin(), in.end(),
                  [](const Candidate* a, const Candidate* b) { return a->key < b->key; });
        for (std::size_t k = 0; k < in.size(); ++k) {
            const bool before = k > 0 && in[k - 1]->key == in[k]->key;
            const bool after = k + 1 < in.size() && in[k + 1]->key == in[k]->key;
            if (!before && !after) in[k]->out = in[k]->unique = true;
        }
        return true;
    }

    // The first block of every file (the whole of a small one), with the values' running
    // state kept to go on from.
    bool FirstBlocks() {
        return Stage([](const Candidate&) { return true; },
                     [&](const Candidate& c, FeedRequest& r) {
                         if (c.size <= kSearchBlock) {
                             r.wanted = ctx_.calculate;
                             return true;
                         }
                         r.wanted = kFourValues;
                         r.span.limit = kSearchBlock;
                         return false;
                     },
                     [](Candidate& c, const FileFeed& feed, int ticket) {
                         const MidwayValues& m = feed.midway(ticket);
                         c.midway = m;
                         c.key = {
                             static_cast<std::uint64_t>(c.size),
                             std::uint64_t{m.md5.words[0]} << 32 | m.md5.words[1],
                             std::uint64_t{m.md5.words[2]} << 32 | m.md5.words[3],
                             std::uint64_t{m.crc32} << 32 | std::uint64_t{m.crc16} << 16 | m.xsum};
                     });
    }

    // The last block of every file bigger than kSmallCandidate, as part of its key; the rest of
    // a smaller one, which completes it.
    bool LastBlocks() {
        return Stage([](const Candidate& c) { return !c.complete; },
                     [&](const Candidate& c, FeedRequest& r) {
                         if (c.size <= kSmallCandidate) return GoOn(c, r);
                         r.wanted = {kHeldCrc16 | kHeldCrc32 | kHeldXsum, 0};
                         r.span.offset = c.size - kSearchBlock;
                         return false;
                     },
                     [](Candidate& c, const FileFeed& feed, int ticket) {
                         const FileValues& v = feed.values(ticket);
                         c.key[3] ^=
                             std::uint64_t{v.crc32} << 32 | std::uint64_t{v.crc16} << 16 | v.xsum;
                     });
    }

    bool Rest() {
        return Stage([](const Candidate& c) { return !c.complete; },
                     [&](const Candidate& c, FeedRequest& r) { return GoOn(c, r); },
                     [](Candidate&, const FileFeed&, int) {});
    }

    // The rest of a file after its first block, going on from its running values; from its
    // first byte when digests are shown, whose running state the first block did not keep.
    bool GoOn(const Candidate& c, FeedRequest& r) {
        r.wanted = ctx_.calculate;
        if (ctx_.calculate.digests != 0) return true;
        r.span.offset = kSearchBlock;
        r.span.resume = &c.midway;
        return true;
    }

    // Reads what request asks of every candidate that wants, in row order. request says
    // whether the read makes the file whole: its row's values are stored; else what was read
    // goes to keyed.
    template <class Wants, class Request, class Keyed>
    bool Stage(Wants wants, Request request, Keyed keyed) {
        std::vector<Candidate*> todo;
        for (Candidate& c : candidates_)
            if (!c.out && wants(c)) todo.push_back(&c);
        std::vector<bool> whole(todo.size());
        std::size_t next = 0;
        const auto take = [&](FeedRequest& r) {
            if (next == todo.size()) return false;
            Candidate& c = *todo[next];
            r.path = std::string(ctx_.table[c.row].path.view());
            r.seen = true;
            r.tag = next;
            whole[next++] = request(c, r);
            return true;
        };
        const auto settle = [&](std::size_t tag, const FileFeed& feed, int ticket) {
            Candidate& c = *todo[tag];
            const FileFeed::State state = feed.state(ticket);
            if (state == FileFeed::State::Done && whole[tag])
                Store(c, feed.values(ticket));
            else if (state == FileFeed::State::Done || state == FileFeed::State::Stopped)
                keyed(c, feed, ticket);
            else
                Fail(c, feed, ticket);
        };
        const ListState& s = ctx_.state;
        FeedQueue queue(pass_.feed(), s.Crc16Variant, s.Crc32Variant);
        return queue.Run(take, settle, [&] { return pass_.RefreshIfDue(); });
    }

    void Store(Candidate& c, const FileValues& v) {
        FileEntry& row = ctx_.table[c.row];
        const FileEntry stored = row;
        StoreValues(row, stored, v);
        c.complete = true;
        c.key = CompleteKey(row);
    }

    // As the pass has it: a file gone is INVALID, one that cannot be opened or read stays
    // CALCING, told of.
    void Fail(Candidate& c, const FileFeed& feed, int ticket) {
        FileEntry& row = ctx_.table[c.row];
        if (feed.state(ticket) == FileFeed::State::NotAFile) {
            row.status = EntryStatus::INVALID;
        } else if (feed.state(ticket) == FileFeed::State::OpenFailed) {
            row.status = EntryStatus::CALCING;
            PostFailed(ctx_, std::string(row.path.view()));
        } else {
            row.status = EntryStatus::CALCING;
            ctx_.host->ShowError(feed.error(ticket));
        }
        c.out = true;
    }

    void RemoveUnique() {
        std::vector<bool> unique(static_cast<std::size_t>(ctx_.state.RowCount), false);
        for (const Candidate& c : candidates_)
            if (c.unique) unique[static_cast<std::size_t>(c.row)] = true;
        RemoveRowsAt(ctx_, [&](std::int32_t row) { return unique[static_cast<std::size_t>(row)]; });
    }

    ListContext& ctx_;
    ListPass& pass_;
    std::vector<Candidate> candidates_;
    SearchOutcome outcome_;
};

}  // namespace

SearchOutcome FindDuplicateRows(ListContext& ctx, ListPass& pass, std::int32_t first) {
    return Search(ctx, pass).Run(first);
}

}  // namespace vellum
