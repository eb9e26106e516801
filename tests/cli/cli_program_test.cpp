// The built ringmarch program, run as a user runs it: output, files written and exit status of
// every command on good and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "json_value.h"
#include "model/generation.h"
#include "object/ringmarch_object.h"
#include "program_checks.h"
#include "run_program.h"
#include "support/scratch_files.h"
#include "support/tour_checker.h"

namespace ringmarch::testing {
namespace {

// Six cities on the border of a 60 x 40 box: the shortest tour is the perimeter, 200.
constexpr const char* kBoxTsp =
    "NAME: box\nTYPE: TSP\nDIMENSION: 6\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n"
    "1 0 0\n2 30 0\n3 60 0\n4 60 40\n5 30 40\n6 0 40\nEOF\n";
constexpr const char* kAsymmetricTsp =
    "NAME: asym\nTYPE: TSP\nDIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\n"
    "EDGE_WEIGHT_FORMAT: FULL_MATRIX\nEDGE_WEIGHT_SECTION\n0 3 5\n4 0 6\n5 6 0\nEOF\n";

std::unique_ptr<RingmarchObject> loadInstance(const std::string& path) {
  auto object = std::make_unique<RingmarchObject>();
  EXPECT_EQ(object->ReadTspFile(FileName::fromNarrow(path.c_str())), kSuccessResult) << path;
  return object;
}

bool isWholeNumber(const std::string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int occurrences(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// ---- usage ----

TEST(ProgramUsageTest, BadUsageExitsWithTwoAndAUsageLine) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"solve", "a.tsp", "b.tsp"},
      {"solve", "--time-limit", "soon"},
      {"solve", "--unknown"},
      {"random"},
      {"random", "12", "--svg", "x.svg"},
      {"check"},
      {"convert", "only-one.tsp"},
      {"convert", "a.tsp", "b.tsp", "--format", "csv"},
      // Every usage error exits alike, also counts outside 1 to 100000 and a doubly used stdout.
      {"random", "0"},
      {"random", "100001"},
      {"random", "8", "--output", "-", "--solve"},
      {"convert", "same.tsp", "same.tsp"},
  };
  for (const auto& arguments : cases) {
    const ProgramRun run = runRingmarch(arguments);
    std::string shown;
    for (const auto& a : arguments) shown += a + " ";
    EXPECT_EQ(run.exitStatus, kUsage) << shown;
    EXPECT_NE(run.err.find("usage: ringmarch"), std::string::npos) << shown << run.err;
    EXPECT_TRUE(run.out.empty()) << shown << run.out;
  }
}

TEST(ProgramUsageTest, HelpAndVersionGoToStdout) {
  const ProgramRun help = runRingmarch({"--help"});
  EXPECT_EQ(help.exitStatus, kSuccess);
  EXPECT_NE(help.out.find("--time-limit SECONDS"), std::string::npos);
  EXPECT_NE(help.out.find("ringmarch convert"), std::string::npos);
  EXPECT_TRUE(help.err.empty());

  const ProgramRun solveHelp = runRingmarch({"solve", "--help"});
  EXPECT_EQ(solveHelp.exitStatus, kSuccess);
  EXPECT_NE(solveHelp.out.find("--svg OUT.svg"), std::string::npos);

  const ProgramRun version = runRingmarch({"--version"});
  EXPECT_EQ(version.exitStatus, kSuccess);
  unsigned major = 0;
  unsigned minor = 0;
  EXPECT_EQ(std::sscanf(version.out.c_str(), "ringmarch %u.%u", &major, &minor), 2) << version.out;
}

// ---- bad input ----

struct BadFileCase {
  std::string description;
  std::string contents;  // empty: the file does not exist
  std::string expected;  // result value and code name in the message
};

TEST(ProgramBadInputTest, UnreadableFilesNameTheFileAndTheError) {
  ScratchDirectory directory;
  const std::vector<BadFileCase> cases = {
      {"missing", "", "0x80040301 FileOpenFailed"},
      {"no weight type", "NAME: x\nDIMENSION: 3\nNODE_COORD_SECTION\n1 0 0\n2 1 1\n3 2 2\nEOF\n",
       "0x80040304 FileFormatError"},
      {"explicit without a layout",
       "DIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_SECTION\n0 1 2\n1 0 3\n2 3 0\n",
       "0x80040304 FileFormatError"},
      {"short matrix",
       "DIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: FULL_MATRIX\n"
       "EDGE_WEIGHT_SECTION\n0 1 2\n1 0\n",
       "0x80040302 FileReadFailed"},
      {"no dimension", "NAME: x\nTYPE: TSP\nEOF\n", "0x80040302 FileReadFailed"},
      {"too many cities",
       "DIMENSION: 100001\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n1 0 0\nEOF\n",
       "0x80040306 TooManyCities"},
  };
  for (const BadFileCase& c : cases) {
    const std::string path =
        c.contents.empty() ? directory.path("absent.tsp") : directory.write("bad.tsp", c.contents);
    for (const char* command : {"solve", "check"}) {
      const ProgramRun run = runRingmarch({command, path});
      EXPECT_EQ(run.exitStatus, kBadInput) << c.description << " / " << command;
      EXPECT_NE(run.err.find(c.expected), std::string::npos) << c.description << ": " << run.err;
      EXPECT_NE(run.err.find(path), std::string::npos) << c.description << ": " << run.err;
      EXPECT_TRUE(run.out.empty()) << c.description << ": " << run.out;
    }
    const ProgramRun convert = runRingmarch({"convert", path, directory.path("out.tsp")});
    EXPECT_EQ(convert.exitStatus, kBadInput) << c.description;
    EXPECT_NE(convert.err.find(c.expected), std::string::npos) << c.description;
    EXPECT_FALSE(std::filesystem::exists(directory.path("out.tsp"))) << c.description;
  }
}

TEST(ProgramBadInputTest, JsonModeReportsTheErrorAsOneObject) {
  ScratchDirectory directory;
  const std::string path = directory.path("absent.tsp");
  const ProgramRun run = runRingmarch({"solve", path, "--json"});
  EXPECT_EQ(run.exitStatus, kBadInput);
  const JsonValue document = parsedStdout(run);
  const JsonValue* error = document.find("error");
  ASSERT_NE(error, nullptr) << run.out;
  EXPECT_EQ(error->at("code").number(), 1);
  EXPECT_EQ(error->at("name").string(), "FileOpenFailed");
  EXPECT_EQ(error->at("result").string(), "0x80040301");
  EXPECT_EQ(error->at("file").string(), path);
  EXPECT_EQ(error->at("text").string(),
            "ファイルのオープンに失敗しました。ファイルが存在しない可能性があります。");
}

TEST(ProgramBadInputTest, TooManyRandomCitiesIsAUsageError) {
  const ProgramRun run = runRingmarch({"random", "100001", "--seed", "1"});
  EXPECT_EQ(run.exitStatus, kUsage);
  EXPECT_NE(run.err.find("100001 cities; at most 100000"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("usage: ringmarch random"), std::string::npos) << run.err;
  EXPECT_TRUE(run.out.empty());
}

TEST(ProgramBadInputTest, TooFewCitiesCannotBeSolved) {
  // A count that no solve can take is known from the command line alone: a usage error, before
  // a seed or anything else is printed, as 0 or 128 cities are.
  for (const char* count : {"1", "2"}) {
    SCOPED_TRACE(count);
    for (const std::vector<std::string>& extra :
         {std::vector<std::string>{}, std::vector<std::string>{"--json"}}) {
      std::vector<std::string> arguments = {"random", count, "--seed", "1", "--solve"};
      arguments.insert(arguments.end(), extra.begin(), extra.end());
      const ProgramRun run = runRingmarch(arguments);
      EXPECT_EQ(run.exitStatus, kUsage);
      EXPECT_NE(run.err.find("--solve needs at least 3"), std::string::npos) << run.err;
      EXPECT_NE(run.err.find("usage: ringmarch random"), std::string::npos) << run.err;
      EXPECT_EQ(run.out.find("seed:"), std::string::npos) << run.out;
      if (!extra.empty()) {
        EXPECT_EQ(parsedStdout(run).at("error").at("exit_status").number(), kUsage);
      }
    }
  }
  // Without --solve two cities are a valid instance to write.
  const ProgramRun written = runRingmarch({"random", "2", "--seed", "1"});
  EXPECT_EQ(written.exitStatus, kSuccess) << written.err;
  EXPECT_NE(written.out.find("DIMENSION: 2"), std::string::npos) << written.out;
  // A file of two cities still reaches the solver, which says why it refuses.
  ScratchDirectory directory;
  const std::string path = directory.write(
      "two.tsp", "DIMENSION: 2\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n1 0 0\n2 3 4\n");
  const ProgramRun solved = runRingmarch({"solve", path});
  EXPECT_EQ(solved.exitStatus, kBadInput);
  EXPECT_NE(solved.err.find("0x80040307 CityIdOutOfRange"), std::string::npos) << solved.err;
  EXPECT_NE(solved.err.find("a solve needs at least 3"), std::string::npos) << solved.err;
}

std::string explicitMatrixFile(const std::string& dimension, const std::string& entries) {
  return "DIMENSION: " + dimension +
         "\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: FULL_MATRIX\n"
         "EDGE_WEIGHT_SECTION\n" +
         entries + "EOF\n";
}

TEST(ProgramBadInputTest, InstancesTheSolverRefusesSayWhy) {
  ScratchDirectory directory;
  struct Case {
    std::string file;
    std::string code;
    std::string reason;
    bool strict = false;  // only the strict reader takes a negative dimension
  };
  const std::vector<Case> cases = {
      {explicitMatrixFile("1", "0\n"), "0x80040307 CityIdOutOfRange", "it has 1 city"},
      // The component takes a negative dimension as no cities; an instance has one at least.
      {explicitMatrixFile("-5", ""), "0x80040302 FileReadFailed",
       "DIMENSION -5: the file declares no cities", true},
      // Tours of these distances overflow 32 bits: the solver refuses rather than wrap.
      {explicitMatrixFile("3", "0 2000000000 1\n2000000000 0 1\n1 1 0\n"),
       "0x80040309 DistanceOutOfRange", "could exceed the 32-bit range"},
      // Sums of negative distances leave the range downwards: -3 * 10^9, -5 * 2^31.
      {explicitMatrixFile("3",
                          "0 -1000000000 -1000000000\n-1000000000 0 -1000000000\n"
                          "-1000000000 -1000000000 0\n"),
       "0x80040309 DistanceOutOfRange", "could exceed the 32-bit range"},
      {explicitMatrixFile("5",
                          [] {
                            std::string rows;
                            for (int i = 0; i < 5; ++i) {
                              for (int j = 0; j < 5; ++j) rows += i == j ? "0 " : "-2147483648 ";
                              rows += "\n";
                            }
                            return rows;
                          }()),
       "0x80040309 DistanceOutOfRange", "could exceed the 32-bit range"},
      // Asymmetric, so solved as a directed tour: its sums leave the range just as well.
      {explicitMatrixFile("3",
                          "0 -1000000000 -1000000000\n-1000000000 0 -1000000000\n"
                          "-999999999 -1000000000 0\n"),
       "0x80040309 DistanceOutOfRange", "could exceed the 32-bit range"},
  };
  for (const Case& c : cases) {
    const std::string path = directory.write("refused.tsp", c.file);
    const ProgramRun run =
        c.strict ? runRingmarch({"solve", path, "--strict"}) : runRingmarch({"solve", path});
    EXPECT_EQ(run.exitStatus, kBadInput) << c.reason;
    EXPECT_NE(run.err.find(c.code), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
  }
}

// No tour uses a city's distance to itself: a huge diagonal neither refuses the instance nor
// changes its optimum.
TEST(ProgramSolveTest, ALargeDiagonalIsIgnored) {
  ScratchDirectory directory;
  const auto matrix = [](const std::string& diagonal) {
    std::string rows;
    for (int i = 0; i < 30; ++i) {
      for (int j = 0; j < 30; ++j) {
        rows += i == j ? diagonal : std::to_string(1 + (7 * (i + j) + i * j) % 50);
        rows += ' ';
      }
      rows += '\n';
    }
    return explicitMatrixFile("30", rows);
  };
  const ProgramRun plain = runRingmarch({"solve", directory.write("plain.tsp", matrix("0"))});
  const ProgramRun large =
      runRingmarch({"solve", directory.write("large.tsp", matrix("100000000"))});
  ASSERT_EQ(plain.exitStatus, kSuccess) << plain.err;
  ASSERT_EQ(large.exitStatus, kSuccess) << large.err;
  EXPECT_EQ(resultLine(large.out, "optimal"), " yes");
  EXPECT_EQ(resultLine(large.out, "length"), resultLine(plain.out, "length"));
}

// check --tour sums the tour exactly, also where no 32-bit length holds it, and says that such
// an instance cannot be solved.
TEST(ProgramBadInputTest, CheckShowsTheExactLengthOfATourBeyondThe32BitRange) {
  ScratchDirectory directory;
  const std::string instance = directory.write(
      "neg3.tsp", explicitMatrixFile("3",
                                     "0 -1000000000 -1000000000\n-1000000000 0 -1000000000\n"
                                     "-1000000000 -1000000000 0\n"));
  const std::string tour =
      directory.write("neg3.tour", "TYPE: TOUR\nDIMENSION: 3\nTOUR_SECTION\n1\n2\n3\n-1\nEOF\n");
  const ProgramRun text = runRingmarch({"check", instance, "--tour", tour});
  EXPECT_NE(text.out.find("valid, every city once, length -3000000000\n"), std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("solvable: no (tour lengths could exceed the 32-bit range)"),
            std::string::npos)
      << text.out;
  const ProgramRun json = runRingmarch({"check", instance, "--tour", tour, "--json"});
  const JsonValue document = parsedStdout(json);
  EXPECT_EQ(document.at("tour_length").number(), -3000000000.0);
  EXPECT_FALSE(document.at("solvable").boolean());
  // Nothing is solved, so no tour file is written with a wrapped length.
  const std::string written = directory.path("out.tour");
  const ProgramRun solve = runRingmarch({"solve", instance, "--tour", written});
  EXPECT_EQ(solve.exitStatus, kBadInput);
  EXPECT_FALSE(fileExists(written));
}

TEST(ProgramBadInputTest, FilesWithoutCitiesAreRefusedAlsoByTheStrictReader) {
  ScratchDirectory directory;
  // The component's reader takes a negative dimension as no cities; no command has an instance
  // of no cities to work on, so each refuses the file with the line and the reason.
  const std::string path = directory.write("none.tsp", explicitMatrixFile("-5", ""));
  const ProgramRun check = runRingmarch({"check", path, "--strict"});
  EXPECT_EQ(check.exitStatus, kBadInput);
  EXPECT_NE(check.err.find("(line 1: DIMENSION -5: the file declares no cities)"),
            std::string::npos)
      << check.err;
  const ProgramRun json = runRingmarch({"check", path, "--json", "--strict"});
  const JsonValue error = parsedStdout(json).at("error");
  EXPECT_EQ(error.at("line").number(), 1);
  EXPECT_EQ(error.at("code").number(), 2);

  const std::string output = directory.path("out.tsp");
  const ProgramRun convert = runRingmarch({"convert", path, output, "--strict"});
  EXPECT_EQ(convert.exitStatus, kBadInput);
  EXPECT_NE(convert.err.find("declares no cities"), std::string::npos) << convert.err;
  EXPECT_FALSE(fileExists(output));
}

// ---- solve ----

TEST(ProgramSolveTest, TextResultOfAnExplicitInstance) {
  const std::string path = dataFile("gr17.tsp");
  const ProgramRun run = runRingmarch({"solve", path});
  ASSERT_EQ(run.exitStatus, kSuccess) << run.err;
  EXPECT_EQ(resultLine(run.out, "length"), " 2085");
  EXPECT_EQ(resultLine(run.out, "cities"), " 17");
  EXPECT_EQ(resultLine(run.out, "optimal"), " yes");
  const std::vector<int> tour = textTourZeroBased(run.out);
  EXPECT_EQ(tourDefect(tour, 17), "");
  auto object = loadInstance(path);
  EXPECT_EQ(closedTourLength(object->instance(), tour), 2085);
  EXPECT_TRUE(isWholeNumber(resultLine(run.out, "nodes").substr(1))) << run.out;
  const std::string seconds = resultLine(run.out, "seconds").substr(1);
  const std::size_t point = seconds.find('.');
  ASSERT_NE(point, std::string::npos) << run.out;
  EXPECT_TRUE(isWholeNumber(seconds.substr(0, point)));
  EXPECT_EQ(seconds.size() - point - 1, 3u) << "three decimals: " << seconds;
  EXPECT_TRUE(isWholeNumber(seconds.substr(point + 1)));
  EXPECT_TRUE(run.err.empty()) << run.err;
}

TEST(ProgramSolveTest, JsonResultHasItsFieldsAndNothingElseOnStdout) {
  const std::string path = dataFile("gr17.tsp");
  const ProgramRun run = runRingmarch({"solve", path, "--json"});
  ASSERT_EQ(run.exitStatus, kSuccess) << run.err;
  const JsonValue document = parsedStdout(run);
  ASSERT_TRUE(document.isObject());
  for (const char* key : {"name", "cities", "length", "tour", "nodes", "seconds", "optimal",
                          "initial_length", "stages"}) {
    EXPECT_NE(document.find(key), nullptr) << key;
  }
  EXPECT_EQ(document.at("name").string(), path);
  EXPECT_EQ(document.at("cities").number(), 17);
  EXPECT_EQ(document.at("length").number(), 2085);
  EXPECT_TRUE(document.at("optimal").boolean());
  EXPECT_GE(document.at("nodes").number(), 0);
  EXPECT_GE(document.at("seconds").number(), 0);
  EXPECT_GE(document.at("initial_length").number(), 2085);
  const std::vector<int> tour = jsonTour(document);
  EXPECT_EQ(tourDefect(tour, 17), "");
  auto object = loadInstance(path);
  EXPECT_EQ(closedTourLength(object->instance(), tour), 2085);
}

TEST(ProgramSolveTest, StagesAccountForTheSolvesTime) {
  const ProgramRun run = runRingmarch({"solve", dataFile("bays29.tsp"), "--json"});
  ASSERT_EQ(run.exitStatus, kSuccess) << run.err;
  const JsonValue document = parsedStdout(run);
  const JsonValue* stages = document.find("stages");
  ASSERT_NE(stages, nullptr);
  ASSERT_TRUE(stages->isObject()) << "the solver reports no stage times";
  double sum = 0;
  for (const char* stage : {"load", "initial_tour", "search"}) {
    ASSERT_NE(stages->find(stage), nullptr) << stage;
    EXPECT_GE(stages->at(stage).number(), 0) << stage;
    sum += stages->at(stage).number();
  }
  // The stages lie inside the measured solve (printed with microsecond rounding).
  EXPECT_LE(sum, document.at("seconds").number() + 1e-5);
}

TEST(ProgramSolveTest, BuiltInInstanceSolvesToItsKnownOptimum) {
  const ProgramRun run = runRingmarch({"solve", "--json"});
  ASSERT_EQ(run.exitStatus, kSuccess) << run.err;
  const JsonValue document = parsedStdout(run);
  EXPECT_EQ(document.at("name").string(), "dantzig42");
  EXPECT_EQ(document.at("cities").number(), 42);
  EXPECT_EQ(document.at("length").number(), 699);
  EXPECT_EQ(tourDefect(jsonTour(document), 42), "");
}

TEST(ProgramSolveTest, WritesTheTourFileAndThePicture) {
  ScratchDirectory directory;
  const std::string input = dataFile("bays29.tsp");
  const std::string tourPath = directory.path("bays29.tour");
  const std::string svgPath = directory.path("bays29.svg");
  const ProgramRun run =
      runRingmarch({"solve", input, "--tour", tourPath, "--svg", svgPath, "--json"});
  ASSERT_EQ(run.exitStatus, kSuccess) << run.err;
  const JsonValue document = parsedStdout(run);
  EXPECT_EQ(document.at("length").number(), 2020);
  EXPECT_EQ(document.at("tour_file").string(), tourPath);
  EXPECT_EQ(document.at("svg_file").string(), svgPath);

  // The tour file reads back against the instance to the same length and order.
  auto object = loadInstance(input);
  ASSERT_EQ(object->ReadTourFile(FileName::fromNarrow(tourPath.c_str())), kSuccessResult);
  std::int32_t length = 0;
  ASSERT_EQ(object->Length(&length), kSuccessResult);
  EXPECT_EQ(length, 2020);
  const std::vector<int> expected = jsonTour(document);
  ASSERT_EQ(object->tour().count, 29);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), object->tour().order));

