// Timing by the platform's tick counter.
#include "support/Timing.h"

#include <cstdio>
#include <exception>

#include "platform/Platform.h"

uint32_t Now() {
  const uint32_t tick = CurrentPlatform().TickCount();
  return tick == 0 ? 1 : tick;
}

uint32_t ElapsedSince(uint32_t stamp) {
  if (stamp == 0) return 0;
  const uint32_t now = Now();
  // Across the wrap the game counts one millisecond less than modular arithmetic
  // would; kept, since nothing can tell the difference and stored stamps agree.
  if (stamp > now) return (UINT32_MAX - stamp) + now;
  return now - stamp;
}

bool IntervalPassed(uint32_t stamp, uint32_t ms) { return stamp == 0 || ElapsedSince(stamp) >= ms; }

bool IntervalRestart(uint32_t& stamp, uint32_t ms) {
  if (!IntervalPassed(stamp, ms)) return false;
  stamp = Now();
  return true;
}

void ProcessMessagesSafe() {
  try {
    CurrentPlatform().ProcessMessages();
  } catch (const std::exception& error) {
    // A failing handler must not end the loop that called us; say what failed.
    std::fprintf(stderr, "blastover: %s\n", error.what());
  }
}

void WaitMs(uint32_t n) {
  const int64_t start = Now();
  for (;;) {
    ProcessMessagesSafe();
    const int64_t now = Now();
    if (now - start > n || now < start) return;
    CurrentPlatform().WaitForMessage(static_cast<uint32_t>(n + 1 - (now - start)));
  }
}
