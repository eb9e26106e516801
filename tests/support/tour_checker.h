// Independent checks of solver output, written apart from the solver: that a tour visits every
// city exactly once, and its length recomputed from the instance's distances.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "instance/instance.h"
#include "model/problem_data.h"

namespace ringmarch::testing {

// Empty when order is a permutation of 0 .. count-1; otherwise a description of the fault.
std::string tourDefect(const std::vector<int>& order, int count);

// Sum of rows[order[k]].dist[order[k+1]] around the closed tour, in 64 bits.
std::int64_t closedTourLength(const ProblemData& problem, const std::vector<int>& order);
// The same over an instance of any size, distance by distance in the listed direction.
std::int64_t closedTourLength(const Instance& instance, const std::vector<int>& order);

// Exact optimum by Held-Karp dynamic programming over subsets (n <= 16), written separately from
// the solver. Reads rows[i].dist[j].
std::int64_t heldKarpOptimum(const ProblemData& problem);

// The shortest closed tour of an asymmetric matrix, each distance rows[i].dist[j] taken in the
// direction i to j, by Held-Karp over subsets (n <= 16), written apart from the solver.
std::int64_t directedHeldKarpOptimum(const ProblemData& problem);

}  // namespace ringmarch::testing
