// Turns the exact search's progress into a run control's: see run_control_monitor.h.
#include "solve/run_control_monitor.h"

namespace ringmarch {

RunProgress runProgressOf(const SolveProgress& progress) {
  RunProgress shown;
  shown.nodes = progress.evaluatedNodes;
  shown.bestLength = progress.bestLength;
  if (progress.lowerBound > 0) shown.lowerBound = progress.lowerBound;
  return shown;
}

}  // namespace ringmarch
