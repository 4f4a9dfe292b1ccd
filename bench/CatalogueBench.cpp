// Loading the whole picture catalogue, as the game's set-up does (twice) at start-up.
#include <benchmark/benchmark.h>

#include "sprites/GraphicSpriteForm.h"

namespace {

void BM_LoadCatalogue(benchmark::State& state) {
  for (auto _ : state) {
    TGraphicSpriteForm form;
    benchmark::DoNotOptimize(form.LaserImage.Pixels.data());
  }
}

BENCHMARK(BM_LoadCatalogue)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
