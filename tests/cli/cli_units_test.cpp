// The command line's parts on their own: argument parsing, JSON text, the SVG picture, the
// progress monitor and the built-in instance.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/default_instance.h"
#include "cli/distance_check.h"
#include "cli/json_output.h"
#include "cli/progress.h"
#include "cli/random_instance.h"
#include "cli/svg_drawing.h"
#include "instance/problem_conversion.h"
#include "json_value.h"
#include "model/generation.h"
#include "support/scratch_files.h"
#include "tsplib/strict_tsp_reader.h"
#include "tsplib/tolerant_tsp_reader.h"
#include "tsplib/tsp_file.h"

namespace ringmarch::cli {
namespace {

using ringmarch::testing::JsonValue;
using ringmarch::testing::parseJson;

ParseResult parse(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "ringmarch");
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  return parseCommandLine(static_cast<int>(argv.size()), argv.data());
}

// ---- argument parsing ----

struct RejectedCase {
  std::vector<std::string> arguments;
  std::string messagePart;
  std::string usageOf;
};

TEST(CommandLineTest, RejectsBadRequestsWithAReasonAndTheCommandsUsage) {
  const std::vector<RejectedCase> cases = {
      {{}, "no command", ""},
      {{"frobnicate"}, "unknown command 'frobnicate'", ""},
      {{"solve", "a.tsp", "b.tsp"}, "at most one file", "solve"},
      {{"solve", "--bogus"}, "unknown option '--bogus'", "solve"},
      {{"solve", "--tour"}, "--tour needs a file name", "solve"},
      {{"solve", "--svg="}, "--svg needs a file name", "solve"},
      {{"solve", "--time-limit", "0"}, "positive number of seconds", "solve"},
      {{"solve", "--time-limit", "-2"}, "positive number of seconds", "solve"},
      {{"solve", "--time-limit", "1e9999"}, "positive number of seconds", "solve"},
      {{"solve", "--time-limit", "nan"}, "positive number of seconds", "solve"},
      {{"solve", "--time-limit", "3s"}, "positive number of seconds", "solve"},
      {{"solve", "--json=yes"}, "--json takes no value", "solve"},
      {{"solve", "--engine", "branch"}, "--engine needs auto, canonical, tour or cut", "solve"},
      {{"solve", "--engine=Tour"}, "--engine needs auto, canonical, tour or cut", "solve"},
      {{"solve", "--engine"}, "--engine needs auto, canonical, tour or cut", "solve"},
      {{"random", "5", "--engine", "tour"}, "--engine needs --solve", "random"},
      {{"solve", "--seed", "3"}, "unknown option '--seed'", "solve"},
      {{"random"}, "number of cities", "random"},
      {{"random", "ten"}, "whole number", "random"},
      {{"random", "0"}, "at least 1", "random"},
      {{"random", "-4"}, "at least 1", "random"},
      // A count too large for 32 bits is still a count of too many cities.
      {{"random", "99999999999"}, "99999999999 cities; at most 100000", "random"},
      {{"random", "2147483648"}, "2147483648 cities; at most 100000", "random"},
      {{"random", "+00100001"}, "100001 cities; at most 100000", "random"},
      {{"random", "10", "--seed", "4294967296"}, "--seed", "random"},
      {{"random", "10", "--seed", "-1"}, "--seed", "random"},
      {{"random", "10", "--format", "xml"}, "euc2d or fullmatrix", "random"},
      {{"random", "10", "--tour", "t.tour"}, "--tour needs --solve", "random"},
      {{"random", "10", "--json"}, "--json needs --solve", "random"},
      {{"check"}, "exactly one file", "check"},
      {{"check", "a.tsp", "b.tsp"}, "exactly one file", "check"},
      {{"check", "a.tsp", "--tour"}, "--tour needs a file name", "check"},
      {{"check", "a.tsp", "--strict=1"}, "--strict takes no value", "check"},
      {{"random", "10", "--strict"}, "unknown option '--strict'", "random"},
      {{"random", "100001"}, "100001 cities; at most 100000", "random"},
      {{"random", "5", "--output", "-", "--solve"}, "--output - cannot be combined", "random"},
      {{"convert", "a.tsp", "a.tsp"}, "would write over its input 'a.tsp'", "convert"},
      {{"convert", "a.tsp"}, "input and an output", "convert"},
      {{"convert", "a.tsp", "b.tsp", "--format"}, "euc2d or fullmatrix", "convert"},
      {{"convert", "a.tsp", "b.tsp", "--solve"}, "unknown option", "convert"},
  };
  for (const RejectedCase& c : cases) {
    const ParseResult result = parse(c.arguments);
    std::string shown;
    for (const std::string& a : c.arguments) shown += a + " ";
    EXPECT_FALSE(result.request.has_value()) << shown;
    EXPECT_NE(result.error.find(c.messagePart), std::string::npos)
        << shown << "-> " << result.error;
    EXPECT_EQ(result.command, c.usageOf) << shown;
  }
}

TEST(CommandLineTest, SolveTakesItsOptionsInEitherForm) {
  const ParseResult result = parse({"solve", "in.tsp", "--tour", "out.tour", "--svg=out.svg",
                                    "--json", "--quiet", "--time-limit=2.5"});
  ASSERT_TRUE(result.request) << result.error;
  const Request& request = *result.request;
  EXPECT_EQ(request.command, Command::Solve);
  EXPECT_EQ(request.files, std::vector<std::string>{"in.tsp"});
  EXPECT_EQ(request.solve.tourPath, "out.tour");
  EXPECT_EQ(request.solve.svgPath, "out.svg");
  EXPECT_TRUE(request.solve.json);
  EXPECT_TRUE(request.solve.quiet);
  EXPECT_EQ(request.solve.timeLimitSeconds, 2.5);
  EXPECT_EQ(request.solve.engine, Engine::Auto);
  for (const auto& [name, engine] :
       {std::pair{"auto", Engine::Auto}, std::pair{"canonical", Engine::Canonical},
        std::pair{"tour", Engine::Tour}}) {
    const ParseResult chosen = parse({"solve", "--engine", name});
    ASSERT_TRUE(chosen.request) << chosen.error;
    EXPECT_EQ(chosen.request->solve.engine, engine) << name;
  }
  EXPECT_NE(helpText("solve").find("--engine"), std::string::npos);
}

TEST(CommandLineTest, SolveWithoutAFileMeansTheBuiltInInstance) {
  const ParseResult result = parse({"solve"});
  ASSERT_TRUE(result.request);
  EXPECT_TRUE(result.request->files.empty());
  EXPECT_FALSE(result.request->solve.json);
  EXPECT_FALSE(result.request->solve.timeLimitSeconds);
}

TEST(CommandLineTest, DoubleDashEndsTheOptions) {
  const ParseResult result = parse({"solve", "--json", "--", "--odd-name.tsp"});
  ASSERT_TRUE(result.request) << result.error;
  EXPECT_EQ(result.request->files, std::vector<std::string>{"--odd-name.tsp"});
  EXPECT_TRUE(result.request->solve.json);
}

TEST(CommandLineTest, RandomReadsCountSeedFormatAndSolveOptions) {
  const ParseResult result = parse({"random", "25", "--seed", "4294967295", "--format",
                                    "fullmatrix", "--output", "out.tsp", "--solve", "--json"});
  ASSERT_TRUE(result.request) << result.error;
  const Request& request = *result.request;
  EXPECT_EQ(request.command, Command::Random);
  EXPECT_EQ(request.cityCount, 25);
  EXPECT_EQ(request.seed, 4294967295u);
  EXPECT_EQ(request.format, kTspFileFullMatrix);
  EXPECT_EQ(request.outputPath, "out.tsp");
  EXPECT_TRUE(request.solveRandom);
  EXPECT_TRUE(request.solve.json);

  const ParseResult largest = parse({"random", "127"});
  ASSERT_TRUE(largest.request);
  EXPECT_EQ(largest.request->cityCount, 127);
  EXPECT_FALSE(largest.request->seed);
}

TEST(CommandLineTest, ConvertAndCheckTakeTheirFiles) {
  const ParseResult convert = parse({"convert", "a.tsp", "b.tsp", "--format=euc2d", "--force"});
  ASSERT_TRUE(convert.request) << convert.error;
  EXPECT_EQ(convert.request->files, (std::vector<std::string>{"a.tsp", "b.tsp"}));
  EXPECT_EQ(convert.request->format, kTspFileEuc2d);
  EXPECT_TRUE(convert.request->force);

  const ParseResult check = parse({"check", "-", "--json"});
  ASSERT_TRUE(check.request) << check.error;
  EXPECT_EQ(check.request->files, std::vector<std::string>{"-"});
  EXPECT_TRUE(check.request->solve.json);
}

TEST(CommandLineTest, HelpIsFoundAnywhereAndDocumentsEveryOption) {
  for (const auto& arguments :
       std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"help"}, {"check", "-h"}}) {
    const ParseResult result = parse(arguments);
    ASSERT_TRUE(result.request);
    EXPECT_EQ(result.request->command, Command::Help);
  }
  const ParseResult solveHelp = parse({"solve", "--help"});
  ASSERT_TRUE(solveHelp.request);
  EXPECT_EQ(solveHelp.request->helpTopic, "solve");

  const std::string help = helpText("");
  for (const char* option :
       {"--tour", "--svg", "--json", "--quiet", "--time-limit", "--seed", "--output", "--format",
        "--solve", "--force", "--version", "solve", "random", "check", "convert"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
  // Each command's own help carries its options.
  EXPECT_NE(helpText("random").find("--seed S"), std::string::npos);
  EXPECT_NE(helpText("random").find("--time-limit"), std::string::npos);
  EXPECT_NE(helpText("convert").find("--force"), std::string::npos);
  EXPECT_EQ(helpText("check").find("--force"), std::string::npos);
  // ... and only its own: options and exit statuses of other commands stay out.
  EXPECT_NE(helpText("check").find("--tour FILE.tour"), std::string::npos);
  EXPECT_EQ(helpText("check").find("--time-limit"), std::string::npos);
  EXPECT_EQ(helpText("check").find("130"), std::string::npos);
  EXPECT_EQ(helpText("convert").find("--svg"), std::string::npos);
  EXPECT_EQ(helpText("convert").find("not proven"), std::string::npos);
  EXPECT_NE(helpText("solve").find("130 interrupted"), std::string::npos);
  EXPECT_NE(helpText("solve").find("--strict"), std::string::npos);
  EXPECT_EQ(helpText("solve").find("--seed"), std::string::npos);
  EXPECT_EQ(helpText("solve").find("--force"), std::string::npos);
}

TEST(CommandLineTest, StrictAndTourOptionsAndJsonUsageErrors) {
  const ParseResult check = parse({"check", "a.tsp", "--tour=a.tour", "--strict"});
  ASSERT_TRUE(check.request) << check.error;
  EXPECT_EQ(check.request->tourToCheck, "a.tour");
  EXPECT_TRUE(check.request->strict);
  const ParseResult solve = parse({"solve", "-", "--strict", "--time-limit", "5e-1"});
  ASSERT_TRUE(solve.request) << solve.error;
  EXPECT_EQ(solve.request->files, std::vector<std::string>{"-"});
  EXPECT_EQ(solve.request->solve.timeLimitSeconds, 0.5);
  // A usage error of a request that asked for JSON is printed as JSON too.
  EXPECT_TRUE(parse({"solve", "--json", "--bogus"}).json);
  EXPECT_TRUE(parse({"random", "0", "--json"}).json);
  EXPECT_FALSE(parse({"solve", "--bogus"}).json);
  EXPECT_FALSE(parse({"solve", "--", "--json", "x"}).json);
}

TEST(CommandLineTest, NumbersMustBeWholeTexts) {
  EXPECT_EQ(parseWholeNumber("42"), 42);
  EXPECT_EQ(parseWholeNumber("+7"), 7);
  EXPECT_EQ(parseWholeNumber("-3"), -3);
  EXPECT_FALSE(parseWholeNumber(""));
  EXPECT_FALSE(parseWholeNumber("+"));
  EXPECT_FALSE(parseWholeNumber("4 "));
  EXPECT_FALSE(parseWholeNumber("0x10"));
  EXPECT_FALSE(parseWholeNumber("9223372036854775808"));
  EXPECT_EQ(parseSeconds("0.25"), 0.25);
  EXPECT_EQ(parseSeconds("10"), 10.0);
  EXPECT_EQ(parseSeconds("1e3"), 1000.0);
  EXPECT_EQ(parseSeconds("2.5E-1"), 0.25);
  EXPECT_FALSE(parseSeconds("1e-400"));  // not positive once read
  EXPECT_FALSE(parseSeconds("0x10"));
  EXPECT_FALSE(parseSeconds("infinity"));
  EXPECT_FALSE(parseSeconds("inf"));
  EXPECT_FALSE(parseSeconds("0"));
}

// ---- JSON text ----

TEST(JsonOutputTest, StringsAreEscapedAndReadBackUnchanged) {
  const std::vector<std::string> texts = {"plain",
                                          "quote \" and backslash \\",
                                          "tab\tnew\nline\rcr",
                                          std::string("nul\0byte", 8),
                                          "\x01\x1f\x7f",
                                          "日本語のファイル名.tsp",
                                          "emoji \xF0\x9F\x98\x80"};
  for (const std::string& text : texts) {
    const std::string literal = jsonString(text);
    std::string error;
    const std::optional<JsonValue> value = parseJson(literal, &error);
    ASSERT_TRUE(value) << literal << ": " << error;
    ASSERT_TRUE(value->isString());
    EXPECT_EQ(value->string(), text);
  }
}

TEST(JsonOutputTest, InvalidUtf8BecomesReplacementCharacters) {
  struct Case {
    std::string bytes;
    std::string expected;
  };
  const std::string replacement = "\xEF\xBF\xBD";
  const std::vector<Case> cases = {
      {"a\xFFz", "a" + replacement + "z"},
      {"\xC3", replacement},                                                        // cut short
      {"\xC0\xAF", replacement + replacement},                                      // overlong
      {"\xED\xA0\x80", replacement + replacement + replacement},                    // surrogate
      {"\xF4\x90\x80\x80", replacement + replacement + replacement + replacement},  // > U+10FFFF
      {"\xC3\xA9", "\xC3\xA9"},  // valid é stays
  };
  for (const Case& c : cases) {
    const std::optional<JsonValue> value = parseJson(jsonString(c.bytes));
    ASSERT_TRUE(value);
    EXPECT_EQ(value->string(), c.expected);
  }
}

TEST(JsonOutputTest, ObjectsKeepFieldOrderAndTypes) {
  const std::int32_t tour[] = {0, 2, 1};
  JsonObject nested;
  nested.add("load", 0.5);
  JsonObject object;
  object.add("name", "x\"y")
      .add("cities", std::int32_t{3})
      .add("nodes", std::uint64_t{18446744073709551615u})
      .add("optimal", false)
      .add("tour", std::span<const std::int32_t>(tour))
      .add("stages", nested)
      .add("bad", std::nan(""))
      .add("huge", 1e300)
      .addNull("none");
  std::string error;
  const std::optional<JsonValue> value = parseJson(object.text(), &error);
  ASSERT_TRUE(value) << object.text() << ": " << error;
  EXPECT_EQ(value->keys(), (std::vector<std::string>{"name", "cities", "nodes", "optimal", "tour",
                                                     "stages", "bad", "huge", "none"}));
  EXPECT_EQ(value->at("name").string(), "x\"y");
  EXPECT_EQ(value->at("cities").number(), 3);
  EXPECT_FALSE(value->at("optimal").boolean());
  ASSERT_EQ(value->at("tour").array().size(), 3u);
  EXPECT_EQ(value->at("tour").array()[1].number(), 2);
  EXPECT_EQ(value->at("stages").at("load").number(), 0.5);
  EXPECT_TRUE(value->at("bad").isNull());
  EXPECT_DOUBLE_EQ(value->at("huge").number(), 1e300);
  EXPECT_TRUE(value->at("none").isNull());
  EXPECT_NE(object.text().find("18446744073709551615"), std::string::npos);
}

TEST(JsonOutputTest, TheTestReaderRejectsMalformedDocuments) {
  // The end-to-end tests rely on this reader to notice broken output.
  for (const char* text :
       {"", "{", "{\"a\" 1}", "{\"a\": 1,}", "[1 2]", "{\"a\": 1} x", "\"unterminated",
        "{\"a\": 01}", "{\"a\": 1, \"a\": 2}", "nul", "\"\\ud800\"", "\"tab\there\""}) {
    EXPECT_FALSE(parseJson(text)) << text;
  }
}

// ---- random instances and the distance check ----

TEST(RandomInstanceTest, UpTo127CitiesTheObjectsGeneratorGivesTheSameProblem) {
  for (const auto& [cities, seed] : std::vector<std::pair<int, std::uint32_t>>{
           {1, 0}, {6, 7}, {52, 12345}, {127, 4294967295u}}) {
    SCOPED_TRACE(cities);
    const std::optional<Instance> instance = randomInstance(cities, seed);
    ASSERT_TRUE(instance);
    const std::unique_ptr<ProblemData> converted = problemOf(*instance);
    auto generated = std::make_unique<ProblemData>();
    initProblemData(*generated);
    generateInstance(*generated, cities, seed);
    EXPECT_EQ(std::memcmp(converted.get(), generated.get(), sizeof(ProblemData)), 0);
  }
  // Beyond 127 the same generator goes on: the first cities are those of the smaller instance.
  const std::optional<Instance> large = randomInstance(5000, 9);
  const std::optional<Instance> small = randomInstance(100, 9);
  ASSERT_TRUE(large && small);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(large->x(i), small->x(i));
  EXPECT_FALSE(randomInstance(0, 1));
  EXPECT_FALSE(randomInstance(kMaxInstanceCities + 1, 1));
}

// The check's first fault by its own loops over every pair, for comparison.
DistanceFault faultByAllPairs(const Instance& instance, bool directed) {
  const int n = instance.size();
  for (int i = 0; i < n; ++i) {
    for (int j = directed ? 0 : i; j < n; ++j) {
      const std::int32_t d = instance.distance(i, j);
      if (!directed && d != instance.distance(j, i)) return {i, j, ErrorCode::DistanceNotSymmetric};
      if (i == j && d != 0) return {i, j, ErrorCode::SameCityDistanceNotZero};
      if (i != j && d == 0) return {i, j, ErrorCode::DistanceNotPositive};
    }
  }
  return {};
}

TEST(DistanceCheckTest, TheGridFindsTheFirstPairOfEveryRuleAsAllPairsDo) {
  // Clusters of close and coinciding cities, for each rule whose distances can be 0 (GEO's never
  // are), with the first coinciding pair late and early in the check's order.
  for (const char* rule :
       {"EUC_2D", "CEIL_2D", "ATT", "MAN_2D", "MAX_2D", "EUC_3D", "MAN_3D", "MAX_3D", "GEO"}) {
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
      SCOPED_TRACE(std::string(rule) + " seed " + std::to_string(seed));
      std::mt19937 random(seed);
      std::uniform_int_distribution<int> cell(0, 6);
      std::uniform_real_distribution<double> jitter(-0.6, 0.6);
      const int n = 60;
      std::vector<double> x, y, z;
      for (int i = 0; i < n; ++i) {
        // Some cities exactly on a lattice point, others near one.
        const bool exact = random() % 3 == 0;
        x.push_back(3.0 * cell(random) + (exact ? 0.0 : jitter(random)));
        y.push_back(3.0 * cell(random) + (exact ? 0.0 : jitter(random)));
        z.push_back(seed % 2 == 0 ? 0.0 : 3.0 * cell(random) + (exact ? 0.0 : jitter(random)));
      }
      const DistanceRule named = *distanceRuleNamed(rule);
      if (!isThreeDimensional(named)) z.clear();
      const std::optional<Instance> instance = Instance::fromCoordinates(named, x, y, z);
      ASSERT_TRUE(instance);
      const DistanceFault expected = faultByAllPairs(*instance, false);
      for (const DistanceFault& found :
           {firstDistanceFault(*instance), firstDirectedFault(*instance)}) {
        EXPECT_EQ(found.code, expected.code);
        EXPECT_EQ(found.from, expected.from);
        EXPECT_EQ(found.to, expected.to);
      }
      if (named == DistanceRule::Geo) {
        EXPECT_EQ(expected.code, ErrorCode::Success);
      }
    }
  }
}

