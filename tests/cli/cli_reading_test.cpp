// The built ringmarch program on TSPLIB files as their users bring them: the tolerant reading by
// default and the strict one on request, errors that name the line and the reason, honest
// answers for asymmetric distances, output paths checked first, Ctrl-C, standard input and
// tours checked against an instance.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "model/generation.h"
#include "object/ringmarch_object.h"
#include "program_checks.h"
#include "support/scratch_files.h"
#include "support/tour_checker.h"
#include "tsplib/tolerant_tsp_reader.h"

namespace ringmarch::testing {
namespace {

std::unique_ptr<ProblemData> tolerantInstance(const std::string& path) {
  auto problem = emptyProblem();
  EXPECT_EQ(readTspFileTolerant(*problem, fileNamed(path)).code, ErrorCode::Success) << path;
  return problem;
}

// A random asymmetric FULL_MATRIX file and the instance it holds.
std::string asymmetricFile(int n, std::uint32_t seed, const std::string& type, int largest,
                           ProblemData* problem) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> distance(1, largest);
  std::string text = "NAME: asym\nTYPE: " + type + "\nDIMENSION: " + std::to_string(n) +
                     "\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: FULL_MATRIX\n"
                     "EDGE_WEIGHT_SECTION\n";
  if (problem != nullptr) problem->count = n;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const int d = i == j ? 0 : distance(random);
      if (problem != nullptr) problem->rows[i].dist[j] = d;
      text += std::to_string(d) + " ";
    }
    text += "\n";
  }
  return text + "EOF\n";
}

TEST(ProgramReadingTest, FilesTheStrictReaderRefusesSolveToTheirPublishedOptima) {
  const std::vector<std::pair<std::string, int>> files = {{"burma14.tsp", 3323},
                                                          {"ulysses16.tsp", 6859},
                                                          {"ulysses22.tsp", 7013},
                                                          {"swiss42.tsp", 1273}};
  for (const auto& [file, optimum] : files) {
    SCOPED_TRACE(file);
    const std::string path = dataFile(file);
    const ProgramRun run = runRingmarch({"solve", path, "--json"});
    ASSERT_EQ(run.exitStatus, kSuccess) << run.err;
    const JsonValue document = parsedStdout(run);
    EXPECT_EQ(document.at("length").number(), optimum);
    EXPECT_TRUE(document.at("optimal").boolean());
    EXPECT_FALSE(document.at("asymmetric").boolean());
    const std::vector<int> tour = jsonTour(document);
    auto problem = tolerantInstance(path);
    ASSERT_EQ(tourDefect(tour, problem->count), "");
    EXPECT_EQ(closedTourLength(*problem, tour), optimum);
  }
}

TEST(ProgramReadingTest, StrictModeAnswersWithTheComponentsCodes) {
  ScratchDirectory directory;
  // The shipped files, and the strict reader's own edge cases.
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(RINGMARCH_TEST_DATA_DIR)) {
    if (entry.path().extension() == ".tsp") paths.push_back(entry.path().string());
  }
  const std::vector<std::string> texts = {
      " DIMENSION: 3\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n1 0 0\n2 3 4\n3 0 4\n",
      "EDGE_WEIGHT_TYPE: EUC_2D\nDIMENSION: 3\nNODE_COORD_SECTION\n1 0 0\n2 3 4\n3 0 4\n",
      "DIMENSION: 3\nEDGE_WEIGHT_TYPE: CEIL_2D\nNODE_COORD_SECTION\n1 0 0\n2 3 4\n3 0 4\n",
      "DIMENSION: 3\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION \n1 0 0\n2 3 4\n3 0 4\n",
      "DIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_SECTION\n5 4 3\n",
      "DIMENSION: 3\nEDGE_WEIGHT_TYPE: GEO\nNODE_COORD_SECTION\n1 0 0\n2 3 4\n3 0 4\n",
      "DIMENSION: 128\nEDGE_WEIGHT_TYPE: EUC_2D\n",
      "DIMENSION: 3\nEDGE_WEIGHT_TYPE: ATT\nNODE_COORD_SECTION\n1 0 0\n2 0 10\n3 0 100\n",
  };
  for (std::size_t k = 0; k < texts.size(); ++k) {
    paths.push_back(directory.write("case" + std::to_string(k) + ".tsp", texts[k]));
  }
  ASSERT_GE(paths.size(), 30u);
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    RingmarchObject object;
    const OperationResult component = object.ReadTspFile(fileNamed(path));
    const ProgramRun run = runRingmarch({"check", path, "--strict", "--json"});
    const JsonValue document = parsedStdout(run);
    if (component == kSuccessResult) {
      EXPECT_EQ(document.find("error"), nullptr) << run.out;
      EXPECT_EQ(document.at("cities").number(), object.instance().count);
    } else {
      ASSERT_NE(document.find("error"), nullptr) << run.out;
      EXPECT_EQ(document.at("error").at("code").number(), static_cast<double>(lastError().code));
      EXPECT_EQ(run.exitStatus, kBadInput);
    }
  }
}

