// Draws the cities of a random instance with the component's generator, x then y for each city,
// and makes them an EUC_2D instance. Reads only its arguments.
#include "cli/random_instance.h"

#include <vector>

#include "model/generation.h"

namespace ringmarch::cli {

std::optional<Instance> randomInstance(std::int32_t cities, std::uint32_t seed) {
  if (cities < 1 || cities > kMaxInstanceCities) return std::nullopt;
  CrtRandom random(seed);
  std::vector<double> x(static_cast<std::size_t>(cities));
  std::vector<double> y(static_cast<std::size_t>(cities));
  for (std::size_t i = 0; i < x.size(); ++i) {
    const GeneratedPosition position = nextGeneratedPosition(random);
    x[i] = position.x;
    y[i] = position.y;
  }
  return Instance::fromCoordinates(DistanceRule::Euc2d, std::move(x), std::move(y));
}

}  // namespace ringmarch::cli
