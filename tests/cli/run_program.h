// Runs the built ringmarch program with arguments and collects what it printed and its exit
// status, for the end-to-end tests of the command line.
#pragma once

#include <string>
#include <vector>

namespace ringmarch::testing {

struct ProgramRun {
  int exitStatus = -1;  // -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Runs RINGMARCH_CLI_PATH with the arguments (no shell involved), standard input empty.
ProgramRun runRingmarch(const std::vector<std::string>& arguments);
// The same with the text on standard input.
ProgramRun runRingmarchWithInput(const std::vector<std::string>& arguments,
                                 const std::string& input);
// The same, sending SIGINT (as Ctrl-C does) once the program has run for the given seconds.
ProgramRun runRingmarchInterrupted(const std::vector<std::string>& arguments,
                                   double interruptAfterSeconds);

}  // namespace ringmarch::testing
