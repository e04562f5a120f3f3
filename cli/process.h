#pragma once
// What every Linux front end's process needs besides its options: an end on SIGTERM,
// SIGINT or SIGHUP that its poll() loop sees, and a millisecond clock.
#include <cstdint>

namespace virelo {

// The handlers write a byte to a pipe: its read end, to poll with the display's connection,
// or -1 when the pipe or a handler cannot be made.
int StopSignalsFd();
// Whether the loop polls that pipe from now on. Until it does (and once it stops), a stop
// signal ends the process at once with 0: the front end may be blocked in a library's own
// wait (a round trip to a server that never answers, a window that is never mapped) that
// retries through the signal.
void StopSignalsWakeLoop(bool polled);

// CLOCK_MONOTONIC in milliseconds, and its low 32 bits (the tick count that seeds the walkers
// without --seed).
std::int64_t MonotonicMs();
std::uint32_t MilliTicks();

}  // namespace virelo