TEST(ProgramReadingTest, RefusedFilesSayWhatAndWhere) {
  ScratchDirectory directory;
  struct Case {
    std::vector<std::string> arguments;  // "@" stands for the file
    std::string contents;                // written to the file unless it is a directory
    std::string message;                 // the whole error line on stderr, after the file
    int line;                            // the JSON error's line, 0 for none
  };
  const std::string jp2 =
      "0x80040302 FileReadFailed: " + std::string(errorText(ErrorCode::FileReadFailed));
  const std::vector<Case> cases = {
      {{"solve", "@"},
       "NAME: h\nTYPE: HCP\nDIMENSION: 4\n",
       "(line 2: TYPE 'HCP': this solver solves TSP and ATSP instances): 0x80040304 "
       "FileFormatError",
       2},
      {{"solve", "@"},
       "DIMENSION: 100001\nEDGE_WEIGHT_TYPE: EUC_2D\n",
       "(line 1: 100001 cities; at most 100000): 0x80040306 TooManyCities",
       1},
      {{"check", "@"},
       "DIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: UPPER_ROW\n"
       "EDGE_WEIGHT_SECTION\n5 4\nEOF\n",
       "(line 5: too few numbers: EDGE_WEIGHT_SECTION holds 2 numbers; 3 cities need 3 "
       "(UPPER_ROW layout)): " +
           jp2,
       5},
      {{"convert", "@", directory.path("out.tsp")},
       "DIMENSION: 3\nEDGE_WEIGHT_TYPE: EUC_9D\n",
       "(line 2: unknown EDGE_WEIGHT_TYPE 'EUC_9D'): 0x80040304 FileFormatError",
       2},
      {{"solve", "@"},
       "NAME: x\nDIMENSION: 3\n",
       "(no EDGE_WEIGHT_TYPE line: the distance rule is missing): 0x80040304 FileFormatError",
       0},
      {{"solve", "@"}, "", "(the file is empty): " + jp2, 0},
      {{"solve", "@", "--strict"},
       "NAME: g\nDIMENSION: 3\nEDGE_WEIGHT_TYPE: GEO\nNODE_COORD_SECTION\n1 1 1\n2 2 2\n3 3 3\n",
       "(line 3: EDGE_WEIGHT_TYPE GEO has no distance rule in the strict reader (the tolerant "
       "reader reads the file)): " +
           jp2,
       3},
      {{"solve", "@", "--strict"},
       "DIMENSION: 3\nEDGE_WEIGHT_TYPE: EUC_2D\n",
       "(no NODE_COORD_SECTION: EDGE_WEIGHT_TYPE EUC_2D (line 2) computes distances from it): " +
           jp2,
       0},
      {{"solve", "@", "--strict"},
       "NAME: big\nDIMENSION: 200\n",
       "(line 2: 200 cities; the strict reader takes at most 127): 0x80040306 TooManyCities",
       2},
  };
  for (const Case& c : cases) {
    const std::string path = directory.write("bad.tsp", c.contents);
    std::vector<std::string> arguments;
    for (const std::string& argument : c.arguments)
      arguments.push_back(argument == "@" ? path : argument);
    SCOPED_TRACE(c.message);
    const ProgramRun run = runRingmarch(arguments);
    EXPECT_EQ(run.exitStatus, kBadInput);
    EXPECT_NE(run.err.find("ringmarch: cannot read '" + path + "' " + c.message), std::string::npos)
        << run.err;
    if (arguments[0] == "convert") continue;  // convert prints no JSON
    arguments.push_back("--json");
    const JsonValue error = parsedStdout(runRingmarch(arguments)).at("error");
    const JsonValue* line = error.find("line");
    EXPECT_EQ(line == nullptr ? 0 : line->number(), c.line);
    EXPECT_NE(c.message.find(error.at("reason").string()), std::string::npos)
        << error.at("reason").string();
  }
  const ProgramRun folder = runRingmarch({"solve", directory.path("")});
  EXPECT_NE(folder.err.find("(is a directory): " + jp2), std::string::npos) << folder.err;
  EXPECT_EQ(folder.exitStatus, kBadInput);
}

