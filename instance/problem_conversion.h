// The two forms of an instance side by side: the any-size Instance the engines take and the
// fixed-size ProblemData of the solver object and its exact search. Reads one form and builds the
// other; neither is changed.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "instance/instance.h"
#include "model/problem_data.h"

namespace ringmarch {

// The object's problem of an instance of 1 to kMaxCities cities, as the object's own loading
// would hold it: every distance (diagonal included), neighbour orders, labels 1 .. n unless the
// instance names its cities, coordinates and bounds when it has them, and the start city the
// readers choose (the first city of smallest x; city 0 without coordinates). nullptr for a
// larger instance, or when memory runs out.
std::unique_ptr<ProblemData> problemOf(const Instance& instance);

// The instance of an object's problem: its explicit matrix, with the coordinates for pictures
// when it has them. nullopt (and reason) for a problem of no cities.
std::optional<Instance> instanceOf(const ProblemData& problem, std::string* reason = nullptr);

}  // namespace ringmarch
