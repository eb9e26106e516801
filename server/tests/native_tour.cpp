// Reads a TSP file, solves it with the native build and prints the tour length and then the
// city at each tour position, one per line: the reference the Wine script tests compare the
// DLL's tour with.
#include <cstdio>
#include <string>

#include "model/error_code.h"
#include "object/ringmarch_object.h"
#include "tsplib/file_name.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: ringmarch_native_tour <file.tsp>\n");
    return 2;
  }
  ringmarch::RingmarchObject solver;
  std::int32_t length = 0;
  ringmarch::OperationResult result = solver.ReadTspFile(ringmarch::FileName::fromNarrow(argv[1]));
  if (result == ringmarch::kSuccessResult) result = solver.Solve(&length);
  if (result != ringmarch::kSuccessResult) {
    std::fprintf(stderr, "ringmarch_native_tour: failed with 0x%08X (%s)\n",
                 static_cast<unsigned>(result),
                 std::string(ringmarch::errorName(ringmarch::lastError().code)).c_str());
    return 1;
  }
  std::printf("%d\n", static_cast<int>(length));
  std::int32_t count = 0;
  solver.num(&count);
  for (std::int32_t i = 0; i < count; ++i) {
    std::int32_t city = -1;
    solver.Root(i, &city);
    std::printf("%d\n", static_cast<int>(city));
  }
  return 0;
}