TEST(ProgramReadingTest, StrictRefusalsNameTheLineRuleTheFileBreaks) {
  ScratchDirectory directory;
  const std::string cities = "NODE_COORD_SECTION\n1 0 0\n2 3 4\n3 0 4\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"EDGE_WEIGHT_TYPE: EUC_2D\nDIMENSION: 3\n" + cities,
       "(line 1: EDGE_WEIGHT_TYPE comes before DIMENSION (line 2); the strict reader looks for it "
       "only after; the tolerant reader reads the file): 0x80040304 FileFormatError"},
      {"dimension: 3\nEDGE_WEIGHT_TYPE: EUC_2D\n" + cities,
       "(line 1: the strict reader needs DIMENSION in upper case from the first column; the "
       "tolerant reader reads the file): 0x80040302 FileReadFailed"},
      {"DIMENSION: 3\n  EDGE_WEIGHT_TYPE: EUC_2D\n" + cities,
       "(line 2: the strict reader needs EDGE_WEIGHT_TYPE in upper case from the first column; "
       "the tolerant reader reads the file): 0x80040304 FileFormatError"},
      {fileContents(dataFile("swiss42.tsp")),
       "(line 7: the strict reader needs the section line EDGE_WEIGHT_SECTION alone, without "
       "blanks or other case; the tolerant reader reads the file): 0x80040302 FileReadFailed"},
  };
  for (const auto& [text, message] : cases) {
    const std::string path = directory.write("strict.tsp", text);
    const ProgramRun strict = runRingmarch({"check", path, "--strict"});
    EXPECT_EQ(strict.exitStatus, kBadInput);
    EXPECT_NE(strict.err.find("cannot read '" + path + "' " + message), std::string::npos)
        << strict.err;
    EXPECT_EQ(runRingmarch({"check", path}).exitStatus, kSuccess);
  }
}

TEST(ProgramReadingTest, UsageErrorsAreJsonWhenJsonWasAskedFor) {
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"solve", "--json", "--bogus"},
                                             {"random", "100001", "--json", "--solve"},
                                             {"check", "--json"}}) {
    const ProgramRun run = runRingmarch(arguments);
    EXPECT_EQ(run.exitStatus, kUsage);
    const JsonValue error = parsedStdout(run).at("error");
    EXPECT_FALSE(error.at("message").string().empty());
    EXPECT_TRUE(error.at("usage").string().starts_with("usage: ringmarch ")) << run.out;
    EXPECT_EQ(error.at("exit_status").number(), kUsage);
  }
}

