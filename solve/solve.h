// The solve layer (<ringmarch/solve.hpp>) for the front ends that hold the solver object's
// problem.
#pragma once

#include <ringmarch/solve.hpp>

#include "instance/run_control.h"
#include "model/problem_data.h"

namespace ringmarch {

// The same for an instance that a front end holds as the solver object's fixed-size problem:
// the canonical engine solves it as it is (its start city and neighbour order included), so that
// tours and node counts are those of the object's own solve; other engines get it as an
// Instance.
SolveResult solve(const ProblemData& problem, const SolveRequest& request);

}  // namespace ringmarch
