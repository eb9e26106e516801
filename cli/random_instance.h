// The random instances of `ringmarch random`: the component's generator (NewTsp's) for any
// number of cities, so that up to 127 cities the instances are those of the object, city for city.
#pragma once

#include <cstdint>
#include <optional>

#include "instance/instance.h"

namespace ringmarch::cli {

// cities (1 to kMaxInstanceCities) at whole coordinates 0 to 9999 drawn from the generator seeded
// with seed, with EUC_2D distances; nullopt for a count outside that range.
std::optional<Instance> randomInstance(std::int32_t cities, std::uint32_t seed);

}  // namespace ringmarch::cli
