// The feed's second thread. Each round the feed hands over a list of jobs (a file's open, its
// next block read and folded into the CRCs and the sum, its close), and the helper and the feed's
// own thread take them one at a time until none is left: MD5 runs on the feed's thread first, so
// the helper starts on the files at once, and whichever thread is free takes the next file. A
// helper that the system has not woken yet costs nothing: the feed's thread takes what is left.
//
// The helper only runs the jobs it is given. It never touches the table, the pass or the host,
// and between rounds it is idle, so nothing of it runs beside an event handler.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace vellum {

// Whether the feed has a helper thread: VELLUM_READ_AHEAD=1 or 0 in the environment decides;
// otherwise with two processors or more. Read once.
[[nodiscard]] bool ReadAheadPays();

// One side tells the other that its part is done. The waiting side spins for a few tens of
// microseconds before it sleeps: over small files rounds follow each other every few tens of
// microseconds, and waking a sleeping thread costs about as much.
class Handover final {
  public:
    void Raise();
    void Await();

  private:
    std::atomic<bool> raised_{false};
    std::atomic<bool> sleeping_{false};
};

class FeedHelper final {
  public:
    using Job = void (*)(void* context, int job);

    FeedHelper() = default;
    ~FeedHelper();
    FeedHelper(const FeedHelper&) = delete;
    FeedHelper& operator=(const FeedHelper&) = delete;

    // Hands over jobs 0 to count - 1 of a round; with helped false the helper is not woken and
    // the caller takes them all. The thread is started at the first round that wants it. The
    // round before must have been awaited.
    void Begin(int count, Job job, void* context, bool helped);
    // Takes the next job of the round for the caller's thread; false when none is left.
    [[nodiscard]] bool Claim(int& job);
    // Runs job on the caller's thread and counts it done.
    void Run(int job);
    // Waits until every job of the round has run.
    void AwaitRound();

  private:
    void Loop();
    void Done();

    std::thread thread_;
    Handover request_;
    // The round in one word, so that a helper that wakes late can never take a job of a round
    // it did not see begin: bits 32 to 63 count the rounds, 16 to 31 hold the number of jobs,
    // 0 to 15 the next one to take.
    std::atomic<std::uint64_t> claim_{0};
    std::atomic<int> done_{0};
    std::atomic<bool> sleeping_{false};
    int count_ = 0;
    // Written before the round is published in claim_, read after a job was claimed from it.
    Job job_ = nullptr;
    void* context_ = nullptr;
    std::atomic<bool> stop_{false};
};

}  // namespace vellum