TEST(DistanceCheckTest, ExplicitMatricesAreCheckedInTheComponentsOrder) {
  struct Case {
    const char* what;
    std::vector<std::int32_t> matrix;  // 3 x 3
    bool directed;
    DistanceFault expected;
    std::pair<int, int> negative;
  };
  const std::vector<Case> cases = {
      {"valid", {0, 1, 2, 1, 0, 3, 2, 3, 0}, false, {}, {-1, -1}},
      {"asymmetric",
       {0, 1, 2, 5, 0, 3, 2, 3, 0},
       false,
       {0, 1, ErrorCode::DistanceNotSymmetric},
       {-1, -1}},
      {"asymmetric but directed", {0, 1, 2, 5, 0, 3, 2, 3, 0}, true, {}, {-1, -1}},
      {"diagonal",
       {0, 1, 2, 1, 9, 3, 2, 3, 0},
       false,
       {1, 1, ErrorCode::SameCityDistanceNotZero},
       {-1, -1}},
      {"zero apart",
       {0, 1, 0, 1, 0, 3, 0, 3, 0},
       false,
       {0, 2, ErrorCode::DistanceNotPositive},
       {-1, -1}},
      {"zero apart one way",
       {0, 1, 2, 1, 0, 3, 0, 3, 0},
       true,
       {2, 0, ErrorCode::DistanceNotPositive},
       {-1, -1}},
      {"negative", {0, 1, -2, 1, 0, 3, -2, 3, 0}, false, {}, {0, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::optional<Instance> instance = Instance::fromMatrix(3, c.matrix);
    ASSERT_TRUE(instance);
    const DistanceFault found =
        c.directed ? firstDirectedFault(*instance) : firstDistanceFault(*instance);
    EXPECT_EQ(found.code, c.expected.code);
    EXPECT_EQ(found.from, c.expected.from);
    EXPECT_EQ(found.to, c.expected.to);
    EXPECT_EQ(firstNegativeDistance(*instance), c.negative);
  }
}

// ---- SVG picture ----

class SvgDrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    x_ = {0, 100, 100, 0};
    y_ = {0, 0, 50, 50};
    tour_ = {0, 1, 2, 3};
  }

  // An instance of the cities' drawing coordinates (a matrix of 1s; only the pictures count).
  Instance instance(bool withCoordinates = true) const {
    const std::size_t n = x_.size();
    std::optional<Instance> made =
        Instance::fromMatrix(static_cast<int>(n), std::vector<std::int32_t>(n * n, 1));
    if (withCoordinates) made->setDisplayCoordinates(x_, y_);
    return *made;
  }

  static std::vector<std::pair<double, double>> circleCentres(const std::string& svg) {
    std::vector<std::pair<double, double>> centres;
    const std::string opening = "<circle cx=\"";
    for (std::size_t at = svg.find(opening); at != std::string::npos;
         at = svg.find(opening, at + 1)) {
      double x = 0;
      double y = 0;
      char radius[8] = {};
      // Only the city dots have radius 3.5; the start marker is larger.
      if (std::sscanf(svg.c_str() + at, "<circle cx=\"%lf\" cy=\"%lf\" r=\"%3[0-9.]\"", &x, &y,
                      radius) == 3 &&
          std::string(radius) == "3.5") {
        centres.emplace_back(x, y);
      }
    }
    return centres;
  }

  std::vector<double> x_, y_;
  std::vector<int> tour_;
};

