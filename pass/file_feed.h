// The file feed: opens the files the list pass takes up, reads them in 1 MiB blocks through the
// four folds, reads ahead on a helper thread where that pays, and closes them. It keeps no rows,
// statuses, totals or messages: the pass decides all of that from what the feed reports.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "checksum/md5.h"
#include "pass/read_ahead.h"
#include "platform/files.h"

namespace vellum {

inline constexpr std::int32_t kBlockSize = 0x100000;

// The start value of a CRC-16 variant (0, 1 or 2) and of a CRC-32 variant (0 or 1).
[[nodiscard]] std::uint16_t Crc16Start(std::uint8_t variant);
[[nodiscard]] std::uint32_t Crc32Start(std::uint8_t variant);

// The working values of the one file being calculated.
struct CalcState {
    std::uint16_t crc16 = 0;
    std::uint32_t crc32 = 0;
    std::uint16_t xsum = 0;
    DigestState digest{};
    int file = -1;
    std::int64_t bytesRead = 0;
    std::int32_t lastBlockLength = 0;
    std::unique_ptr<std::uint8_t[]> ReadBuffer;  // kBlockSize bytes, allocated once
    // The block being read ahead while ReadBuffer's is folded; the two change places as each
    // read is taken. Also allocated once.
    std::unique_ptr<std::uint8_t[]> AheadBuffer;
    Md5Digest finalDigest{};
};

// What the feed needs to know of the list: the file layer in use now, and which files wait
// after a row, so that the helper can take them up early.
class FeedSource {
  public:
    virtual ~FeedSource() = default;
    [[nodiscard]] virtual platform::FileSystem& Files() const = 0;
    // The first row after row that waits for calculation, or 0.
    [[nodiscard]] virtual std::int32_t NextRowToCalculate(std::int32_t row) const = 0;
    [[nodiscard]] virtual std::string_view PathOf(std::int32_t row) const = 0;
};

class FileFeed final {
  public:
    explicit FileFeed(const FeedSource& source);
    ~FileFeed();
    FileFeed(const FileFeed&) = delete;
    FileFeed& operator=(const FileFeed&) = delete;

    // Takes up row's file: IsFile, then the open; or what the helper found for it already.
    [[nodiscard]] platform::FileSystem::Opened Open(std::int32_t row, const std::string& path);

    // One file: start the values for the variants on fd (the descriptor Open gave; false when
    // it is none); read and fold one block; finish and close. With read-ahead on, processfile
    // has the next read made on the helper thread while it folds, and after a short block the
    // helper also closes the file and takes up the rows that wait after it, as long as each of
    // them ends as simply (the feed uses that only if no event handler ran meanwhile); the next
    // call takes the read, and end_processfile waits for a read still out (the one more block
    // a halt reads) and reports its failure like any read error.
    bool init_processfile(const std::string& path, int fd, std::uint8_t crc16Variant,
                          std::uint8_t crc32Variant);
    enum class Block { More, End, Error };
    Block processfile();
    bool end_processfile();
    // After a read or close error: closes the file and drops whatever the helper took up.
    void Abandon();

    // Event handlers are about to run: no read may run beside them, and what the helper took up
    // for the rows after the current one no longer stands.
    void BeforeEvents();
    // The pass is over: the files the helper opened for rows it will not take are closed.
    void EndOfPass();

    // Whether processfile reads the next block on the helper thread; ReadAheadPays() at first.
    void setReadAhead(bool on) { readAhead_ = on; }
    // What the last read or close error said.
    [[nodiscard]] const std::string& error() const { return error_; }
    [[nodiscard]] const CalcState& calc() const { return calc_; }

  private:
    [[nodiscard]] platform::FileSystem& Files() const { return source_.Files(); }
    Block ReadFailed(std::int64_t result);
    // Takes the helper's read, and what it did after the end of the file when it was told to.
    std::int64_t TakeAhead();
    // Fills then_ with the rows that wait after the current one, kChain of them at most.
    void PlanNextRows();
    // Takes up what the helper did for the row it took up next, which is the row in hand;
    // false if it did not get as far as that row.
    bool TakeFromChain(platform::FileSystem::Opened& opened);
    // Moves the helper's first block (and what it did after it) of the row taken from the chain
    // into the calculation.
    void TakeChainedStart();
    // Closes the files the helper opened for rows that will not take them.
    void DropPrefetch();

    const FeedSource& source_;
    CalcState calc_;
    ReadAhead ahead_;
    bool readAhead_ = ReadAheadPays();
    bool crc16Reflected_ = false;
    bool invertCrc32_ = false;
    // The helper's work after the end of a file: then_ while thenOut_, for rows thenRows_ as
    // they were when pumps_ (the times events ran so far) was thenPumps_. prefetched_: the rows
    // from then_.next[thenAt_] on may have been taken up, and nobody has used or dropped them;
    // takenFromChain_: the row in hand was. For the row in hand: firstReady_, its first block is in
    // ReadBuffer with firstRead_ as its read's result; againReady_, the read after it was made too,
    // giving againRead_ bytes in chainBuffers_[againBuffer_]; closedAhead_, the helper closed the
    // file, with closeAhead_.
    AfterTheEnd then_;
    std::array<std::int32_t, kChain> thenRows_{};
    int thenAt_ = 0;
    // The buffers that then_.next[1] and the rows after it read into; [0] stays empty, the
    // first row takes AheadBuffer. Allocated at the first pass that reads ahead.
    std::array<std::unique_ptr<std::uint8_t[]>, kChain> chainBuffers_;
    std::int32_t row_ = 0;  // the row whose file is in hand
    std::uint64_t pumps_ = 0;
    std::uint64_t thenPumps_ = 0;
    bool thenOut_ = false;
    bool prefetched_ = false;
    bool takenFromChain_ = false;
    bool firstReady_ = false;
    std::int64_t firstRead_ = 0;
    bool againReady_ = false;
    std::int64_t againRead_ = 0;
    std::size_t againBuffer_ = 0;
    bool closedAhead_ = false;
    int closeAhead_ = 0;
    std::string path_;  // the file being calculated
    std::string error_;
};

}  // namespace vellum
