// Tick stamps and waiting while window messages are processed.
//
// A tick stamp is a 32-bit millisecond count of the platform's tick counter; 0 means
// "not running", and every interval counts as passed for it.
#pragma once

#include <cstdint>

// The game's clock now: the platform's tick counter less every time the clock was held.
// It never returns 0, so a stamp taken now is always running.
uint32_t Now();
// While held (the screen is locked during a game), the clock stands still; once let go
// it runs on from where it stood, so that every stamp sees no time pass in between.
void HoldClock(bool held);
// The clock as the platform's counter again, not held: for a new platform (tests).
void ResetClock();
// 0 for stamp 0; otherwise the milliseconds since Stamp, across a wrap of the counter.
uint32_t ElapsedSince(uint32_t stamp);
// Stamp is 0 or at least Ms have passed since it.
bool IntervalPassed(uint32_t stamp, uint32_t ms);
// IntervalPassed, and when it holds, Stamp becomes the current tick.
bool IntervalRestart(uint32_t& stamp, uint32_t ms);
// Runs every pending window message; timer and key handlers run inside.
void ProcessMessagesSafe();
// Processes messages until more than N ms have passed, or the counter wrapped.
void WaitMs(uint32_t n);