TEST(ProgramAsymmetricTest, AsymmetricMatricesAreSolvedExactlyAsDirectedTours) {
  ScratchDirectory directory;
  for (std::uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    auto problem = emptyProblem();
    const std::string type = seed % 2 == 0 ? "ATSP" : "TSP";
    const std::string path =
        directory.write("asym.tsp", asymmetricFile(8, seed, type, 200, problem.get()));
    const ProgramRun run = runRingmarch({"solve", path, "--json", "--quiet"});
    ASSERT_EQ(run.exitStatus, kSuccess) << run.err;
    const JsonValue document = parsedStdout(run);
    EXPECT_TRUE(document.at("asymmetric").boolean());
    EXPECT_TRUE(document.at("optimal").boolean());
    const std::vector<int> tour = jsonTour(document);
    ASSERT_EQ(tourDefect(tour, 8), "");
    EXPECT_EQ(closedTourLength(*problem, tour), document.at("length").number());
    EXPECT_EQ(document.at("length").number(), directedHeldKarpOptimum(*problem));
  }
  // The text result says so, and the warning no longer calls a symmetric search's tour shortest.
  const std::string path = directory.write("asym.tsp", asymmetricFile(8, 3, "TSP", 200, nullptr));
  const ProgramRun text = runRingmarch({"solve", path});
  EXPECT_EQ(resultLine(text.out, "asymmetric"), " yes (a directed tour, measured as listed)");
  EXPECT_EQ(resultLine(text.out, "optimal"), " yes");
  EXPECT_NE(text.err.find("solved exactly as a directed tour"), std::string::npos) << text.err;

  // ATSP files often fill the diagonal with a large number: no tour uses it.
  const std::string filled = directory.write(
      "filled.tsp",
      "TYPE: ATSP\nDIMENSION: 4\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: FULL_MATRIX\n"
      "EDGE_WEIGHT_SECTION\n9999 1 5 5\n5 9999 1 5\n5 5 9999 1\n1 5 5 9999\n");
  const ProgramRun diagonal = runRingmarch({"solve", filled});
  EXPECT_EQ(diagonal.exitStatus, kSuccess) << diagonal.err;
  EXPECT_EQ(resultLine(diagonal.out, "length"), " 4");
  EXPECT_NE(diagonal.err.find("distances are not symmetric: city 1 to city 2 is 1 but city 2 to "
                              "city 1 is 5; solved exactly"),
            std::string::npos)
      << diagonal.err;
}

TEST(ProgramAsymmetricTest, BeyondSixtyThreeCitiesTheCutEngineProvesAsymmetricTours) {
  ScratchDirectory directory;
  // 64 cities on a line, each step one longer to the right than to the left. A tour covers the
  // line twice (1260) and steps right at least once: 1261, from 0 to 63 at once, then back.
  std::string text =
      "NAME: line\nTYPE: TSP\nDIMENSION: 64\nEDGE_WEIGHT_TYPE: EXPLICIT\n"
      "EDGE_WEIGHT_FORMAT: FULL_MATRIX\nEDGE_WEIGHT_SECTION\n";
  for (int i = 0; i < 64; ++i) {
    for (int j = 0; j < 64; ++j) {
      text += std::to_string(i == j ? 0 : 10 * std::abs(i - j) + (j > i ? 1 : 0)) + " ";
    }
    text += "\n";
  }
  const std::string path = directory.write("line64.tsp", text);
  const ProgramRun run = runRingmarch({"solve", path, "--json", "--quiet"});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  const JsonValue document = parsedStdout(run);
  EXPECT_TRUE(document.at("optimal").boolean());
  EXPECT_TRUE(document.at("asymmetric").boolean());
  EXPECT_EQ(document.at("engine").string(), "cut");
  EXPECT_EQ(document.at("length").number(), 1261);
  EXPECT_EQ(tourDefect(jsonTour(document), 64), "");
  // The tour engine alone answers with a tour and a directed bound below it: not proven.
  const ProgramRun plain = runRingmarch({"solve", path, "--engine", "tour"});
  EXPECT_EQ(plain.exitStatus, kNotProven);
  EXPECT_NE(resultLine(plain.out, "optimal").find("not proven (the tour engine's lower bound"),
            std::string::npos)
      << plain.out;
  EXPECT_NE(plain.err.find("the tour is not proven optimal"), std::string::npos) << plain.err;

  // A file that calls itself ATSP goes to the cut engine beyond 63 cities too: a directed tour,
  // measured as listed, optimal only where its bound meets it.
  auto directed = emptyProblem();
  const std::string atsp =
      directory.write("big.tsp", asymmetricFile(64, 1, "ATSP", 50, directed.get()));
  const ProgramRun toured = runRingmarch({"solve", atsp, "--json", "--quiet"});
  const JsonValue result = parsedStdout(toured);
  EXPECT_EQ(result.at("engine").string(), "cut");
  EXPECT_TRUE(result.at("asymmetric").boolean());
  const std::vector<int> directedTour = jsonTour(result);
  ASSERT_EQ(tourDefect(directedTour, 64), "");
  EXPECT_EQ(closedTourLength(*directed, directedTour), result.at("length").number());
  EXPECT_LE(result.at("lower_bound").number(), result.at("length").number());
  EXPECT_EQ(toured.exitStatus, result.at("optimal").boolean() ? kSuccess : kNotProven);
}

