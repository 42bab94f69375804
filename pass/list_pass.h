// The list pass: walks the table, has every row that waits for it calculated by the file feed,
// verifies imported values, recounts the totals and keeps the window alive every 300 ms. One
// pass at a time: a pass asked for while one runs is run once after it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "filelist/list_host.h"
#include "pass/file_feed.h"

namespace vellum {

struct ListContext;

inline constexpr std::int64_t kRefreshMilliseconds = 300;

class ListPass final : public PassRunner, private FeedSource {
  public:
    using Clock = std::function<std::int64_t()>;

    // Attaches itself to ctx as the pass that the commands run; the clock gives local
    // milliseconds.
    explicit ListPass(ListContext& ctx, Clock clock = {});
    ~ListPass() override;
    ListPass(const ListPass&) = delete;
    ListPass& operator=(const ListPass&) = delete;

    void updatefilez() override;

    // The Halt/Resume button: halts, or resumes with a pass. Whether the pass is now halted is
    // announced before a resumed pass starts, so the button names the action it will take
    // while that pass runs.
    void HaltOrResume(const std::function<void(bool halted)>& announce);

    // For progress displays: whether a pass runs, the row it is on and the bytes of that
    // row's file read so far.
    [[nodiscard]] bool running() const { return running_; }
    [[nodiscard]] std::int32_t currentRow() const { return currentRow_; }
    [[nodiscard]] std::int64_t bytesRead() const { return feed_.calc().bytesRead; }

    // Whether the feed reads the next block on a helper thread; ReadAheadPays() at first.
    void setReadAhead(bool on) { feed_.setReadAhead(on); }

  private:
    [[nodiscard]] platform::FileSystem& Files() const override;
    [[nodiscard]] std::int32_t NextRowToCalculate(std::int32_t row) const override;
    [[nodiscard]] std::string_view PathOf(std::int32_t row) const override;

    void RunPass();
    // False when a read or close error ended the pass.
    bool CalculateRow(std::int32_t row);
    void RefreshIfDue();
    void EndWithError();
    void RecountTotals();
    [[nodiscard]] std::int64_t Now() const;

    ListContext& ctx_;
    Clock clock_;
    FileFeed feed_{*this};
    std::int64_t LastRefresh = 0;
    std::int32_t currentRow_ = 0;
    bool running_ = false;
    bool pending_ = false;
};

}  // namespace vellum
