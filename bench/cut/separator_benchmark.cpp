// The cut separators on generated support graphs of 1,000 and 3,000 cities: an LP vertex shape
// (odd cycles at 1/2 joined by paths of 1-edges: small fractional components) and a point with
// every edge fractional (that shape at 0.95 mixed with a random tour at 0.05, a sixth of the
// cities split in two), the hard case for the cut tree since its flows then span the graph.
#include <benchmark/benchmark.h>

#include "cut/blossom_separation.h"
#include "cut/comb_separation.h"
#include "cut/exact_blossom_separation.h"
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

}  // namespace

BENCHMARK_MAIN();
