// Feeds arbitrary bytes to the TOUR reader against instances of 0 to 11 cities (the first byte
// chooses) and checks that an accepted tour has exactly the instance's cities, all in range, and
// that no failure stores more entries than the instance has. An accepted tour is written and read
// back: order and length must survive.
#include <cstdint>
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "tsplib/tour_file.h"

namespace {

ringmarch::ProblemData problem;
ringmarch::TourRecord tour;
ringmarch::TourRecord reread;

void require(bool condition) {
  if (!condition) __builtin_trap();
}

void checkRoundTrip() {
  ringmarch::fuzzing::OutputBuffer output;
  require(output.stream() != nullptr);
  require(ringmarch::writeTourStream(tour, problem, output.stream(), "round.tour"));
  output.close();
  ringmarch::fuzzing::MemoryStream input(output.bytes(), output.size());
  require(input.stream() != nullptr);
  require(ringmarch::readTourStream(reread, problem, input.stream()) ==
          ringmarch::ErrorCode::Success);
  require(reread.count == tour.count && reread.length == tour.length);
  require(std::memcmp(reread.order, tour.order, sizeof(std::int32_t) * tour.count) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  ringmarch::initProblemData(problem);
  problem.count = data[0] % 12;
  for (int i = 0; i < problem.count; ++i) {
    for (int j = 0; j < problem.count; ++j) problem.rows[i].dist[j] = i == j ? 0 : 3 * i + 5 * j;
  }
  ringmarch::fuzzing::MemoryStream input(data + 1, size - 1);
  if (input.stream() == nullptr) return 0;
  const ringmarch::ErrorCode code = ringmarch::readTourStream(tour, problem, input.stream());
  require(tour.count >= 0 && tour.count <= problem.count);
  for (int k = 0; k < tour.count; ++k) require(tour.order[k] >= 0 && tour.order[k] < problem.count);
  if (code == ringmarch::ErrorCode::Success) {
    require(tour.count == problem.count);
    checkRoundTrip();
  }
  return 0;
}