  const std::string svg = fileContents(svgPath);
  EXPECT_TRUE(svg.starts_with("<?xml"));
  EXPECT_EQ(occurrences(svg, "r=\"3.5\""), 29);
  EXPECT_NE(svg.find("<polygon"), std::string::npos);
  EXPECT_NE(svg.find("length 2020"), std::string::npos);
}

TEST(ProgramSolveTest, PictureNeedsCoordinates) {
  ScratchDirectory directory;
  const std::string svgPath = directory.path("gr17.svg");
  const ProgramRun run = runRingmarch({"solve", dataFile("gr17.tsp"), "--svg", svgPath});
  EXPECT_EQ(run.exitStatus, kBadInput);
  EXPECT_NE(run.err.find("no coordinates"), std::string::npos) << run.err;
  EXPECT_TRUE(run.out.empty());
  EXPECT_FALSE(std::filesystem::exists(svgPath));
}

TEST(ProgramSolveTest, UnwritableOutputsFailBeforeTheSolve) {
  ScratchDirectory directory;
  const std::string box = directory.write("box.tsp", kBoxTsp);
  const std::string tourPath = directory.path("no-such-dir/out.tour");
  const std::string svgPath = directory.path("no-such-dir/out.svg");
  const ProgramRun tour = runRingmarch({"solve", box, "--tour", tourPath});
  EXPECT_EQ(tour.exitStatus, kBadInput);
  EXPECT_TRUE(tour.out.empty()) << tour.out;
  EXPECT_NE(tour.err.find("cannot write the tour to '" + tourPath + "': its folder '" +
                          directory.path("no-such-dir") + "' does not exist (nothing was done)"),
            std::string::npos)
      << tour.err;
  const ProgramRun svg = runRingmarch({"solve", box, "--svg", svgPath, "--json"});
  EXPECT_EQ(svg.exitStatus, kBadInput);
  EXPECT_NE(svg.err.find("cannot write the picture to '" + svgPath + "'"), std::string::npos)
      << svg.err;
  EXPECT_EQ(parsedStdout(svg).at("error").at("file").string(), svgPath);
}

