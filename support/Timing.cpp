// Timing by the platform's tick counter.
#include "support/Timing.h"

#include <cstdio>
#include <exception>

#include "platform/Platform.h"

namespace {

// How far the clock runs behind the platform's counter, and where it stands while held.
uint32_t HeldTime = 0;
bool Held = false;
uint32_t HeldAt = 0;

uint32_t ClockNow() { return Held ? HeldAt : CurrentPlatform().TickCount() - HeldTime; }

}  // namespace

uint32_t Now() {
  const uint32_t tick = ClockNow();
  return tick == 0 ? 1 : tick;
}

void HoldClock(bool held) {
  if (held == Held) return;
  if (held) HeldAt = ClockNow();
  else HeldTime = CurrentPlatform().TickCount() - HeldAt;
  Held = held;
}

void ResetClock() {
  HeldTime = 0;
  Held = false;
}

namespace {

uint32_t ElapsedBetween(uint32_t stamp, uint32_t now) {
  // Across the wrap the game counts one millisecond less than modular arithmetic
  // would; kept, since nothing can tell the difference and stored stamps agree.
  if (stamp > now) return (UINT32_MAX - stamp) + now;
  return now - stamp;
}

}  // namespace

uint32_t ElapsedSince(uint32_t stamp) {
  if (stamp == 0) return 0;
  return ElapsedBetween(stamp, Now());
}

bool IntervalPassed(uint32_t stamp, uint32_t ms) { return stamp == 0 || ElapsedSince(stamp) >= ms; }

bool IntervalRestart(uint32_t& stamp, uint32_t ms) {
  // One reading of the clock serves the test and the new stamp: every sprite makes
  // a few of these each frame.
  const uint32_t now = Now();
  if (stamp != 0 && ElapsedBetween(stamp, now) < ms) return false;
  stamp = now;
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
