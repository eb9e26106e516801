#include "support/instance_loader.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "tsplib/file_name.h"
#include "tsplib/tsp_file.h"

namespace ringmarch::testing {

std::unique_ptr<ProblemData> loadInstance(const std::string& path) {
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  if (readTspFile(*problem, FileName::fromNarrow(path.c_str())) != ErrorCode::Success) {
    return nullptr;
  }
  return problem;
}

std::int64_t publishedOptimum(const std::string& folder, const std::string& fileName) {
  std::ifstream in(folder + "/INDEX.tsv");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::vector<std::string> columns;
    std::string column;
    while (std::getline(fields, column, '\t')) columns.push_back(column);
    if (columns.size() >= 6 && columns[0] == fileName) return std::stoll(columns[5]);
  }
  return -1;
}

}  // namespace ringmarch::testing