TEST(ProgramSolveTest, InvalidDistancesAreSolvedWithAWarning) {
  ScratchDirectory directory;
  const std::string path = directory.write("asym.tsp", kAsymmetricTsp);
  const ProgramRun run = runRingmarch({"solve", path});
  EXPECT_EQ(run.exitStatus, kSuccess) << run.err;
  EXPECT_NE(run.err.find("warning"), std::string::npos);
  EXPECT_NE(run.err.find("not symmetric"), std::string::npos) << run.err;
  const ProgramRun quiet = runRingmarch({"solve", path, "--quiet"});
  EXPECT_TRUE(quiet.err.empty()) << quiet.err;
}

TEST(ProgramSolveTest, TimeLimitGivesTheBestTourFoundMarkedNotProven) {
  const ProgramRun run = runRingmarch(longSolveWith({"--time-limit", "0.3", "--json", "--quiet"}));
  ASSERT_EQ(run.exitStatus, kNotProven) << run.err << run.out;
  const JsonValue document = parsedStdout(run);
  EXPECT_FALSE(document.at("optimal").boolean());
  EXPECT_EQ(document.at("time_limit").number(), 0.3);
  EXPECT_GE(document.at("seconds").number(), 0.3);
  const std::vector<int> tour = jsonTour(document);
  ASSERT_EQ(tourDefect(tour, 121), "");
  const auto object = loadInstance(kLongSolveFile);
  EXPECT_EQ(closedTourLength(object->instance(), tour), document.at("length").number());
  EXPECT_LE(document.at("length").number(), document.at("initial_length").number());

  const ProgramRun text = runRingmarch(longSolveWith({"--time-limit", "0.2"}));
  EXPECT_EQ(text.exitStatus, kNotProven);
  EXPECT_NE(resultLine(text.out, "optimal").find("not proven"), std::string::npos) << text.out;
}

