// Output files are checked before any work starts, so that a long solve is not lost to a path
// that cannot be written, and no input file is written over.
#pragma once

#include <string>
#include <vector>

namespace ringmarch::cli {

// Empty when this run may create or replace the file; otherwise why not, in words ("its folder
// 'out' does not exist", "is a directory", "is the input file 'a.tsp'"). inputs are the files the
// run reads (standard input, "-", and empty names are skipped).
std::string outputPathProblem(const std::string& path, const std::vector<std::string>& inputs);

}  // namespace ringmarch::cli
