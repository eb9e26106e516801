// Opening a file named by a client (FileName: <ringmarch/tsplib.hpp>).
#pragma once

#include <cstdio>

#include <ringmarch/tsplib.hpp>

namespace ringmarch {

// Opens the file in text mode for reading or for writing (replacing it). nullptr when the name is
// absent or the file cannot be opened.
std::FILE* openTextFile(const FileName& file, bool forWriting);

}  // namespace ringmarch