TEST_F(SvgDrawingTest, DrawsEveryCityTheTourAndTheTitle) {
  const std::optional<std::string> svg = drawTourSvg(instance(), tour_, "box <4> & co");
  ASSERT_TRUE(svg);
  const auto centres = circleCentres(*svg);
  ASSERT_EQ(centres.size(), 4u);
  // Larger y is drawn higher: city 4 (y 50) above city 1 (y 0); x keeps its direction.
  EXPECT_LT(centres[3].second, centres[0].second);
  EXPECT_LT(centres[0].first, centres[1].first);
  // The aspect ratio of the cities' box is kept.
  const double width = centres[1].first - centres[0].first;
  const double height = centres[0].second - centres[3].second;
  EXPECT_NEAR(width / height, 2.0, 0.01);
  // One closed polygon through the four cities, in tour order.
  const std::size_t polygon = svg->find("<polygon");
  ASSERT_NE(polygon, std::string::npos);
  EXPECT_EQ(svg->find("<polygon", polygon + 1), std::string::npos);
  const std::size_t pointsAt = svg->find("points=\"", polygon) + 8;
  const std::string points = svg->substr(pointsAt, svg->find('"', pointsAt) - pointsAt);
  EXPECT_EQ(std::count(points.begin(), points.end(), ','), 4);
  EXPECT_NE(svg->find("box &lt;4&gt; &amp; co"), std::string::npos);
  EXPECT_EQ(svg->find("<4>"), std::string::npos);
  EXPECT_NE(svg->find(">4</text>"), std::string::npos);  // cities numbered from 1
}