TEST(ProgramAsymmetricTest, TheCanonicalEngineByNameKeepsItsUnprovenAnswerBeyondSixtyThree) {
  ScratchDirectory directory;
  std::string text =
      "NAME: line\nTYPE: TSP\nDIMENSION: 64\nEDGE_WEIGHT_TYPE: EXPLICIT\n"
      "EDGE_WEIGHT_FORMAT: FULL_MATRIX\nEDGE_WEIGHT_SECTION\n";
  for (int i = 0; i < 64; ++i) {
    for (int j = 0; j < 64; ++j) {
      text += std::to_string(i == j ? 0 : 10 * std::abs(i - j) + (j > i ? 1 : 0)) + " ";
    }
    text += "\n";
  }
  const std::string path = directory.write("line64.tsp", text);
  // A valid tour, not proven, and no bound: the symmetric search bounds no directed tour.
  const ProgramRun canonical =
      runRingmarch({"solve", path, "--engine", "canonical", "--json", "--quiet"});
  EXPECT_EQ(canonical.exitStatus, kNotProven) << canonical.err;
  const JsonValue exact = parsedStdout(canonical);
  EXPECT_EQ(exact.at("not_proven_reason").string(),
            "the distances are not symmetric, and exact solves of asymmetric instances take at "
            "most 63 cities");
  EXPECT_EQ(exact.at("lower_bound").number(), 0);
  EXPECT_EQ(tourDefect(jsonTour(exact), 64), "");
}

TEST(ProgramInterruptTest, CtrlCReportsAndWritesTheBestTourNotProven) {
  ScratchDirectory directory;
  const std::string tourPath = directory.path("best.tour");
  const ProgramRun run = runRingmarchInterrupted(
      longSolveWith({"--json", "--quiet", "--tour", tourPath}), 1.5 * kSlowBuildFactor);
  ASSERT_EQ(run.exitStatus, kInterrupted) << run.err << run.out;
  const JsonValue document = parsedStdout(run);
  EXPECT_FALSE(document.at("optimal").boolean());
  EXPECT_EQ(document.at("not_proven_reason").string(), "interrupted; best tour found so far");
  const std::vector<int> tour = jsonTour(document);
  ASSERT_EQ(tourDefect(tour, 121), "");
  RingmarchObject object;
  ASSERT_EQ(object.ReadTspFile(fileNamed(kLongSolveFile)), kSuccessResult);
  EXPECT_EQ(closedTourLength(object.instance(), tour), document.at("length").number());

  // The tour file holds the same tour.
  ASSERT_EQ(object.ReadTourFile(fileNamed(tourPath)), kSuccessResult);
  EXPECT_EQ(object.tour().length, document.at("length").number());

  const ProgramRun text =
      runRingmarchInterrupted(longSolveWith({"--quiet"}), 1.0 * kSlowBuildFactor);
  EXPECT_EQ(text.exitStatus, kInterrupted);
  EXPECT_EQ(resultLine(text.out, "optimal"), " not proven (interrupted; best tour found so far)");
}

