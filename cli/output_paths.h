// Output files are checked before any work starts, so that a long solve is not lost to a path
// that cannot be written, no input file is written over, and no two outputs land in one file.
#pragma once

#include <string>
#include <vector>

namespace ringmarch::cli {

// Empty when this run may create or replace the file; otherwise why not, in words ("its folder
// 'out' does not exist", "is a directory", "is the input file 'a.tsp'"). inputs are the files the
// run reads (standard input, "-", and empty names are skipped).
std::string outputPathProblem(const std::string& path, const std::vector<std::string>& inputs);

// Whether two names reach one file by any spelling: "./x", "a/../x", symbolic or hard links. An
// existing file is known by its device and inode, one not yet there by its folder's canonical
// path and its name.
bool sameFile(const std::string& first, const std::string& second);

}  // namespace ringmarch::cli
