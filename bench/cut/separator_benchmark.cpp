// The cut separators on generated support graphs of 1,000 and 3,000 cities: an LP vertex shape
// (odd cycles at 1/2 joined by paths of 1-edges: small fractional components) and a point with
// every edge fractional (that shape at 0.95 mixed with a random tour at 0.05, a sixth of the
// cities split in two), the hard case for the cut tree since its flows then span the graph.
#include <benchmark/benchmark.h>

#include "cut/blossom_separation.h"
#include "cut/comb_separation.h"
#include "cut/exact_blossom_separation.h"
#include "cut/local_cut_separation.h"
#include "cut/separator_fixtures.h"

namespace {

using namespace ringmarch::cut;

SupportGraph pointOf(const benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  if (state.range(1) == 0) return fixtures::randomFractionalPoint(n, 1.0, 3);
  return fixtures::expandCities(fixtures::randomFractionalPoint(n - n / 6, 0.95, 9), n / 6, 3);
}

template <auto separate>
void separator(benchmark::State& state) {
  const SupportGraph g = pointOf(state);
  std::size_t cuts = 0;
  for (auto _ : state) {
    auto found = separate(g, 1000);
    cuts = found.size();
    benchmark::DoNotOptimize(found);
  }
  state.counters["cuts"] = static_cast<double>(cuts);
  state.counters["edges"] = static_cast<double>(g.x.size());
}

void shapes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"n", "all_fractional"});
  for (int fractional : {0, 1}) {
    for (int n : {1000, 3000}) b->Args({n, fractional});
  }
  b->Unit(benchmark::kMillisecond);
}

BENCHMARK(separator<separateExactBlossoms>)->Name("ExactBlossoms")->Apply(shapes);
BENCHMARK(separator<separateBlockCombs>)->Name("BlockCombs")->Apply(shapes);
BENCHMARK(separator<separateFastBlossoms>)->Name("FastBlossoms")->Apply(shapes);

void coverProgramme(benchmark::State& state) {
  const int k = static_cast<int>(state.range(0));
  const int width = k + 1;
  std::vector<double> cost(static_cast<std::size_t>(width * width), 0.0);
  std::uint64_t seed = 11;
  for (int a = 0; a < width; ++a) {
    for (int b = a + 1; b < width; ++b) {
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      cost[static_cast<std::size_t>(a * width + b)] =
          cost[static_cast<std::size_t>(b * width + a)] =
              static_cast<double>(seed >> 40) / 16777216.0 - 0.5;
    }
  }
  CoverProgramme<double> programme(k);
  std::vector<int> use;
  for (auto _ : state) benchmark::DoNotOptimize(programme.solve(k, cost, &use));
}
BENCHMARK(coverProgramme)
    ->Name("CoverProgramme")
    ->ArgName("cities")
    ->DenseRange(8, 13, 1)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
