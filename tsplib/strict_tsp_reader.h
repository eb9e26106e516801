// The strict reader over an Instance (<ringmarch/tsplib.hpp>): the component's own reader fills
// the object's problem, which becomes a matrix Instance. A refusal keeps the component's code and
// adds the line and the reason, found from the same bytes by the tolerant reader and the strict
// reader's line rules.
#pragma once

#include <string>
#include <string_view>

#include <ringmarch/tsplib.hpp>

#include "tsplib/file_name.h"
#include "tsplib/tolerant_tsp_reader.h"

namespace ringmarch {

// The value of the first "NAME" keyword line of a TSP text ("NAME: x" or "NAME : x", from the
// first column), or empty.
std::string strictNameOf(std::string_view text);

}  // namespace ringmarch
