// A stream of files through the feed, many in flight, each handed back in the order it was
// taken up as soon as it and those before it are settled: what the command line's verification
// and the duplicate search both need of the feed, without the list pass's rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "pass/file_feed.h"

namespace vellum {

// One file to take up: its path, the values wanted, the bytes to read, whether an open or a
// look-up just found it a regular file (see FileFeed::TakeUp), and the caller's tag for it (an
// index of its own).
struct FeedRequest {
    std::string path;
    ValueSet wanted = kFourValues;
    ReadSpan span;
    bool seen = false;
    std::size_t tag = 0;
};

class FeedQueue final {
  public:
    // Fills the next request; false when there is none.
    using Next = std::function<bool(FeedRequest&)>;
    // A settled file (Done, Stopped, NotAFile, OpenFailed or Failed): read what is wanted of it
    // from the feed; its ticket is released afterwards.
    using Settled = std::function<void(std::size_t tag, const FileFeed& feed, int ticket)>;
    // Called after every round; false stops the queue (a halt).
    using Between = std::function<bool()>;

    FeedQueue(FileFeed& feed, std::uint8_t crc16Variant, std::uint8_t crc32Variant)
        : feed_(feed), crc16Variant_(crc16Variant), crc32Variant_(crc32Variant) {}

    // Runs until next has no more and every file is settled: true. False when between stopped
    // it: the files still in flight are abandoned unsettled, and next is not asked again.
    bool Run(const Next& next, const Settled& settled, const Between& between = {});

  private:
    struct Taken {
        int ticket = -1;
        std::size_t tag = 0;
    };
    void SettleReady(const Settled& settled);
    void AbandonAll();

    FileFeed& feed_;
    std::uint8_t crc16Variant_;
    std::uint8_t crc32Variant_;
    std::deque<Taken> taken_;
};

}  // namespace vellum
