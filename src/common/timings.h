// The waits of the controller link and of the workflows around it, in one place. The programs run
// the described values; the tests run a profile scaled down by one divisor, so that every wait
// keeps its order relative to the others (a late reply still comes after the reply wait and before
// the wait for late replies ends); the benchmarks run real time.
#pragma once

#include <algorithm>
#include <array>

namespace kestrum {

struct Timings {
    // The link.
    int linkReplyWaitMs = 250;       // a link's reply wait until its owner sets one
    int controllerReplyWaitMs = 350; // the controllers' reply wait
    int lateReplyWaitMs = 4000;      // slow mode, and how long a frame's reply may still come
    int masterWaitMs = 5500;         // the master card's reply wait
    int eventTickMs = 50;            // queued events are handed on at this pace
    // The pause a controller needs before each command.
    int pauseTestMs = 50;
    int pauseTimesMs = 200;
    int pauseMasterMs = 200;
    int pauseCardMs = 100; // send, batch, erase
    int pauseEmptyMs = 100;
    int pauseReadMs = 200;
    // The workflows.
    int editorOpenPauseMs = 1000;    // events suspended as a reader's editor opens
    int installationSwitchMs = 2000; // the pause of an installation switch
    int periodicMs = 30000;          // the periodic task: test all, expiry, retries
    int passWaitMs = 200;            // a transfer's wait before its next pass
    int journalRetryMs = 3000;       // a log that refused writes is tried again after this
    // The controllers: an event waits this long for the console's ACK before it is sent again. The
    // console's journal sync must fit in it; a disk does not run faster in a test.
    int controllerAckWaitMs = 300;

    int divisor = 1; // 1: the described values

    // `ms`, given at the described scale, at this profile's scale.
    int scale(int ms) const { return ms <= 0 || divisor <= 1 ? ms : std::max(1, ms / divisor); }

    static Timings described() { return {}; }
    // Every wait but the controllers' ACK wait divided by `divisor`.
    static Timings scaledDown(int divisor);

    // Every wait above, for scaling and for checking them all.
    static constexpr auto fields() {
        return std::to_array<int Timings::*>(
            {&Timings::linkReplyWaitMs, &Timings::controllerReplyWaitMs, &Timings::lateReplyWaitMs,
             &Timings::masterWaitMs, &Timings::eventTickMs, &Timings::pauseTestMs, &Timings::pauseTimesMs,
             &Timings::pauseMasterMs, &Timings::pauseCardMs, &Timings::pauseEmptyMs, &Timings::pauseReadMs,
             &Timings::editorOpenPauseMs, &Timings::installationSwitchMs, &Timings::periodicMs,
             &Timings::passWaitMs, &Timings::journalRetryMs, &Timings::controllerAckWaitMs});
    }
};

inline Timings Timings::scaledDown(int divisor) {
    const Timings d;
    Timings t;
    t.divisor = std::max(1, divisor);
    for (auto field : fields())
        t.*field = t.scale(d.*field);
    t.controllerAckWaitMs = d.controllerAckWaitMs;
    return t;
}

namespace detail {
inline Timings& timingsInUse() {
    static Timings t;
    return t;
}
} // namespace detail

// The profile in use. Set it before any link, simulator or window exists (the simulators read it
// from their own thread).
inline const Timings& timings() {
    return detail::timingsInUse();
}
inline void setTimings(const Timings& t) {
    detail::timingsInUse() = t;
}

} // namespace kestrum
