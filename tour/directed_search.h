// The tour search for directed (asymmetric) instances, on the n cities themselves: moves that
// keep every path's direction (Or-opt and the pure 3-opt move), restarted by kicks. findTour
// hands directed instances to it.
#pragma once

#include "instance/instance.h"
#include "instance/run_control.h"
#include "tour/find_tour.h"

namespace ringmarch::tour {

// As findTour for a directed instance: a fixed pair (a, b) of the options is the arc a -> b, and
// candidates of the 2n form (exit i + n's list: successors of i; entry j's list: exits of
// predecessors of j) are added to the search's own.
TourSearchResult findDirectedTour(const Instance& instance, const TourSearchOptions& options,
                                  RunControl& control);

}  // namespace ringmarch::tour
