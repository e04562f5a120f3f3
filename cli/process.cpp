#include "cli/process.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <initializer_list>

namespace virelo {
namespace {

int signalPipe[2] = {-1, -1};
volatile sig_atomic_t loopPolls = 0;

extern "C" void OnStopSignal(int) {
    if (!loopPolls) _exit(0);
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] auto n = write(signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

int StopSignalsFd() {
    if (signalPipe[0] < 0 && pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
    struct sigaction sa{};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        if (sigaction(s, &sa, nullptr) != 0) return -1;
    return signalPipe[0];
}

void StopSignalsWakeLoop(bool polled) { loopPolls = polled; }

std::int64_t MonotonicMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t{t.tv_sec} * 1000 + t.tv_nsec / 1000000;
}

std::uint32_t MilliTicks() { return static_cast<std::uint32_t>(MonotonicMs()); }

}  // namespace virelo
