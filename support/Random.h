// The one random generator of the game: every random choice is Random(n), uniform in 0..n-1.
#pragma once

#include <cstdint>

// A uniformly distributed whole number in 0..n-1; 0 when n <= 0.
int32_t Random(int32_t n);
// Seeds from the platform's tick counter, as each new game does.
void Randomize();
// A fixed seed, so that a test can replay a game exactly.
void RandSeed(uint64_t seed);
