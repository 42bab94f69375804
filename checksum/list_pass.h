// The list pass: walks the table, calculates every row that waits for it by reading its file
// in 1 MiB blocks through the four folds, verifies imported values, recounts the totals and
// keeps the window alive every 300 ms. One pass at a time: a pass asked for while one runs is
// run once after it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "checksum/md5.h"
#include "checksum/read_ahead.h"
#include "filelist/list_host.h"

namespace vellum {

struct ListContext;

inline constexpr std::int32_t kBlockSize = 0x100000;
inline constexpr std::int64_t kRefreshMilliseconds = 300;

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

// The start value of a CRC-16 variant (0, 1 or 2) and of a CRC-32 variant (0 or 1).
[[nodiscard]] std::uint16_t Crc16Start(std::uint8_t variant);
[[nodiscard]] std::uint32_t Crc32Start(std::uint8_t variant);

class ListPass final : public PassRunner {
  public:
    using Clock = std::function<std::int64_t()>;

    // Attaches itself to ctx as the pass that the commands run; the clock gives local
    // milliseconds.
    explicit ListPass(ListContext& ctx, Clock clock = {});
    ~ListPass() override;
    ListPass(const ListPass&) = delete;
    ListPass& operator=(const ListPass&) = delete;

    void updatefilez() override;

    // The Halt/Resume button. The new caption is handed over before a resumed pass starts, so
    // the button names the action it will take while that pass runs.
    void Button1Click(const std::function<void(std::string_view caption)>& setCaption);
    [[nodiscard]] static std::string_view ButtonCaption(bool halted);

    // For progress displays: whether a pass runs, the row it is on and the bytes of that
    // row's file read so far.
    [[nodiscard]] bool running() const { return running_; }
    [[nodiscard]] std::int32_t currentRow() const { return currentRow_; }
    [[nodiscard]] std::int64_t bytesRead() const { return calc_.bytesRead; }

    // One file: start the values on fd, the file's descriptor or the -errno of its open (which
    // posts "%s failed"); read and fold one block; finish and close. With read-ahead on,
    // processfile has the next read made on a helper thread while it folds, and after a short
    // block the helper also closes the file and takes up the rows that wait after it, as long
    // as each of them ends as simply (the pass uses that only if no event handler ran
    // meanwhile); the next call takes the read, and
    // end_processfile waits for a read still out (the one more block a halt reads) and reports
    // its failure like any read error.
    bool init_processfile(const std::string& path, int fd);
    enum class Block { More, End, Error };
    Block processfile();
    bool end_processfile();
    // Whether processfile reads the next block on the helper thread; ReadAheadPays() at first.
    void setReadAhead(bool on) { readAhead_ = on; }
    // What the last read or close error said.
    [[nodiscard]] const std::string& error() const { return error_; }
    [[nodiscard]] const CalcState& calc() const { return calc_; }

  private:
    void RunPass();
    // False when a read or close error ended the pass.
    bool CalculateRow(std::int32_t row);
    void RefreshIfDue();
    void EndWithError();
    Block ReadFailed(std::int64_t result);
    // Takes the helper's read, and what it did after the end of the file when it was told to.
    std::int64_t TakeAhead();
    // The first row after row that waits for calculation, or 0.
    [[nodiscard]] std::int32_t NextRowToCalculate(std::int32_t row) const;
    // Fills then_ with the rows that wait after the current one, kChain of them at most.
    void PlanNextRows();
    // Takes up what the helper did for the row it took up next, which is the row in hand;
    // false if it did not get as far as that row.
    bool TakeFromChain(platform::FileSystem::Opened& opened);
    // Closes the files the helper opened for rows that will not take them.
    void DropPrefetch();
    void RecountTotals();
    [[nodiscard]] std::int64_t Now() const;

    ListContext& ctx_;
    Clock clock_;
    CalcState calc_;
    ReadAhead ahead_;
    bool readAhead_ = ReadAheadPays();
    // The helper's work after the end of a file: then_ while thenOut_, for rows thenRows_ as
    // they were when pumps_ (the event pumps so far) was thenPumps_. prefetched_: the rows from
    // then_.next[thenAt_] on may have been taken up, and nobody has used or dropped them.
    // For the row in hand: firstReady_, its first block is in ReadBuffer with firstRead_ as its
    // read's result; againReady_, the read after it was made too, giving againRead_ bytes in
    // chainBuffers_[againBuffer_]; closedAhead_, the helper closed the file, with closeAhead_.
    AfterTheEnd then_;
    std::array<std::int32_t, kChain> thenRows_{};
    int thenAt_ = 0;
    // The buffers that then_.next[1] and the rows after it read into; [0] stays empty, the
    // first row takes AheadBuffer. Allocated at the first pass that reads ahead.
    std::array<std::unique_ptr<std::uint8_t[]>, kChain> chainBuffers_;
    std::uint64_t pumps_ = 0;
    std::uint64_t thenPumps_ = 0;
    bool thenOut_ = false;
    bool prefetched_ = false;
    bool firstReady_ = false;
    std::int64_t firstRead_ = 0;
    bool againReady_ = false;
    std::int64_t againRead_ = 0;
    std::size_t againBuffer_ = 0;
    bool closedAhead_ = false;
    int closeAhead_ = 0;
    std::int64_t LastRefresh = 0;
    std::string path_;  // the file being calculated
    std::string error_;
    std::int32_t currentRow_ = 0;
    bool running_ = false;
    bool pending_ = false;
};

}  // namespace vellum