TEST(ProgramSolveTest, ProgressLinesGoToStderrUnlessQuiet) {
  // The search first consults its monitor after the first level, about a second in; the limit
  // leaves room for a loaded machine (and a sanitized build) to get there and past the first
  // report.
  const ProgramRun shown =
      runRingmarch(longSolveWith({"--time-limit", std::to_string(6 * kSlowBuildFactor)}));
  EXPECT_EQ(shown.exitStatus, kNotProven);
  // Not a terminal: plain lines, no carriage returns.
  const std::size_t lineAt = shown.err.find("searching: ");
  ASSERT_NE(lineAt, std::string::npos) << shown.err;
  const std::string line = shown.err.substr(lineAt, shown.err.find('\n', lineAt) - lineAt);
  double elapsed = 0;
  unsigned long long nodes = 0;
  int best = 0;
  EXPECT_EQ(std::sscanf(line.c_str(), "searching: %lf s, %llu nodes evaluated, best length %d",
                        &elapsed, &nodes, &best),
            3)
      << line;
  EXPECT_GE(elapsed, 1.0);
  EXPECT_GT(best, 0);
  EXPECT_NE(shown.err.find('\n', lineAt), std::string::npos);
  EXPECT_EQ(shown.err.find('\r'), std::string::npos);
  EXPECT_EQ(shown.out.find("searching"), std::string::npos);

  const ProgramRun silent = runRingmarch(longSolveWith({"--time-limit", "0.3", "--quiet"}));
  EXPECT_EQ(silent.exitStatus, kNotProven);
  EXPECT_TRUE(silent.err.empty()) << silent.err;
}

