// A small permuted congruential generator with unbiased bounded draws, the same on every machine.
#include "support/Random.h"

#include "platform/Platform.h"

namespace {

struct TPcg32 {
  uint64_t State = 0x853c49e6748fea9bULL;
  static constexpr uint64_t Increment = 0xda3e39cb94b95bdbULL;

  uint32_t Next() {
    const uint64_t old = State;
    State = old * 6364136223846793005ULL + Increment;
    const auto shifted = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
    const auto rotation = static_cast<uint32_t>(old >> 59u);
    return (shifted >> rotation) | (shifted << ((32u - rotation) & 31u));
  }

  void Seed(uint64_t seed) {
    State = 0;
    Next();
    State += seed;
    Next();
  }
};

TPcg32 Generator;

}  // namespace

int32_t Random(int32_t n) {
  if (n <= 0) return 0;
  const auto range = static_cast<uint32_t>(n);
  // Multiply-and-shift with rejection of the few values that would favour small results.
  uint64_t product = static_cast<uint64_t>(Generator.Next()) * range;
  auto low = static_cast<uint32_t>(product);
  if (low < range) {
    const uint32_t threshold = (0u - range) % range;
    while (low < threshold) {
      product = static_cast<uint64_t>(Generator.Next()) * range;
      low = static_cast<uint32_t>(product);
    }
  }
  return static_cast<int32_t>(product >> 32);
}

void Randomize() {
  // The platform's clock, not the wall clock: on the headless platform a game that
  // starts at the same virtual tick replays exactly.
  Generator.Seed(CurrentPlatform().TickCount() * 0x9E3779B97F4A7C15ULL);
}

void RandSeed(uint64_t seed) { Generator.Seed(seed); }
