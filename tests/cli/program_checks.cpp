#include "program_checks.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>

namespace ringmarch::testing {

const std::string kLongSolveFile = std::string(RINGMARCH_TEST_DATA_DIR) + "/grid11.tsp";
const std::vector<std::string> kLongSolve = {"solve", kLongSolveFile, "--engine", "canonical"};

std::vector<std::string> longSolveWith(std::vector<std::string> options) {
  std::vector<std::string> arguments = kLongSolve;
  arguments.insert(arguments.end(), options.begin(), options.end());
  return arguments;
}

JsonValue parsedStdout(const ProgramRun& run) {
  std::string error;
  std::optional<JsonValue> value = parseJson(run.out, &error);
  EXPECT_TRUE(value) << "not one JSON document (" << error << "):\n" << run.out;
  return value ? *value : JsonValue{};
}

std::vector<int> jsonTour(const JsonValue& document) {
  std::vector<int> tour;
  const JsonValue* array = document.find("tour");
  if (array == nullptr || !array->isArray()) return tour;
  for (const JsonValue& city : array->array()) tour.push_back(static_cast<int>(city.number()));
  return tour;
}

std::string resultLine(const std::string& text, const std::string& key) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.starts_with(key + ":")) return line.substr(key.size() + 1);
  }
  return "<missing " + key + ">";
}

std::vector<int> textTourZeroBased(const std::string& text) {
  std::istringstream cities(resultLine(text, "tour"));
  std::vector<int> tour;
  int city = 0;
  while (cities >> city) tour.push_back(city - 1);
  return tour;
}

}  // namespace ringmarch::testing
