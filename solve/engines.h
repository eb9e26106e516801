// The engines behind solve(), each run on a request the layer has already checked (at least 3
// cities, an engine that applies). Each reads its instance, asks the run control while it works,
// and hands back a complete SolveResult except the total seconds, which the layer measures.
#pragma once

#include "instance/instance.h"
#include "instance/run_control.h"
#include "model/problem_data.h"
#include "solve/solve.h"

namespace ringmarch {

// The exact branch-and-bound over the object's problem (at most kMaxCities cities). Symmetric:
// refused when tour lengths could leave 32 bits. Asymmetric, up to kMaxAsymmetricCities cities:
// exact through the symmetric form; distances too spread for the form, or more cities, get the
// symmetric search's tour without proof.
SolveResult runCanonicalEngine(const ProblemData& problem, RunControl& control);

// A local-search tour and the Held-Karp bound; optimal only when the bound equals the length.
SolveResult runTourEngine(const Instance& instance, RunControl& control);

// The branch and cut (only in builds with the cut engine); optimal only when its exact bound
// meets the tour.
SolveResult runCutEngine(const Instance& instance, RunControl& control);

}  // namespace ringmarch