TEST_F(SvgDrawingTest, RefusesWhatCannotBeDrawn) {
  EXPECT_FALSE(hasDrawableCoordinates(instance(false)));
  EXPECT_FALSE(drawTourSvg(instance(false), tour_, "t"));
  EXPECT_TRUE(hasDrawableCoordinates(instance()));

  x_[2] = std::nan("");
  EXPECT_FALSE(hasDrawableCoordinates(instance()));
  x_[2] = 1e308;
  x_[0] = -1e308;  // the spread overflows
  EXPECT_FALSE(hasDrawableCoordinates(instance()));
  x_[0] = 0;
  x_[2] = 100;

  tour_[1] = 7;  // not a city of the instance
  EXPECT_FALSE(drawTourSvg(instance(), tour_, "t"));
  tour_ = {0, 1, 2, 3, 0};  // more entries than cities
  EXPECT_FALSE(drawTourSvg(instance(), tour_, "t"));
}

TEST_F(SvgDrawingTest, AllCitiesAtOnePointStillDraw) {
  for (int i = 0; i < 4; ++i) x_[i] = y_[i] = 7;
  const std::optional<std::string> svg = drawTourSvg(instance(), tour_, "point");
  ASSERT_TRUE(svg);
  EXPECT_EQ(circleCentres(*svg).size(), 4u);
  EXPECT_EQ(svg->find("nan"), std::string::npos);
  EXPECT_EQ(svg->find("inf"), std::string::npos);
}