// ---- random ----

TEST(ProgramRandomTest, SameSeedSameInstanceOnStdout) {
  const ProgramRun first = runRingmarch({"random", "12", "--seed", "5"});
  const ProgramRun again = runRingmarch({"random", "12", "--seed", "5"});
  const ProgramRun other = runRingmarch({"random", "12", "--seed", "6"});
  ASSERT_EQ(first.exitStatus, kSuccess) << first.err;
  EXPECT_EQ(first.out, again.out);
  EXPECT_NE(first.out, other.out);
  EXPECT_TRUE(first.out.starts_with("NAME: random-12-seed-5\n")) << first.out;
  EXPECT_NE(first.out.find("EDGE_WEIGHT_TYPE: EUC_2D"), std::string::npos);
  EXPECT_TRUE(first.err.empty());
}

TEST(ProgramRandomTest, WrittenFilesHoldTheGeneratedInstanceInBothLayouts) {
  ScratchDirectory directory;
  auto expected = std::make_unique<ProblemData>();
  initProblemData(*expected);
  generateInstance(*expected, 12, 5);
  for (const char* format : {"euc2d", "fullmatrix"}) {
    const std::string path = directory.path(std::string(format) + ".tsp");
    const ProgramRun run =
        runRingmarch({"random", "12", "--seed", "5", "--format", format, "--output", path});
    ASSERT_EQ(run.exitStatus, kSuccess) << run.err;
    EXPECT_TRUE(run.out.empty());
    auto object = loadInstance(path);
    ASSERT_EQ(object->instance().count, 12) << format;
    for (int i = 0; i < 12; ++i) {
      for (int j = 0; j < 12; ++j) {
        EXPECT_EQ(object->instance().rows[i].dist[j], expected->rows[i].dist[j])
            << format << " " << i << "," << j;
      }
      EXPECT_EQ(object->instance().rows[i].x, expected->rows[i].x) << format;
    }
  }
  EXPECT_NE(fileContents(directory.path("fullmatrix.tsp")).find("FULL_MATRIX"), std::string::npos);
}