TEST(ProgramOutputTest, OutputsAreCheckedBeforeTheSolveAndInputsNeverOverwritten) {
  ScratchDirectory directory;
  const std::string input = directory.write("in.tsp", fileContents(dataFile("burma14.tsp")));
  const std::string original = fileContents(input);
  const std::string missing = directory.path("nowhere/x.tour");
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::vector<Case> cases = {
      // The long solve would take tens of seconds: a quick answer shows it never started.
      {longSolveWith({"--tour", missing}), "cannot write the tour to '" + missing + "'"},
      {longSolveWith({"--svg", directory.path("")}), "is a directory"},
      {{"random", "10", "--output", missing}, "cannot write the instance to '" + missing + "'"},
      {{"solve", input, "--tour", input},
       "is the input file '" + input + "'; it is not written over"},
      {{"solve", input, "--svg", directory.path("./in.tsp")}, "is the input file"},
      {{"solve", input, "--tour", directory.path("a.out"), "--svg", directory.path("a.out")},
       "is also where the tour goes"},
      {{"convert", input, directory.path("./in.tsp")}, "is the input file"},
      {{"convert", input, missing},
       "its folder '" + directory.path("nowhere") + "' does not exist"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const ProgramRun run = runRingmarch(c.arguments);
    EXPECT_EQ(run.exitStatus, kBadInput);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_EQ(fileContents(input), original);
  }
  EXPECT_FALSE(fileExists(directory.path("a.out")));
}

TEST(ProgramOutputTest, Euc2dNeedsCoordinatesEvenWithForce) {
  ScratchDirectory directory;
  const std::string output = directory.path("gr17.tsp");
  const ProgramRun run =
      runRingmarch({"convert", dataFile("gr17.tsp"), output, "--format", "euc2d", "--force"});
  EXPECT_EQ(run.exitStatus, kBadInput);
  EXPECT_NE(run.err.find("has no coordinates: euc2d would lose its distances"), std::string::npos)
      << run.err;
  EXPECT_FALSE(fileExists(output));
}

TEST(ProgramOutputTest, ConvertedFilesReadBackToTheSameDistances) {
  ScratchDirectory directory;
  for (const char* file : {"burma14.tsp", "ulysses22.tsp", "swiss42.tsp"}) {
    SCOPED_TRACE(file);
    const std::string output = directory.path(std::string("full-") + file);
    const ProgramRun run = runRingmarch({"convert", dataFile(file), output});
    ASSERT_EQ(run.exitStatus, kSuccess) << run.err;
    auto original = tolerantInstance(dataFile(file));
    RingmarchObject strict;
    ASSERT_EQ(strict.ReadTspFile(fileNamed(output)), kSuccessResult);
    for (int i = 0; i < original->count; ++i) {
      for (int j = 0; j < original->count; ++j) {
        ASSERT_EQ(strict.instance().rows[i].dist[j], original->rows[i].dist[j]);
      }
    }
  }
  // To standard output, with "-" as input too.
  const std::string text = fileContents(dataFile("burma14.tsp"));
  const ProgramRun piped = runRingmarchWithInput({"convert", "-", "-"}, text);
  ASSERT_EQ(piped.exitStatus, kSuccess) << piped.err;
  EXPECT_NE(piped.out.find("EDGE_WEIGHT_FORMAT: FULL_MATRIX"), std::string::npos) << piped.out;
  EXPECT_TRUE(piped.out.starts_with("NAME: -\n")) << piped.out;
}

TEST(ProgramInputTest, DashReadsStandardInput) {
  const std::string text = fileContents(dataFile("ulysses16.tsp"));
  const ProgramRun solve = runRingmarchWithInput({"solve", "-", "--json"}, text);
  ASSERT_EQ(solve.exitStatus, kSuccess) << solve.err;
  const JsonValue document = parsedStdout(solve);
  // The result is named by the file's NAME keyword, as found by the reader that read it.
  EXPECT_EQ(document.at("name").string(), "ulysses16.tsp");
  EXPECT_EQ(document.at("length").number(), 6859);
  struct NameCase {
    std::string text;
    std::vector<std::string> options;
    std::string name;
  };
  const std::string box =
      "DIMENSION: 4\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n1 0 0\n2 3 0\n3 3 4\n"
      "4 0 4\nEOF\n";
  const std::vector<NameCase> names = {
      {"NAME: box4\n" + box, {}, "box4"},
      {"  name   box four  \r\n" + box, {}, "box four"},
      {"NAME : strict box\n" + box, {"--strict"}, "strict box"},
      {box, {}, "-"},
      {"NAME:\n" + box, {}, "-"},
  };
  for (const NameCase& c : names) {
    std::vector<std::string> arguments = {"solve", "-"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const ProgramRun named = runRingmarchWithInput(arguments, c.text);
    EXPECT_EQ(named.exitStatus, kSuccess) << named.err;
    EXPECT_EQ(resultLine(named.out, "name"), " " + c.name) << c.text;
  }
  const ProgramRun check = runRingmarchWithInput({"check", "-"}, text);
  EXPECT_EQ(check.exitStatus, kSuccess);
  EXPECT_TRUE(check.out.starts_with("-: 16 cities, with coordinates\n")) << check.out;
  const ProgramRun strict = runRingmarchWithInput({"check", "-", "--strict"}, text);
  EXPECT_EQ(strict.exitStatus, kBadInput);
  EXPECT_NE(strict.err.find("EDGE_WEIGHT_TYPE GEO has no distance rule in the strict reader"),
            std::string::npos)
      << strict.err;
}

TEST(ProgramCheckTourTest, PublishedToursAreMeasuredAgainstTheInstance) {
  const ProgramRun run =
      runRingmarch({"check", dataFile("ulysses16.tsp"), "--tour", dataFile("ulysses16.opt.tour")});
  EXPECT_EQ(run.exitStatus, kSuccess) << run.err;
  const std::string expected =
      dataFile("ulysses16.opt.tour") + ": valid, every city once, length 6859";
  EXPECT_EQ(resultLine(run.out, "tour").substr(1), expected) << run.out;

  const ProgramRun json = runRingmarch(
      {"check", dataFile("berlin52.tsp"), "--tour", dataFile("berlin52.opt.tour"), "--json"});
  EXPECT_EQ(json.exitStatus, kSuccess) << json.err;
  const JsonValue document = parsedStdout(json);
  EXPECT_TRUE(document.at("tour_valid").boolean());
  EXPECT_EQ(document.at("tour_length").number(), 7542);
  EXPECT_EQ(document.at("tour_file").string(), dataFile("berlin52.opt.tour"));
  const std::vector<int> tour = jsonTour(document);
  ASSERT_EQ(tour.size(), 52u);
  EXPECT_EQ(tour[0], 0);  // 0-based: the file's city 1
  EXPECT_EQ(document.find("tour_fault"), nullptr);

  ScratchDirectory directory;
  const std::string twice = directory.write(
      "twice.tour",
      "TYPE: TOUR\nDIMENSION: 14\nTOUR_SECTION\n1 2 3 4 5 6 7 8 9 10 11 12 13 13\n-1\n");
  const ProgramRun bad =
      runRingmarch({"check", dataFile("burma14.tsp"), "--tour", twice, "--json"});
  EXPECT_EQ(bad.exitStatus, kBadInput);
  const JsonValue badDocument = parsedStdout(bad);
  EXPECT_FALSE(badDocument.at("tour_valid").boolean());
  EXPECT_EQ(badDocument.at("tour_fault").string(),
            "city 13 is visited twice; city 14 is not visited");

  const std::string wrongSize =
      directory.write("short.tour", "DIMENSION: 3\nTOUR_SECTION\n1 2 3\n-1\n");
  const ProgramRun mismatch = runRingmarch({"check", dataFile("burma14.tsp"), "--tour", wrongSize});
  EXPECT_EQ(mismatch.exitStatus, kBadInput);
  EXPECT_NE(mismatch.err.find("cannot read the tour '" + wrongSize +
                              "' (line 1: its DIMENSION 3 differs from the instance's 14 cities"),
            std::string::npos)
      << mismatch.err;
  EXPECT_NE(mismatch.err.find("0x80040307 CityIdOutOfRange"), std::string::npos);
}

// Published optima by instance file, from tests/data/INDEX.tsv.
std::map<std::string, long long> publishedOptima() {
  std::ifstream index(dataFile("INDEX.tsv"));
  std::map<std::string, long long> optima;
  std::string line;
  std::getline(index, line);  // column names
  while (std::getline(index, line)) {
    std::istringstream fields(line);
    std::string file, dimension, type, format, display;
    long long optimum = 0;
    if (fields >> file >> dimension >> type >> format >> display >> optimum) optima[file] = optimum;
  }
  return optima;
}

TEST(ProgramCheckTourTest, EveryShippedOptimalTourHasThePublishedLength) {
  const std::map<std::string, long long> optima = publishedOptima();
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dataFile(""))) {
    const std::string tourName = entry.path().filename().string();
    if (!tourName.ends_with(".opt.tour")) continue;
    const std::string instance = tourName.substr(0, tourName.size() - 9) + ".tsp";
    SCOPED_TRACE(tourName);
    ASSERT_TRUE(optima.count(instance)) << instance << " is not in INDEX.tsv";
    const ProgramRun run =
        runRingmarch({"check", dataFile(instance), "--tour", dataFile(tourName)});
    EXPECT_EQ(run.exitStatus, kSuccess) << run.out << run.err;
    std::string expected = dataFile(tourName);
    expected.append(": valid, every city once, length ");
    expected.append(std::to_string(optima.at(instance)));
    EXPECT_EQ(resultLine(run.out, "tour").substr(1), expected) << run.out;
    ++checked;
  }
  // All nineteen: rd100's, with no DIMENSION and ten cities a line, ulysses16's (GEO), and those
  // of instances beyond the object's 127 cities (ch130, brg180, a280, pcb442).
  EXPECT_EQ(checked, 19);
}