struct LabelBox {
  std::string text;
  double left, top, right, bottom;
};

// The city labels of a picture (the texts inside the cities' group), with the boxes they cover
// at font size 10 (digits about 6 pixels wide).
std::vector<LabelBox> cityLabels(const std::string& svg) {
  std::vector<LabelBox> labels;
  const std::size_t group = svg.find("font-size=\"10\">");
  const std::size_t end = svg.find("</g>", group);
  for (std::size_t at = svg.find("<text x=\"", group); at < end;
       at = svg.find("<text x=\"", at + 1)) {
    double x = 0;
    double y = 0;
    char text[16] = {};
    if (std::sscanf(svg.c_str() + at, "<text x=\"%lf\" y=\"%lf\">%15[0-9]<", &x, &y, text) == 3) {
      const double width = 6.0 * static_cast<double>(std::strlen(text));
      labels.push_back({text, x, y - 9, x + width, y + 1});
    }
  }
  return labels;
}

TEST_F(SvgDrawingTest, CrowdedLabelsAreThinnedAndNeverCollide) {
  // 40 cities in a tight cluster and 4 far apart: the cluster cannot carry all its numbers.
  x_.clear();
  y_.clear();
  tour_.clear();
  for (int i = 0; i < 40; ++i) {
    x_.push_back(1000 + (i % 8) * 3);
    y_.push_back(1000 + (i / 8) * 3);
  }
  const double corners[4][2] = {{0, 0}, {5000, 0}, {5000, 5000}, {0, 5000}};
  for (int i = 0; i < 4; ++i) {
    x_.push_back(corners[i][0]);
    y_.push_back(corners[i][1]);
  }
  for (int i = 0; i < 44; ++i) tour_.push_back(i);
  const std::optional<std::string> svg = drawTourSvg(instance(), tour_, "crowd");
  ASSERT_TRUE(svg);
  const std::vector<LabelBox> labels = cityLabels(*svg);
  ASSERT_GE(labels.size(), 5u);
  ASSERT_LT(labels.size(), 44u);
  for (std::size_t a = 0; a < labels.size(); ++a) {
    for (std::size_t b = a + 1; b < labels.size(); ++b) {
      const bool overlap = labels[a].left < labels[b].right && labels[b].left < labels[a].right &&
                           labels[a].top < labels[b].bottom && labels[b].top < labels[a].bottom;
      EXPECT_FALSE(overlap) << labels[a].text << " and " << labels[b].text;
    }
  }
  // The far cities keep their numbers; every dot keeps a tooltip; the legend counts the rest.
  for (const char* far : {"41", "42", "43", "44"}) {
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](const LabelBox& label) {
      return label.text == far;
    })) << far;
  }
  EXPECT_NE(svg->find("<title>city 17</title>"), std::string::npos);
  EXPECT_NE(svg->find("; " + std::to_string(44 - labels.size()) + " crowded cities unlabelled"),
            std::string::npos);
}

