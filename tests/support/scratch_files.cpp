#include "support/scratch_files.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>

#include <gtest/gtest.h>

namespace ringmarch::testing {
namespace {

std::atomic<int> directoryCounter{0};

}  // namespace

ScratchDirectory::ScratchDirectory() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::ostringstream name;
  name << "ringmarch_" << (info != nullptr ? info->name() : "test") << "_"
       << directoryCounter.fetch_add(1);
  root_ = std::filesystem::path(::testing::TempDir()) / name.str();
  std::filesystem::remove_all(root_);
  std::filesystem::create_directories(root_);
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string ScratchDirectory::path(std::string_view fileName) const {
  return (root_ / std::string(fileName)).string();
}

std::string ScratchDirectory::write(std::string_view fileName, std::string_view contents) const {
  const std::string target = path(fileName);
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  return target;
}

std::string fileContents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool fileExists(const std::string& path) {
  return std::filesystem::exists(path);
}

FileName fileNamed(const std::string& path) {
  return FileName::fromNarrow(path.c_str());
}

std::unique_ptr<ProblemData> emptyProblem() {
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  return problem;
}

std::string dataFile(std::string_view fileName) {
  return std::string(RINGMARCH_TEST_DATA_DIR) + "/" + std::string(fileName);
}

}  // namespace ringmarch::testing