TEST(ProgramRandomTest, SolvedRandomInstanceMatchesTheReferenceOptimum) {
  const ProgramRun run = runRingmarch({"random", "13", "--seed", "77", "--solve", "--json"});
  ASSERT_EQ(run.exitStatus, kSuccess) << run.err;
  const JsonValue document = parsedStdout(run);
  EXPECT_EQ(document.at("seed").number(), 77);
  EXPECT_EQ(document.at("name").string(), "random-13-seed-77");
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  generateInstance(*problem, 13, 77);
  EXPECT_EQ(document.at("length").number(), heldKarpOptimum(*problem));
  EXPECT_EQ(closedTourLength(*problem, jsonTour(document)), heldKarpOptimum(*problem));

  const ProgramRun text = runRingmarch({"random", "13", "--seed", "77", "--solve"});
  EXPECT_EQ(resultLine(text.out, "seed"), " 77");
  const std::string optimum = std::to_string(heldKarpOptimum(*problem));
  EXPECT_EQ(resultLine(text.out, "length").substr(1), optimum);
}

TEST(ProgramRandomTest, WithoutASeedEachRunDiffers) {
  const ProgramRun first = runRingmarch({"random", "30"});
  const ProgramRun second = runRingmarch({"random", "30"});
  ASSERT_EQ(first.exitStatus, kSuccess);
  EXPECT_NE(first.out, second.out);
}

