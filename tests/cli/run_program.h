// Runs the built ringmarch program with arguments and collects what it printed and its exit
// status, for the end-to-end tests of the command line.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
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

// How a run is set up beyond its arguments.
struct RunSettings {
  std::string input;      // standard input's content
  std::string inputPath;  // when set, standard input is opened from this path instead
  std::vector<std::pair<std::string, std::string>> environment;  // set in the child
  int signal = 0;  // sent once the program has run signalAfterSeconds
  double signalAfterSeconds = 0;
  double killAfterSeconds = 0;  // a run still going then is killed (exitStatus -1); 0: never
  std::uint64_t addressSpaceBytes = 0;  // RLIMIT_AS of the child; 0: unchanged
  std::uint64_t fileSizeBytes = 0;      // RLIMIT_FSIZE of the child (writes beyond fail); 0: none
};
ProgramRun runRingmarchWith(const std::vector<std::string>& arguments, const RunSettings& settings);

}  // namespace ringmarch::testing
