#include "pass/feed_queue.h"

namespace vellum {

bool FeedQueue::Run(const Next& next, const Settled& settled, const Between& between) {
    for (bool more = true;;) {
        while (more && feed_.Room()) {
            FeedRequest request;
            more = next(request);
            if (!more) break;
            const int ticket = feed_.TakeUp(request.path, crc16Variant_, crc32Variant_,
                                            request.wanted, request.span, request.seen);
            taken_.push_back({ticket, request.tag});
        }
        if (!feed_.Busy()) {
            SettleReady(settled);
            if (!more) break;
            continue;
        }
        feed_.Round();
        SettleReady(settled);
        if (between && !between()) {
            AbandonAll();
            return false;
        }
    }
    SettleReady(settled);
    feed_.Rest();
    return true;
}

void FeedQueue::SettleReady(const Settled& settled) {
    while (!taken_.empty()) {
        const Taken& t = taken_.front();
        const FileFeed::State state = feed_.state(t.ticket);
        if (state == FileFeed::State::Opening || state == FileFeed::State::Reading) return;
        settled(t.tag, feed_, t.ticket);
        feed_.Release(t.ticket);
        taken_.pop_front();
    }
}

void FeedQueue::AbandonAll() {
    for (const Taken& t : taken_) feed_.Abandon(t.ticket);
    taken_.clear();
    feed_.Rest();
}

}  // namespace vellum
