#include "support/instance_loader.h"

#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

namespace ringmarch::testing {

namespace {

std::string trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::unique_ptr<ProblemData> loadInstance(const std::string& path) {
  std::ifstream in(path);
  if (!in) return nullptr;
  int dimension = 0;
  std::string type, format, line;
  while (std::getline(in, line)) {
    const auto colon = line.find(':');
    const std::string key = trim(line.substr(0, colon));
    const std::string value = colon == std::string::npos ? "" : trim(line.substr(colon + 1));
    if (key == "DIMENSION") dimension = std::stoi(value);
    if (key == "EDGE_WEIGHT_TYPE") type = value;
    if (key == "EDGE_WEIGHT_FORMAT") format = value;
    if (key == "NODE_COORD_SECTION" || key == "EDGE_WEIGHT_SECTION") break;
  }
  if (dimension < 3 || dimension > kMaxCities) return nullptr;
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  problem->count = dimension;
  const std::size_t n = static_cast<std::size_t>(dimension);
  if (type == "EUC_2D") {
    std::vector<double> x(n), y(n);
    for (std::size_t i = 0; i < n; ++i) {
      int label = 0;
      if (!(in >> label >> x[i] >> y[i])) return nullptr;
    }
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t j = 0; j < n; ++j) {
        const double length = std::hypot(x[i] - x[j], y[i] - y[j]);
        problem->rows[i].dist[j] = static_cast<std::int32_t>(std::floor(length + 0.5));
      }
    }
  } else if (type == "EXPLICIT") {
    const auto set = [&](std::size_t i, std::size_t j, std::int32_t d) {
      problem->rows[i].dist[j] = d;
      problem->rows[j].dist[i] = d;
    };
    std::int32_t d = 0;
    for (std::size_t i = 0; i < n; ++i) {
      if (format == "FULL_MATRIX") {
        for (std::size_t j = 0; j < n; ++j) {
          if (!(in >> d)) return nullptr;
          problem->rows[i].dist[j] = d;
        }
      } else if (format == "UPPER_ROW") {
        for (std::size_t j = i + 1; j < n; ++j) {
          if (!(in >> d)) return nullptr;
          set(i, j, d);
        }
      } else if (format == "LOWER_DIAG_ROW") {
        for (std::size_t j = 0; j <= i; ++j) {
          if (!(in >> d)) return nullptr;
          set(i, j, d);
        }
      } else {
        return nullptr;
      }
    }
  } else {
    return nullptr;
  }
  for (int i = 0; i < dimension; ++i) sortNeighbourOrder(*problem, i);
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
