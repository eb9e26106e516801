// The engines behind solve(), each run on a request the layer has already checked (at least 3
// cities, an engine that applies). Each reads its instance, asks the run control while it works,
// and hands back a complete SolveResult except the total seconds, which the layer measures.
#pragma once

#include <cstdint>
#include <span>

#include "instance/instance.h"
#include "instance/run_control.h"
#include "model/problem_data.h"
#include "solve/solve.h"

namespace ringmarch {

// The exact branch-and-bound over the object's problem (at most kMaxCities cities). Symmetric:
// refused when tour lengths could leave 32 bits. Asymmetric, up to kMaxAsymmetricCities cities:
// exact through the symmetric form; distances too spread for the form, or more cities, get the
// symmetric search's tour without proof.
// With a node limit, a search that reaches it ends there: its result is NotProven with
// handOver set, for the cut engine to take on.
SolveResult runCanonicalEngine(const ProblemData& problem, RunControl& control,
                               std::uint64_t nodeLimit = 0);

// A local-search tour and the Held-Karp bound; optimal only when the bound equals the length.
SolveResult runTourEngine(const Instance& instance, RunControl& control);

// The branch and cut (only in builds with the cut engine); optimal only when its exact bound
// meets the tour.
// startTour (every city once, or empty) is a tour to begin from, such as the canonical engine's
// best when it hands an instance over.
SolveResult runCutEngine(const Instance& instance, RunControl& control,
                         std::span<const int> startTour = {});

}  // namespace ringmarch
