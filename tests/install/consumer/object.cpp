// The solver object alone, linked with Ringmarch::core only (no solve layer, no LP solver): the
// same seeded random instance as the other consumers, the same line.
#include <cstdint>
#include <cstdio>
#include <memory>

#include <ringmarch/object.hpp>

int main() {
  auto solver = std::make_unique<ringmarch::RingmarchObject>();
  std::int32_t length = 0;
  if (solver->NewTspWithSeed(12, 7) != ringmarch::kSuccessResult ||
      solver->Solve(&length) != ringmarch::kSuccessResult) {
    std::printf("object failed: %s\n", ringmarch::lastError().description.c_str());
    return 1;
  }
  std::printf("object: length %d\n", length);
  return 0;
}
