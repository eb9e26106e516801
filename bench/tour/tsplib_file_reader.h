// A small reader of TSPLIB instance files for the benchmark tables, apart from the system's
// readers so that it can take what they refuse: coordinates under EUC_2D, CEIL_2D, ATT and GEO, and
// explicit matrices (TSP and ATSP) in the FULL_MATRIX, UPPER_ROW, LOWER_ROW, UPPER_DIAG_ROW and
// LOWER_DIAG_ROW layouts. A FIXED_EDGES_SECTION (linhp318: a path between two given cities) is
// read as an explicit matrix in which each fixed edge costs nothing: its shortest tour is then
// the shortest tour through the fixed edges less their lengths, which is what TSPLIB publishes
// for such a file. Reads the file; nullopt for what it does not understand.
#pragma once

#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "instance/instance.h"

namespace ringmarch::bench {

inline std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

inline std::optional<Instance> readTsplibFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  std::string line;
  std::string weightType;
  std::string weightFormat;
  int dimension = 0;
  std::vector<double> x;
  std::vector<double> y;
  std::vector<std::int64_t> weights;
  std::vector<long> fixedEnds;
  enum class Section { None, Coordinates, Weights, Fixed, Other } section = Section::None;
  while (std::getline(in, line)) {
    const std::string text = trimmed(line);
    if (text.empty()) continue;
    if (text == "EOF") break;
    const auto colon = text.find(':');
    const std::string key = trimmed(text.substr(0, colon));
    if (colon != std::string::npos) {
      const std::string value = trimmed(text.substr(colon + 1));
      if (key == "DIMENSION") dimension = std::stoi(value);
      if (key == "EDGE_WEIGHT_TYPE") weightType = value;
      if (key == "EDGE_WEIGHT_FORMAT") weightFormat = value;
      section = Section::None;
      continue;
    }
    if (key == "NODE_COORD_SECTION") {
      section = Section::Coordinates;
      continue;
    }
    if (key == "EDGE_WEIGHT_SECTION") {
      section = Section::Weights;
      continue;
    }
    if (key == "FIXED_EDGES_SECTION") {
      section = Section::Fixed;
      continue;
    }
    if (key.find("_SECTION") != std::string::npos) {
      section = Section::Other;
      continue;
    }
    std::istringstream fields(text);
    if (section == Section::Coordinates) {
      long id = 0;
      double a = 0;
      double b = 0;
      if (fields >> id >> a >> b) {
        x.push_back(a);
        y.push_back(b);
      }
    } else if (section == Section::Weights) {
      std::int64_t w = 0;
      while (fields >> w) weights.push_back(w);
    } else if (section == Section::Fixed) {
      long city = 0;
      while (fields >> city && city > 0) fixedEnds.push_back(city - 1);
    }
  }
  if (dimension <= 0) return std::nullopt;
  if (weightType != "EXPLICIT") {
    const std::optional<DistanceRule> rule = distanceRuleNamed(weightType);
    if (!rule || static_cast<int>(x.size()) != dimension) return std::nullopt;
    std::optional<Instance> byRule = Instance::fromCoordinates(*rule, std::move(x), std::move(y));
    if (!byRule || fixedEnds.size() < 2) return byRule;
    const auto n = static_cast<std::size_t>(dimension);
    std::vector<std::int32_t> matrix(n * n, 0);
    for (int i = 0; i < dimension; ++i)
      for (int j = 0; j < dimension; ++j)
        matrix[static_cast<std::size_t>(i) * n + static_cast<std::size_t>(j)] =
            byRule->distance(i, j);
    for (std::size_t k = 0; k + 1 < fixedEnds.size(); k += 2) {
      const auto a = static_cast<std::size_t>(fixedEnds[k]);
      const auto b = static_cast<std::size_t>(fixedEnds[k + 1]);
      if (a >= n || b >= n) return std::nullopt;
      matrix[a * n + b] = 0;
      matrix[b * n + a] = 0;
    }
    return Instance::fromMatrix(dimension, std::move(matrix));
  }
  const auto n = static_cast<std::size_t>(dimension);
  std::vector<std::int32_t> matrix(n * n, 0);
  std::size_t next = 0;
  auto take = [&](std::size_t i, std::size_t j) {
    if (next >= weights.size()) return false;
    const auto w = static_cast<std::int32_t>(weights[next++]);
    matrix[i * n + j] = w;
    matrix[j * n + i] = w;
    return true;
  };
  bool complete = true;
  if (weightFormat == "FULL_MATRIX") {
    if (weights.size() < n * n) return std::nullopt;
    for (std::size_t k = 0; k < n * n; ++k) matrix[k] = static_cast<std::int32_t>(weights[k]);
  } else if (weightFormat == "UPPER_ROW" || weightFormat == "LOWER_COL") {
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t j = i + 1; j < n; ++j) complete = complete && take(i, j);
  } else if (weightFormat == "LOWER_ROW" || weightFormat == "UPPER_COL") {
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t j = 0; j < i; ++j) complete = complete && take(i, j);
  } else if (weightFormat == "UPPER_DIAG_ROW" || weightFormat == "LOWER_DIAG_COL") {
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t j = i; j < n; ++j) complete = complete && take(i, j);
  } else if (weightFormat == "LOWER_DIAG_ROW" || weightFormat == "UPPER_DIAG_COL") {
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t j = 0; j <= i; ++j) complete = complete && take(i, j);
  } else {
    return std::nullopt;
  }
  if (!complete) return std::nullopt;
  return Instance::fromMatrix(dimension, std::move(matrix));
}

}  // namespace ringmarch::bench
