// The list pass: walks the table, has the file feed calculate every row that waits for it,
// verifies imported values, recounts the totals and keeps the window alive every 300 ms. The
// feed has many files in flight at once; the pass takes rows up in order and settles them in
// order, so every row, message and total comes out as one file at a time would give them. One
// pass at a time: a pass asked for while one runs is run once after it.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "filelist/file_entry.h"
#include "filelist/list_host.h"
#include "pass/file_feed.h"

namespace vellum {

struct ListContext;

inline constexpr std::int64_t kRefreshMilliseconds = 300;

// What a pass does about a file that fails: one that cannot be opened, or whose read or close
// fails part-way. Either way its row stays CALCING with its old values.
enum class FailedFiles : std::uint8_t {
    // The window's way: a read or close error ends the pass and is shown, and every later pass
    // takes the row up again, since the user may have mended the cause meanwhile.
    EndPassAndRetry,
    // The command line's way, where nobody runs the next pass: the error is told and the pass
    // goes on with the next file; no later pass takes up a row left CALCING, so every file is
    // tried once and each failure told once, whatever passes the commands run afterwards. (A
    // halted row stays CALCING too, and would not be taken up again either.)
    TryOnce,
};

// A file's values, calculated as the feed gave them, become its row's: OKAY, NEW, or for a row
// whose values came from a list (stored at take-up), UNCHANGED or CHANGED.
void StoreValues(FileEntry& row, const FileEntry& stored, const FileValues& values);

class ListPass final : public PassRunner, private FeedSource {
  public:
    using Clock = std::function<std::int64_t()>;

    // Attaches itself to ctx as the pass that the commands run; the clock gives local
    // milliseconds.
    explicit ListPass(ListContext& ctx, Clock clock = {});
    ~ListPass() override;
    ListPass(const ListPass&) = delete;
    ListPass& operator=(const ListPass&) = delete;

    void RunPass() override;

    // The Halt/Resume button: halts, or resumes with a pass. Whether the pass is now halted is
    // announced before a resumed pass starts, so the button names the action it will take
    // while that pass runs.
    void HaltOrResume(const std::function<void(bool halted)>& announce);

    // For progress displays: whether a pass runs, the first row it has not settled yet, and the
    // bytes read so far of the files in flight.
    [[nodiscard]] bool running() const { return running_; }
    [[nodiscard]] std::int32_t currentRow() const { return running_ ? commitRow_ : 0; }
    [[nodiscard]] std::int64_t bytesRead() const { return feed_.BytesInFlight(); }

    // Whether the feed has a helper thread (ReadAheadPays() at first), and how many files it
    // may have in flight (FilesInFlightWanted() at first). Only between passes.
    void setReadAhead(bool on) { feed_.setHelper(on); }
    void setFilesInFlight(int files) { feed_.setFilesInFlight(files); }
    // EndPassAndRetry at first. Only between passes.
    void setFailedFiles(FailedFiles policy) { failedFiles_ = policy; }

    // The window's refresh every 300 ms (repaint, status line, pending events), for the pass and
    // for the work that reads files between passes: false once Halt has been pressed.
    bool RefreshIfDue();

    // The local time in milliseconds, by the pass's clock.
    [[nodiscard]] std::int64_t Now() const;

    // The pass's feed, lent between passes to work that reads files as the pass does (the
    // duplicate search), so that the program keeps one set of read buffers.
    [[nodiscard]] FileFeed& feed() { return feed_; }

  private:
    // A row the pass has taken up and not yet settled.
    struct Entry {
        std::int32_t row = 0;
        int ticket = -1;
        EntryStatus original = EntryStatus::WAITING;  // its status when taken up
        bool marked = false;                          // set CALCING by the pass
        FileEntry stored;                             // the values it held, for verification
    };

    [[nodiscard]] platform::FileSystem& Files() const override;

    void RunOnePass();
    // Takes up the rows that wait, in order, as long as the feed has room.
    void TakeUpRows();
    [[nodiscard]] bool TakesUp(EntryStatus status) const;
    [[nodiscard]] ValueSet ValuesFor(const FileEntry& row) const;
    // After a round: rows whose files are open become CALCING; a failed file that ends the pass
    // stops it from taking up more, and the rows after it are put back as they were.
    void AfterRound();
    void PutBackFrom(std::size_t first);
    // Settles the rows in order as far as their outcomes are known; with all true, every row
    // taken up (a halt: those still in flight stay CALCING).
    void SettleRows(bool all);
    void Settle(const Entry& entry);
    void StoreValues(const Entry& entry);
    void EndPass();
    void EndWithError();
    void RecountTotals();

    ListContext& ctx_;
    Clock clock_;
    FileFeed feed_{*this};
    std::deque<Entry> entries_;   // in row order
    std::int32_t commitRow_ = 0;  // the first row not yet settled
    std::int32_t takeRow_ = 0;    // the first row not yet looked at for a take-up
    std::string error_;           // the error that ends this pass, once a file failed
    FailedFiles failedFiles_ = FailedFiles::EndPassAndRetry;
    std::int64_t LastRefresh = 0;
    bool running_ = false;
    bool pending_ = false;
};

}  // namespace vellum
