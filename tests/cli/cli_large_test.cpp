// The built program on TSPLIB files beyond the object's 127 cities: a sample of 130 to 442
// cities of every kind of file (EUC_2D, GEO, explicit matrices in two layouts, ATSP) solved by
// the tour engine, and a smaller one proven by auto's cut engine, each tour checked apart from
// the solver and measured against the published optimum; check, convert and the picture on such
// files.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "program_checks.h"
#include "support/scratch_files.h"
#include "support/tour_checker.h"
#include "tsplib/tolerant_tsp_reader.h"

namespace ringmarch::testing {
namespace {

struct Sample {
  const char* file;
  int cities;
  std::int64_t optimum;  // published (tests/data/INDEX.tsv)
  bool sanitized;        // solved in the slower sanitized builds too
};

// The tour engine's lengths within 1 % of the optimum, directed ones included.
const std::vector<Sample> kSamples = {
    {"ch130.tsp", 130, 6110, true},     {"gr137.tsp", 137, 69853, false},
    {"kroA150.tsp", 150, 26524, false}, {"si175.tsp", 175, 21407, true},
    {"brg180.tsp", 180, 1950, true},    {"d198.tsp", 198, 15780, false},
    {"a280.tsp", 280, 2579, false},     {"lin318.tsp", 318, 42029, false},
    {"pcb442.tsp", 442, 50778, false},  {"ftv170.atsp", 171, 2755, true},
};

Instance instanceOfFile(const std::string& path) {
  TspRead read = readTspFileTolerant(fileNamed(path));
  EXPECT_TRUE(read.instance) << read.report.where();
  return read.instance ? std::move(*read.instance) : *Instance::fromMatrix(1, {0});
}

TEST(ProgramLargeTest, TheTourEngineSolvesTheSampleHonestly) {
  for (const Sample& sample : kSamples) {
    if (kSlowBuildFactor > 1 && !sample.sanitized) continue;
    SCOPED_TRACE(sample.file);
    const std::string path = dataFile(sample.file);
    const ProgramRun run = runRingmarch({"solve", path, "--engine", "tour", "--json", "--quiet"});
    const JsonValue document = parsedStdout(run);
    ASSERT_EQ(document.find("error"), nullptr) << run.out;
    EXPECT_EQ(document.at("cities").number(), sample.cities);
    EXPECT_EQ(document.at("engine").string(), "tour");
    const std::vector<int> tour = jsonTour(document);
    ASSERT_EQ(tourDefect(tour, sample.cities), "");
    const auto length = static_cast<std::int64_t>(document.at("length").number());
    EXPECT_EQ(closedTourLength(instanceOfFile(path), tour), length);
    const auto bound = static_cast<std::int64_t>(document.at("lower_bound").number());
    EXPECT_LE(bound, sample.optimum);
    EXPECT_GE(length, sample.optimum);
    const bool optimal = document.at("optimal").boolean();
    EXPECT_EQ(optimal, bound == length);
    EXPECT_EQ(run.exitStatus, optimal ? kSuccess : kNotProven);
    const bool directed = std::string(sample.file).ends_with(".atsp");
    EXPECT_EQ(document.at("asymmetric").boolean(), directed);
    EXPECT_LE(100 * (length - sample.optimum), sample.optimum) << length;
  }
}

TEST(ProgramLargeTest, AutoProvesWithTheCutEngineAndTheStrictReaderRefusesWithTheLine) {
  // Quick ones: ch130 and brg180 take a few nodes, ft70 (directed, beyond the exact search's 63
  // cities; published optimum 38673) a handful.
  const std::vector<Sample> proven = {{"ch130.tsp", 130, 6110, true},
                                      {"brg180.tsp", 180, 1950, true},
                                      {"ft70.atsp", 70, 38673, true}};
  for (const Sample& sample : proven) {
    SCOPED_TRACE(sample.file);
    const std::string path = dataFile(sample.file);
    const ProgramRun run = runRingmarch({"solve", path, "--json", "--quiet"});
    EXPECT_EQ(run.exitStatus, kSuccess) << run.err;
    const JsonValue document = parsedStdout(run);
    EXPECT_EQ(document.at("engine").string(), "cut");
    EXPECT_TRUE(document.at("optimal").boolean());
    EXPECT_EQ(document.at("length").number(), sample.optimum);
    EXPECT_EQ(document.at("lower_bound").number(), sample.optimum);
    const std::vector<int> tour = jsonTour(document);
    ASSERT_EQ(tourDefect(tour, sample.cities), "");
    EXPECT_EQ(closedTourLength(instanceOfFile(path), tour), sample.optimum);
  }
  const std::string path = dataFile("ch130.tsp");
  const ProgramRun canonical =
      runRingmarch({"solve", path, "--engine", "canonical", "--json", "--quiet"});
  EXPECT_EQ(canonical.exitStatus, kBadInput);
  EXPECT_EQ(parsedStdout(canonical).at("error").at("name").string(), "TooManyCities");
  const ProgramRun strict = runRingmarch({"check", path, "--strict", "--json"});
  const JsonValue error = parsedStdout(strict).at("error");
  EXPECT_EQ(error.at("line").number(), 4);
  EXPECT_EQ(error.at("reason").string(),
            "130 cities; the strict reader takes at most 127 (the tolerant reader reads the file)");
}

TEST(ProgramLargeTest, CheckConvertAndThePictureTakeLargeFiles) {
  ScratchDirectory directory;
  const std::string a280 = dataFile("a280.tsp");
  const ProgramRun valid = runRingmarch({"check", dataFile("ch130.tsp")});
  EXPECT_EQ(valid.exitStatus, kSuccess) << valid.err;
  // a280 lists two cities at one place, which the check names.
  const ProgramRun check = runRingmarch({"check", a280});
  EXPECT_EQ(check.exitStatus, kBadInput);
  EXPECT_NE(check.out.find("a280.tsp: 280 cities, with coordinates"), std::string::npos);
  EXPECT_NE(check.out.find("distances: city 171 and city 172 are 0 apart"), std::string::npos)
      << check.out;

  // A matrix written out reads back to the same distances; whole coordinates keep EUC_2D too.
  const Instance original = instanceOfFile(a280);
  for (const char* format : {"fullmatrix", "euc2d"}) {
    SCOPED_TRACE(format);
    const std::string copy = directory.path(std::string("copy-") + format + ".tsp");
    const ProgramRun convert = runRingmarch({"convert", a280, copy, "--format", format});
    ASSERT_EQ(convert.exitStatus, kSuccess) << convert.err;
    const Instance again = instanceOfFile(copy);
    ASSERT_EQ(again.size(), 280);
    for (int i = 0; i < 280; ++i) {
      for (int j = 0; j < 280; ++j) ASSERT_EQ(again.distance(i, j), original.distance(i, j));
    }
  }
  // Fractional coordinates would change: refused without --force.
  const ProgramRun fractional =
      runRingmarch({"convert", dataFile("d198.tsp"), directory.path("d.tsp"), "--format", "euc2d"});
  EXPECT_EQ(fractional.exitStatus, kBadInput);
  EXPECT_NE(fractional.err.find("euc2d would change the instance"), std::string::npos);

  const std::string picture = directory.path("ch130.svg");
  const ProgramRun drawn =
      runRingmarch({"solve", dataFile("ch130.tsp"), "--svg", picture, "--quiet"});
  EXPECT_NE(drawn.exitStatus, kBadInput) << drawn.err;
  const std::string svg = fileContents(picture);
  EXPECT_NE(svg.find("<title>city 130</title>"), std::string::npos);
  EXPECT_NE(svg.find("ch130.tsp: 130 cities, length 6110<"), std::string::npos);
}

TEST(ProgramLargeTest, RandomInstancesBeyond127Cities) {
  const ProgramRun run =
      runRingmarch({"random", "150", "--seed", "4", "--solve", "--json", "--quiet"});
  const JsonValue document = parsedStdout(run);
  EXPECT_EQ(document.at("cities").number(), 150);
  EXPECT_EQ(document.at("engine").string(), "cut");
  EXPECT_TRUE(document.at("optimal").boolean());
  EXPECT_EQ(tourDefect(jsonTour(document), 150), "");
  // The first cities are those of the smaller instance of the same seed.
  const auto cityLines = [](const std::string& file) {
    const std::size_t section = file.find("NODE_COORD_SECTION\n");
    return section == std::string::npos ? std::string() : file.substr(section);
  };
  const std::string large = cityLines(runRingmarch({"random", "300", "--seed", "4"}).out);
  std::string small = cityLines(runRingmarch({"random", "6", "--seed", "4"}).out);
  small = small.substr(0, small.find("EOF"));
  ASSERT_FALSE(small.empty());
  EXPECT_TRUE(large.starts_with(small)) << small;
}

}  // namespace
}  // namespace ringmarch::testing
