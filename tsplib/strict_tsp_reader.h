// The strict reader over an Instance: the component's own reader (readTspFile's rules, its 127
// cities, its answers on every file) fills the object's problem, which becomes a matrix
// Instance. A refusal keeps the component's code and adds what the component does not say: the
// line and the reason, found from the same bytes by the tolerant reader and the strict reader's
// line rules.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "tsplib/file_name.h"
#include "tsplib/tolerant_tsp_reader.h"

namespace ringmarch {

// Reads a TSP file's bytes as the component's reader does. On success the instance holds the
// component's distances (its EUC_2D and ATT values), its labels and drawing coordinates;
// report.nameKeyword holds the NAME the strict reader would see. A file the component takes as
// an instance of no cities is refused (FileReadFailed): an Instance has at least one city.
TspRead readTspTextStrict(std::string_view bytes, std::string_view name);
// The same from an open stream (read whole, at most kMaxTspFileBytes; it stays open).
TspRead readTspStreamStrict(std::FILE* stream, std::string_view name);
// The same from a named file; the instance's name is the file's name as given.
TspRead readTspFileStrict(const FileName& file);

// The value of the first "NAME" keyword line of a TSP text ("NAME: x" or "NAME : x", from the
// first column), or empty.
std::string strictNameOf(std::string_view text);

}  // namespace ringmarch