// A number attribute of the first element that carries it, e.g. width="808.0".
double attribute(const std::string& svg, const std::string& name) {
  const std::size_t at = svg.find(" " + name + "=\"");
  return at == std::string::npos ? -1 : std::atof(svg.c_str() + at + name.size() + 3);
}

// The tour's segments on the page, from the polygon's points.
std::vector<std::pair<std::pair<double, double>, std::pair<double, double>>> tourSegments(
    const std::string& svg) {
  std::vector<std::pair<double, double>> points;
  const std::size_t polygon = svg.find("<polygon");
  const std::size_t begin = svg.find("points=\"", polygon) + 8;
  const std::size_t end = svg.find('"', begin);
  const char* cursor = svg.c_str() + begin;
  double x = 0, y = 0;
  int used = 0;
  while (cursor < svg.c_str() + end && std::sscanf(cursor, " %lf,%lf%n", &x, &y, &used) == 2) {
    points.emplace_back(x, y);
    cursor += used;
  }
  std::vector<std::pair<std::pair<double, double>, std::pair<double, double>>> segments;
  for (std::size_t k = 0; k < points.size(); ++k) {
    segments.push_back({points[k], points[(k + 1) % points.size()]});
  }
  return segments;
}

// Whether the segment meets the box: an end inside it, or a crossing with one of its sides
// (orientation tests, touching counts).
bool segmentMeetsBox(std::pair<double, double> p, std::pair<double, double> q, const LabelBox& b) {
  auto inside = [&](std::pair<double, double> v) {
    return v.first >= b.left && v.first <= b.right && v.second >= b.top && v.second <= b.bottom;
  };
  if (inside(p) || inside(q)) return true;
  auto orientation = [](std::pair<double, double> a, std::pair<double, double> c,
                        std::pair<double, double> d) {
    const double cross =
        (c.first - a.first) * (d.second - a.second) - (c.second - a.second) * (d.first - a.first);
    return cross > 0 ? 1 : (cross < 0 ? -1 : 0);
  };
  const std::pair<double, double> corners[4] = {
      {b.left, b.top}, {b.right, b.top}, {b.right, b.bottom}, {b.left, b.bottom}};
  for (int k = 0; k < 4; ++k) {
    const auto c = corners[k];
    const auto d = corners[(k + 1) % 4];
    if (orientation(p, q, c) * orientation(p, q, d) <= 0 &&
        orientation(c, d, p) * orientation(c, d, q) <= 0) {
      return true;
    }
  }
  return false;
}

