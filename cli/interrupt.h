// Ctrl-C during a solve: while a catcher lives, SIGINT only raises a flag, which the progress
// monitor turns into a stop of the search, so that the best tour found so far is still reported.
#pragma once

namespace ringmarch::cli {

class InterruptCatcher {
 public:
  InterruptCatcher();   // installs the handler and clears the flag
  ~InterruptCatcher();  // puts the previous handler back
  InterruptCatcher(const InterruptCatcher&) = delete;
  InterruptCatcher& operator=(const InterruptCatcher&) = delete;

  // True once SIGINT arrived while a catcher was installed.
  static bool caught();
};

}  // namespace ringmarch::cli
