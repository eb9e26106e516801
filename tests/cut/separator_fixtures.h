// Support graphs and independent checks for the separator tests and benchmarks: fractional
// points with known violated combs, random points on the degree equations, a comb check that
// tries every set as the handle, tour enumeration, and brute-force blossom separation.
#pragma once

#include <cstdint>
#include <vector>

#include "cut/city_set_cut.h"
#include "cut/support_graph.h"

namespace ringmarch::cut::fixtures {

struct WeightedEdge {
  int a, b;
  double x;
};
SupportGraph graphOf(int n, const std::vector<WeightedEdge>& edges);

// Two triangles at 1/2 joined by three edges at 1: the blossom with a triangle as handle has
// activity 9 against 10.
SupportGraph twoTriangles();
// The Petersen graph: outer and inner 5-cycles at 1/2, spokes at 1. The outer cycle with the
// five spokes is a blossom with activity 15 against 16.
SupportGraph petersen();
// Three 3-city teeth {a_i, b_i, c_i} on a triangle handle {a_1, a_2, a_3}: x(a_i b_i) =
// x(a_i c_i) = 1/2, x(b_i c_i) = 1, the outer cities in a ring at 1/2. Activity 9 against 10.
SupportGraph threeCityTeeth();
// A tour 0, 1, .., n-1 at value 1.
SupportGraph tourGraph(int n);

// A point on the degree equations: a vertex of the fractional 2-matching polytope (odd cycles at
// 1/2 joined by paths of 1-edges) mixed with a tour, weight `share` on the first; the edges
// merged. n >= 6 (a tour below).
SupportGraph randomFractionalPoint(int n, double share, std::uint64_t seed);
// Splits `count` random cities w in two, w and a new city w', joined by an edge at 1, w keeping
// its edges up to a total of 1 (one edge split across both) and w' taking the rest: on the
// degree equations still, and shrinking {w, w'} gives back the point, so every comb of the point
// becomes one with a larger tooth or handle and the same violation.
SupportGraph expandCities(const SupportGraph& g, int count, std::uint64_t seed);
// True when no city set S has x(delta(S)) < 2 (all sets enumerated; n <= 16).
bool satisfiesSubtours(const SupportGraph& g);

// True when the sets form a comb with rhs 3k + 1 for some choice of handle, each tooth taken as
// it is or (at most one) as its complement.
bool isCombByEnumeration(const CitySetCut& cut, int n);
// The smallest activity of the cut over all tours on n <= 10 cities.
int smallestTourActivity(const CitySetCut& cut, int n);

// How many affinely independent tours on n <= 9 cities hold the cut with equality (0 when no
// tour reaches its rhs): n (n - 3) / 2 for a facet of the tour polytope, the most for a cut that
// some tour holds strictly (one more only for an equation every tour holds).
int tightTourCount(const CitySetCut& cut, int n);

// The largest violation 3k + 1 - activity over all blossoms (any handle, odd k >= 3 disjoint
// teeth from the support edges leaving it); 0 when none is violated. n <= 16.
double bruteForceBlossomViolation(const SupportGraph& g);

double violationOf(const CitySetCut& cut, const SupportGraph& g);

}  // namespace ringmarch::cut::fixtures