// How many cities the legend says are without a label; 0 when it says nothing of them.
int unlabelledInLegend(const std::string& svg) {
  const std::size_t legend = svg.find("class=\"legend\"");
  const std::size_t at = svg.find("; ", svg.find("direction of travel", legend));
  if (at == std::string::npos || svg.find(" crowded cit", at) == std::string::npos) return 0;
  return std::atoi(svg.c_str() + at + 2);
}

TEST(SvgLabelTest, LabelsStayOnTheCanvasApartAndOffTheTour) {
  // Instances whose labels once ran off the picture (grid11's 120 and 121 at its right side),
  // merged along a row of close cities (pr124's top row) or sat on tour edges; drawn with the
  // file's order as the tour, which crosses itself and so crowds the picture more than an
  // optimal one.
  for (const char* file : {"grid11.tsp", "pr124.tsp", "berlin52.tsp", "eil101.tsp"}) {
    SCOPED_TRACE(file);
    const TspRead read =
        readTspFileTolerant(ringmarch::testing::fileNamed(ringmarch::testing::dataFile(file)));
    ASSERT_TRUE(read.instance) << read.report.where();
    const Instance& instance = *read.instance;
    std::vector<int> tour;
    for (int i = 0; i < instance.size(); ++i) tour.push_back(i);
    const std::optional<std::string> svg = drawTourSvg(instance, tour, file);
    ASSERT_TRUE(svg);
    const double width = attribute(*svg, "width");
    const double height = attribute(*svg, "height");
    ASSERT_GT(width, 0);
    ASSERT_GT(height, 0);
    // Boxes as a reader sees them: a full font size (10) per character, baseline 1 above the
    // bottom.
    std::vector<LabelBox> labels = cityLabels(*svg);
    for (LabelBox& label : labels) {
      label.right = label.left + 10.0 * static_cast<double>(label.text.size());
    }
    ASSERT_GT(labels.size(), static_cast<std::size_t>(instance.size()) / 2);
    for (const LabelBox& label : labels) {
      EXPECT_GE(label.left, 0) << label.text;
      EXPECT_LE(label.right, width) << label.text;
      EXPECT_GE(label.top, 0) << label.text;
      EXPECT_LE(label.bottom, height) << label.text;
    }
    for (std::size_t a = 0; a < labels.size(); ++a) {
      for (std::size_t b = a + 1; b < labels.size(); ++b) {
        const bool overlap = labels[a].left < labels[b].right && labels[b].left < labels[a].right &&
                             labels[a].top < labels[b].bottom && labels[b].top < labels[a].bottom;
        EXPECT_FALSE(overlap) << labels[a].text << " and " << labels[b].text;
      }
    }
    const auto segments = tourSegments(*svg);
    ASSERT_EQ(segments.size(), static_cast<std::size_t>(instance.size()));
    for (const LabelBox& label : labels) {
      for (const auto& [p, q] : segments) {
        EXPECT_FALSE(segmentMeetsBox(p, q, label))
            << label.text << " on the edge " << p.first << "," << p.second << " - " << q.first
            << "," << q.second;
      }
    }
    // Nor on the arrows that show the direction of travel (triangles "M x,y L x,y L x,y Z").
    int arrows = 0;
    for (std::size_t at = svg->find("<path d=\"M"); at != std::string::npos;
         at = svg->find("<path d=\"M", at + 1)) {
      std::pair<double, double> c[3];
      ASSERT_EQ(std::sscanf(svg->c_str() + at + 10, "%lf,%lf L%lf,%lf L%lf,%lf", &c[0].first,
                            &c[0].second, &c[1].first, &c[1].second, &c[2].first, &c[2].second),
                6);
      ++arrows;
      for (const LabelBox& label : labels) {
        for (int k = 0; k < 3; ++k) {
          EXPECT_FALSE(segmentMeetsBox(c[k], c[(k + 1) % 3], label))
              << label.text << " on an arrow";
        }
      }
    }
    EXPECT_GT(arrows, instance.size() / 2);
    EXPECT_EQ(unlabelledInLegend(*svg), instance.size() - static_cast<int>(labels.size()));
  }
}

TEST(SvgLargeTest, BeyondAThousandCitiesDotsKeepTheirTooltipsWithoutLabels) {
  const std::optional<Instance> instance = randomInstance(kMaxLabelledCities + 1, 5);
  ASSERT_TRUE(instance);
  std::vector<int> tour;
  for (int i = 0; i < instance->size(); ++i) tour.push_back(i);
  const std::optional<std::string> svg = drawTourSvg(*instance, tour, "many");
  ASSERT_TRUE(svg);
  EXPECT_TRUE(cityLabels(*svg).empty());
  EXPECT_NE(svg->find("<title>city 1001</title>"), std::string::npos);
  EXPECT_NE(svg->find(">start: city 1; more than 1000 cities: numbers in tooltips only"),
            std::string::npos);
}

