// The instance that `ringmarch solve` solves when no file is named: a TSPLIB TSP file built into
// the program from cli/default.tsp.
#pragma once

#include <string_view>

namespace ringmarch::cli {

// The file's text, byte for byte.
std::string_view defaultInstanceText();

}  // namespace ringmarch::cli
