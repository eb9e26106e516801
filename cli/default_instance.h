// The instance that `ringmarch solve` solves when no file is named: a TSPLIB TSP file built into
// the program from cli/default.tsp.
#pragma once

#include <string>
#include <string_view>

namespace ringmarch::cli {

// The file's text, byte for byte.
std::string_view defaultInstanceText();

// The value of the first "NAME" keyword line of a TSP text ("NAME: x" or "NAME : x"), or empty.
std::string tspNameOf(std::string_view text);

}  // namespace ringmarch::cli