TEST(ProgramRandomTest, StdoutCannotCarryBothTheFileAndTheResult) {
  const ProgramRun run = runRingmarch({"random", "8", "--output", "-", "--solve"});
  EXPECT_EQ(run.exitStatus, kUsage);
  EXPECT_TRUE(run.out.empty());
  EXPECT_NE(run.err.find("--output -"), std::string::npos);
}

// ---- check ----

TEST(ProgramCheckTest, ValidAndInvalidMatricesInWords) {
  const ProgramRun valid = runRingmarch({"check", dataFile("gr17.tsp")});
  EXPECT_EQ(valid.exitStatus, kSuccess) << valid.err;
  EXPECT_NE(valid.out.find("17 cities"), std::string::npos) << valid.out;
  EXPECT_NE(valid.out.find("distances: valid"), std::string::npos) << valid.out;

  ScratchDirectory directory;
  struct Case {
    std::string matrix;
    std::string words;
    std::string code;
  };
  const std::vector<Case> cases = {
      {"0 3 5\n4 0 6\n5 6 0\n", "city 1 to city 2 is 3 but city 2 to city 1 is 4",
       "0x8004030C DistanceNotSymmetric: 都市間の距離は対称でなければなりません"},
      {"0 3 5\n3 2 6\n5 6 0\n", "the distance of city 2 to itself is 2, not 0",
       "0x8004030A SameCityDistanceNotZero: 同一都市の距離は０です。"},
      {"0 3 5\n3 0 0\n5 0 0\n", "city 2 and city 3 are 0 apart", "0x8004030B DistanceNotPositive"},
  };
  for (const Case& c : cases) {
    const std::string path = directory.write(
        "m.tsp",
        "DIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: FULL_MATRIX\n"
        "EDGE_WEIGHT_SECTION\n" +
            c.matrix + "EOF\n");
    const ProgramRun run = runRingmarch({"check", path});
    EXPECT_EQ(run.exitStatus, kBadInput) << c.words;
    EXPECT_NE(run.out.find(c.words), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(c.code), std::string::npos) << run.out;
  }
}

TEST(ProgramCheckTest, AtspFilesMayBeAsymmetric) {
  ScratchDirectory directory;
  auto atsp = [](const std::string& matrix) {
    return "NAME: ring\nTYPE: ATSP\nDIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\n"
           "EDGE_WEIGHT_FORMAT: FULL_MATRIX\nEDGE_WEIGHT_SECTION\n" +
           matrix + "EOF\n";
  };
  struct Case {
    std::string matrix;
    int exitStatus;
    std::string words;  // on the distances line
    bool asymmetric;
  };
  const std::vector<Case> cases = {
      {"0 3 20\n20 0 3\n3 20 0\n", kSuccess, "distances: valid, asymmetric", true},
      {"0 3 5\n3 0 6\n5 6 0\n", kSuccess, "distances: valid (symmetric", false},
      // One-way distances still obey the other rules, in both directions.
      {"0 3 20\n0 0 3\n3 20 0\n", kBadInput, "city 2 and city 1 are 0 apart", true},
      {"0 3 20\n20 4 3\n3 20 0\n", kBadInput, "the distance of city 2 to itself is 4", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.matrix);
    const std::string path = directory.write("ring.atsp", atsp(c.matrix));
    const ProgramRun run = runRingmarch({"check", path});
    EXPECT_EQ(run.exitStatus, c.exitStatus) << run.out << run.err;
    EXPECT_NE(run.out.find(c.words), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("DistanceNotSymmetric"), std::string::npos) << run.out;
    if (c.asymmetric && c.exitStatus == kSuccess) {
      EXPECT_NE(run.out.find("asymmetric: yes (city 1 to city 2 is 3, back 20)"), std::string::npos)
          << run.out;
    }
    const ProgramRun json = runRingmarch({"check", path, "--json"});
    EXPECT_EQ(json.exitStatus, c.exitStatus);
    const JsonValue document = parsedStdout(json);
    EXPECT_EQ(document.at("valid").boolean(), c.exitStatus == kSuccess);
    EXPECT_EQ(document.at("asymmetric").boolean(), c.asymmetric);
    EXPECT_EQ(document.at("code").number() == 0, c.exitStatus == kSuccess);
  }
}