TEST_F(SvgDrawingTest, ArrowsShowTheDirectionAndTheLegendNamesTheStart) {
  tour_ = {2, 1, 0, 3};  // the tour 3, 2, 1, 4: city 3 first
  const std::optional<std::string> svg = drawTourSvg(instance(), tour_, "arrows");
  ASSERT_TRUE(svg);
  EXPECT_NE(svg->find(">start: city 3; "), std::string::npos);
  // One arrow per edge. The first edge runs from city 3 (100, 50) down to city 2 (100, 0), so on
  // the page (y grows downwards) its tip lies below its base.
  std::vector<std::string> arrows;
  for (std::size_t at = svg->find("<path d=\"M"); at != std::string::npos;
       at = svg->find("<path d=\"M", at + 1)) {
    arrows.push_back(svg->substr(at + 10, svg->find('"', at + 10) - at - 10));
  }
  ASSERT_EQ(arrows.size(), 4u);
  double tipX = 0, tipY = 0, leftX = 0, leftY = 0, rightX = 0, rightY = 0;
  ASSERT_EQ(std::sscanf(arrows[0].c_str(), "%lf,%lf L%lf,%lf L%lf,%lf Z", &tipX, &tipY, &leftX,
                        &leftY, &rightX, &rightY),
            6)
      << arrows[0];
  EXPECT_GT(tipY, leftY);
  EXPECT_GT(tipY, rightY);
  EXPECT_NEAR(tipX, (leftX + rightX) / 2, 0.2);
  EXPECT_NEAR(leftY, rightY, 0.2);
}

// ---- progress and time limit ----

RunProgress progressOf(std::uint64_t nodes, std::int64_t bestLength) {
  RunProgress progress;
  progress.nodes = nodes;
  progress.bestLength = bestLength;
  return progress;
}

class ProgressMonitorTest : public ::testing::Test {
 protected:
  void SetUp() override { stream_ = std::tmpfile(); }
  void TearDown() override { std::fclose(stream_); }

  std::string shown() {
    std::fflush(stream_);
    std::rewind(stream_);
    std::string text;
    char buffer[512];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, stream_)) > 0) text.append(buffer, n);
    return text;
  }

  std::FILE* stream_ = nullptr;
  double now_ = 0;
};

TEST_F(ProgressMonitorTest, PlainLinesComeAtTheirIntervalAfterTheFirstSecond) {
  ProgressSettings settings;
  settings.stream = stream_;
  settings.plainInterval = 10;
  ProgressMonitor monitor(settings, [this] { return now_; });
  const RunProgress progress = progressOf(12345, 699);
  for (now_ = 0; now_ < 25; now_ += 0.5) EXPECT_TRUE(monitor.onProgress(progress));
  monitor.finish();
  // Shown at 1, 11 and 21 seconds.
  EXPECT_EQ(monitor.reportsShown(), 3);
  const std::string text = shown();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_NE(text.find("12345 nodes evaluated, best length 699"), std::string::npos);
  EXPECT_NE(text.find("searching: 1.0 s"), std::string::npos);
}

TEST_F(ProgressMonitorTest, TerminalLineIsRewrittenInPlaceAndClearedAtTheEnd) {
  ProgressSettings settings;
  settings.stream = stream_;
  settings.terminal = true;
  ProgressMonitor monitor(settings, [this] { return now_; });
  for (now_ = 0; now_ < 3; now_ += 0.1) monitor.onProgress(progressOf(1, 2));
  monitor.finish();
  const std::string text = shown();
  EXPECT_GE(monitor.reportsShown(), 5);
  EXPECT_EQ(text.find('\n'), std::string::npos);
  EXPECT_EQ(static_cast<int>(std::count(text.begin(), text.end(), '\r')),
            monitor.reportsShown() + 1);
  EXPECT_TRUE(text.ends_with("\r\033[K"));
}

TEST_F(ProgressMonitorTest, QuietShowsNothingAndTimeDoesNotStopTheSearch) {
  // The time limit is the solve layer's run control's (tests/solve_layer_test.cpp): the watcher
  // goes on however long the solve runs, and a quiet one prints nothing.
  ProgressSettings settings;  // no stream: quiet
  ProgressMonitor monitor(settings, [this] { return now_; });
  for (now_ = 0; now_ < 1000; now_ += 7.5) EXPECT_TRUE(monitor.onProgress(progressOf(1, 2)));
  EXPECT_FALSE(monitor.interrupted());
  monitor.finish();
  EXPECT_EQ(monitor.reportsShown(), 0);
}

TEST_F(ProgressMonitorTest, AStopRequestEndsTheSearchAsAnInterruption) {
  bool requested = false;
  ProgressSettings settings;
  settings.stream = stream_;
  settings.stopRequested = [&requested] { return requested; };
  ProgressMonitor monitor(settings, [this] { return now_; });
  now_ = 0.5;
  EXPECT_TRUE(monitor.onProgress(progressOf(10, 50)));
  requested = true;
  EXPECT_FALSE(monitor.onProgress(progressOf(20, 40)));
  EXPECT_TRUE(monitor.interrupted());
  EXPECT_EQ(monitor.interruption(), StopReason::Interrupted);
  monitor.finish();
  EXPECT_EQ(shown(), "");
}

TEST_F(ProgressMonitorTest, ShortSolvesShowNothing) {
  ProgressSettings settings;
  settings.stream = stream_;
  ProgressMonitor monitor(settings, [this] { return now_; });
  for (now_ = 0; now_ < 0.99; now_ += 0.01) monitor.onProgress(progressOf(1, 2));
  monitor.finish();
  EXPECT_EQ(shown(), "");
}

// ---- built-in instance ----

TEST(DefaultInstanceTest, TextIsATspFileWithItsName) {
  const std::string_view text = defaultInstanceText();
  EXPECT_NE(text.find("DIMENSION"), std::string_view::npos);
  EXPECT_NE(text.find("EOF"), std::string_view::npos);
  EXPECT_FALSE(strictNameOf(text).empty());
}

}  // namespace
}  // namespace ringmarch::cli
