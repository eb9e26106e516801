// Runs the built ringmarch program with arguments and collects what it printed and its exit
// status, for the end-to-end tests of the command line.
#pragma once

#include <filesystem>
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

// A fresh directory for one test's files, removed with everything in it afterwards.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  std::string file(const std::string& name) const { return (path_ / name).string(); }
  // Writes text to a file in the directory and answers its path.
  std::string write(const std::string& name, const std::string& text) const;

 private:
  std::filesystem::path path_;
};

std::string readFile(const std::string& path);
std::string testDataFile(const std::string& name);

}  // namespace ringmarch::testing