TEST(ProgramCheckTest, JsonShape) {
  ScratchDirectory directory;
  const std::string path = directory.write("asym.tsp", kAsymmetricTsp);
  const ProgramRun run = runRingmarch({"check", path, "--json"});
  EXPECT_EQ(run.exitStatus, kBadInput);
  const JsonValue document = parsedStdout(run);
  EXPECT_EQ(document.at("name").string(), path);
  EXPECT_EQ(document.at("cities").number(), 3);
  EXPECT_FALSE(document.at("coordinates").boolean());
  EXPECT_FALSE(document.at("valid").boolean());
  EXPECT_EQ(document.at("code").number(), 12);
  EXPECT_EQ(document.at("error_name").string(), "DistanceNotSymmetric");
  const JsonValue* fault = document.find("first_fault");
  ASSERT_NE(fault, nullptr);
  // City numbers in JSON are 0-based, as in the solve's tour.
  EXPECT_EQ(fault->at("from").number(), 0);
  EXPECT_EQ(fault->at("to").number(), 1);
  EXPECT_EQ(fault->at("distance").number(), 3);
  EXPECT_EQ(fault->at("reverse").number(), 4);

  const ProgramRun valid = runRingmarch({"check", dataFile("bays29.tsp"), "--json"});
  EXPECT_EQ(valid.exitStatus, kSuccess);
  const JsonValue good = parsedStdout(valid);
  EXPECT_TRUE(good.at("valid").boolean());
  EXPECT_TRUE(good.at("coordinates").boolean());
  EXPECT_TRUE(good.at("solvable").boolean());
  EXPECT_EQ(good.find("first_fault"), nullptr);
}

// ---- convert ----

TEST(ProgramConvertTest, FullMatrixKeepsEveryDistance) {
  ScratchDirectory directory;
  const std::string input = dataFile("bays29.tsp");
  const std::string output = directory.path("bays29-full.tsp");
  const ProgramRun run = runRingmarch({"convert", input, output, "--format", "fullmatrix"});
  ASSERT_EQ(run.exitStatus, kSuccess) << run.err;
  EXPECT_TRUE(run.out.empty());
  auto original = loadInstance(input);
  auto converted = loadInstance(output);
  ASSERT_EQ(converted->instance().count, 29);
  for (int i = 0; i < 29; ++i) {
    for (int j = 0; j < 29; ++j) {
      ASSERT_EQ(converted->instance().rows[i].dist[j], original->instance().rows[i].dist[j]);
    }
  }
  EXPECT_EQ(converted->instance().hasCoordinates, 1);
}

TEST(ProgramConvertTest, Euc2dIsRefusedWhenItWouldChangeDistances) {
  ScratchDirectory directory;
  // Display coordinates that do not give the street distances.
  const std::string output = directory.path("out.tsp");
  const ProgramRun refused =
      runRingmarch({"convert", dataFile("bays29.tsp"), output, "--format", "euc2d"});
  EXPECT_EQ(refused.exitStatus, kBadInput);
  EXPECT_NE(refused.err.find("euc2d would change"), std::string::npos) << refused.err;
  EXPECT_FALSE(std::filesystem::exists(output));

  // No coordinates at all.
  const ProgramRun noCoordinates =
      runRingmarch({"convert", dataFile("gr17.tsp"), output, "--format", "euc2d"});
  EXPECT_EQ(noCoordinates.exitStatus, kBadInput);
  EXPECT_NE(noCoordinates.err.find("no coordinates"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(output));

  const ProgramRun forced =
      runRingmarch({"convert", dataFile("bays29.tsp"), output, "--format", "euc2d", "--force"});
  EXPECT_EQ(forced.exitStatus, kSuccess) << forced.err;
  EXPECT_NE(fileContents(output).find("EDGE_WEIGHT_TYPE: EUC_2D"), std::string::npos);
}

TEST(ProgramConvertTest, Euc2dRoundTripOfWholeCoordinates) {
  ScratchDirectory directory;
  const std::string input = directory.write("box.tsp", kBoxTsp);
  const std::string matrix = directory.path("box-full.tsp");
  const std::string back = directory.path("box-back.tsp");
  ASSERT_EQ(runRingmarch({"convert", input, matrix}).exitStatus, kSuccess);
  ASSERT_EQ(runRingmarch({"convert", matrix, back, "--format", "euc2d"}).exitStatus, kSuccess);
  auto original = loadInstance(input);
  auto roundTrip = loadInstance(back);
  for (int i = 0; i < 6; ++i) {
    for (int j = 0; j < 6; ++j) {
      EXPECT_EQ(roundTrip->instance().rows[i].dist[j], original->instance().rows[i].dist[j]);
    }
  }
  const ProgramRun solved = runRingmarch({"solve", back});
  EXPECT_EQ(resultLine(solved.out, "length"), " 200");
}

}  // namespace
}  // namespace ringmarch::testing
