// Files for the file-layer tests: a private directory per test that is removed afterwards,
// whole-file writes and reads, and heap-held instances (an instance is too large for a test's
// stack frame to hold several).
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/problem_data.h"
#include "tsplib/file_name.h"

namespace ringmarch::testing {

class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  // Path of a file in the directory (not created).
  std::string path(std::string_view fileName) const;
  // Writes contents byte for byte and answers the file's path.
  std::string write(std::string_view fileName, std::string_view contents) const;

 private:
  std::filesystem::path root_;
};

// The whole file, byte for byte; empty when it cannot be read.
std::string fileContents(const std::string& path);
bool fileExists(const std::string& path);
// The names in a folder, sorted.
std::vector<std::string> namesIn(const std::string& folder);

FileName fileNamed(const std::string& path);

// A new object's instance, on the heap.
std::unique_ptr<ProblemData> emptyProblem();

// The test data directory's file of that name.
std::string dataFile(std::string_view fileName);

}  // namespace ringmarch::testing
