// Helpers shared by the TSP and TOUR writers.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace ringmarch {

// The file's name as a NAME line shows it: line breaks inside the name would start new lines
// that a reader takes for keywords, so each carriage return or newline becomes '?'.
std::string nameLineText(std::string_view name);

// Flushes and closes the stream. False when any write failed (the stream's error indicator), the
// flush failed or the close failed: buffered data that never reached the file is a failed write.
bool finishOutput(std::FILE* stream);

}  // namespace ringmarch
