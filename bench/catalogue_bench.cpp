// How the size-ordered catalogue scales: a million files placed by the bisection,
// with few distinct sizes (long runs of ties) and with many.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "finder/catalogue.h"

namespace {

void placeFiles(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const auto distinctSizes = static_cast<std::uint64_t>(state.range(1));
    for (auto _ : state) {
        state.PauseTiming();
        std::mt19937_64 random(7);
        Catalogue catalogue;
        state.ResumeTiming();
        for (std::size_t i = 0; i < count; ++i) {
            catalogue.add("file-name.bin",
                          {1 + static_cast<std::int64_t>(random() % distinctSizes), {}, {}, 0}, {});
        }
        catalogue.arrange();
        benchmark::DoNotOptimize(catalogue[count / 2].size);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(count));
}

BENCHMARK(placeFiles)
    ->Args({1000000, 200})
    ->Args({1000000, 1000000000})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