TEST(ProgramCheckTourTest, RefusedToursSayWhyWithTheLine) {
  ScratchDirectory directory;
  struct Case {
    std::string tour;
    int exitStatus;
    std::string words;  // on stderr for unreadable tours, on the tour line otherwise
    bool onStdout;
  };
  const std::vector<Case> cases = {
      {"TOUR_SECTION\n1 2 3 4 5 6 7 8 9 10 11 12 13 15\n-1\n", kBadInput,
       "(line 2: city 15 is out of range: the instance has 14 cities, numbered 1 to 14): "
       "0x80040307 CityIdOutOfRange",
       false},
      {"DIMENSION: 16\nTOUR_SECTION\n1\n", kBadInput,
       "(line 1: its DIMENSION 16 differs from the instance's 14 cities): 0x80040307", false},
      {"TOUR_SECTION\n1 2 3 4 5 6 7\n8 9 10 11 12 13\n-1\n", kBadInput,
       "not a tour of the instance: line 4: city 14 is missing: the tour ends after 13 cities of "
       "14",
       true},
      {"TOUR_SECTION\n1 2 3 4 5 6 7\n8 9 10 11 12 13 7\n-1\n", kBadInput,
       "not a tour of the instance: line 3: city 7 is listed twice (first on line 2); city 14 is "
       "missing",
       true},
      {"TOUR_SECTION\n1 2 3 4 5 6 7 8 9 10 11 12 13 14\n3\n-1\n", kBadInput,
       "not a tour of the instance: line 3: city 3 is listed twice (first on line 2)", true},
      {"tour_section\n14 13 12 11 10 9 8 7 6 5 4 3 2 1", kSuccess, "valid, every city once", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tour);
    const std::string path = directory.write("t.tour", c.tour);
    const ProgramRun run = runRingmarch({"check", dataFile("burma14.tsp"), "--tour", path});
    EXPECT_EQ(run.exitStatus, c.exitStatus);
    EXPECT_NE((c.onStdout ? run.out : run.err).find(c.words), std::string::npos)
        << run.out << run.err;
  }
  // A TSP file given as the tour is named as such, also in JSON with the line.
  const ProgramRun instead =
      runRingmarch({"check", dataFile("burma14.tsp"), "--tour", dataFile("burma14.tsp"), "--json"});
  EXPECT_EQ(instead.exitStatus, kBadInput);
  const JsonValue error = parsedStdout(instead).at("error");
  EXPECT_EQ(error.at("name").string(), "FileFormatError");
  EXPECT_EQ(error.at("line").number(), 2);
  EXPECT_NE(error.at("reason").string().find("TYPE TSP: this is a TSP instance, not a tour"),
            std::string::npos);
  // With --strict the component's reader is used, which needs DIMENSION.
  const ProgramRun strict = runRingmarch(
      {"check", dataFile("rd100.tsp"), "--tour", dataFile("rd100.opt.tour"), "--strict"});
  EXPECT_EQ(strict.exitStatus, kBadInput);
  EXPECT_NE(strict.err.find("0x80040302 FileReadFailed"), std::string::npos) << strict.err;
}

TEST(ProgramSolveOptionsTest, TimeLimitsInExponentForm) {
  const ProgramRun run = runRingmarch(longSolveWith({"--time-limit", "3e-1", "--json", "--quiet"}));
  EXPECT_EQ(run.exitStatus, kNotProven) << run.err;
  const JsonValue document = parsedStdout(run);
  EXPECT_EQ(document.at("time_limit").number(), 0.3);
  EXPECT_EQ(document.at("not_proven_reason").string(),
            "time limit of 0.3 s reached; best tour found so far");
}

}  // namespace
}  // namespace ringmarch::testing
