// A good tour of an instance of any size: a Lin-Kernighan style local search over neighbour
// lists (for a directed instance Or-opt and the pure 3-opt move, which keep the direction),
// restarted by double-bridge kicks. Deterministic: the same instance, options and start
// give the same tour; only the run control (a time limit, a stop) may end it early, and then it
// hands back the best tour found so far.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "instance/instance.h"
#include "instance/run_control.h"

namespace ringmarch {

struct TourSearchOptions {
  // How hard to try: kicks per city (0 = local search of the first tour only).
  double kicksPerCity = 1.0;
  std::uint64_t seed = 1;               // the kicks' pseudo-random stream
  std::span<const int> startTour = {};  // a tour to start from (empty: the engine's own)
  // Fixed edges every returned tour keeps (pairs of cities); for a directed instance the pair
  // (a, b) is the arc a -> b. Pairs that conflict with earlier ones (a third edge at a city, a
  // second arc out of or into one, a cycle short of the whole tour) are left out.
  std::span<const std::pair<int, int>> fixedEdges = {};
  // Candidate neighbours of every city (of the 2n form for a directed instance), such as the
  // alpha-nearest of heldKarpBound; empty (or not fitting): the engine's own nearest and
  // quadrant neighbours.
  std::span<const std::vector<int>> candidates = {};
};

struct TourSearchResult {
  std::vector<int> tour;    // every city once; empty only for an instance of no cities
  std::int64_t length = 0;  // its closed length in the listed direction
  std::uint64_t kicks = 0;  // kicks tried
  bool stopped = false;     // the run control ended the search early
};

TourSearchResult findTour(const Instance& instance, const TourSearchOptions& options,
                          RunControl& control);

}  // namespace ringmarch
