// The checks every separator test makes of the cuts returned, by the independent means of the
// fixtures.
#pragma once

#include <vector>

#include "cut/city_set_cut.h"
#include "cut/support_graph.h"

namespace ringmarch::cut::fixtures {

// Each cut canonical, a comb by enumeration, of the family its teeth say (Blossom when all are
// edges), violated by more than 1e-6 on g, no more violated than the one before it, and, for n
// up to toursUpTo, satisfied by every tour.
void expectSoundCombs(const std::vector<CitySetCut>& cuts, const SupportGraph& g, int toursUpTo);

}  // namespace ringmarch::cut::fixtures
