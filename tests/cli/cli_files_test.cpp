// The built ringmarch program and the files it reads and writes: outputs that name one file by
// different spellings, outputs replaced whole or left as they were, inputs read once and bounded
// (FIFOs, endless devices, standard input without a staging file), memory that runs out, and
// what `check` says of distances and tour lengths.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "program_checks.h"
#include "support/scratch_files.h"

namespace ringmarch::testing {
namespace {

TEST(ProgramOutputNamesTest, OutputsNamingOneFileAreRefusedBeforeAnythingIsWritten) {
  ScratchDirectory directory;
  const std::string input = directory.write("in.tsp", fileContents(dataFile("burma14.tsp")));
  const std::string existing = directory.write("o.x", "old tour");
  std::filesystem::create_directory(directory.path("sub"));
  std::filesystem::create_symlink("o.x", directory.path("link.svg"));
  std::filesystem::create_hard_link(existing, directory.path("hard.svg"));
  std::filesystem::create_hard_link(input, directory.path("in-alias.tour"));
  struct Case {
    std::vector<std::string> arguments;
    std::vector<std::string> messageParts;
  };
  const std::string o = directory.path("o.x");
  const std::vector<Case> cases = {
      {{"solve", input, "--tour", o, "--svg", directory.path("./o.x")}, {"--tour", "--svg"}},
      {{"solve", input, "--tour", o, "--svg", directory.path("sub/../o.x")}, {"--tour", "--svg"}},
      {{"solve", input, "--tour", o, "--svg", directory.path("link.svg")}, {"--tour", "--svg"}},
      {{"solve", input, "--tour", o, "--svg", directory.path("hard.svg")}, {"--tour", "--svg"}},
      {{"solve", input, "--tour", directory.path("new.x"), "--svg", directory.path("sub/../new.x")},
       {"--tour", "--svg"}},
      {{"solve", input, "--tour", directory.path("in-alias.tour")}, {"is the input file"}},
      {{"random", "10", "--seed", "1", "--output", directory.path("r.tsp"), "--solve", "--tour",
        directory.path("r.tsp")},
       {"--output", "--tour"}},
      {{"random", "10", "--seed", "1", "--output", o, "--solve", "--svg",
        directory.path("link.svg")},
       {"--output", "--svg"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[c.arguments.size() - 1]);
    const ProgramRun run = runRingmarch(c.arguments);
    EXPECT_EQ(run.exitStatus, kBadInput);
    for (const std::string& part : c.messageParts) {
      EXPECT_NE(run.err.find(part), std::string::npos) << run.err;
    }
    EXPECT_NE(run.err.find("(nothing was done)"), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_EQ(fileContents(existing), "old tour");
    EXPECT_EQ(fileContents(input), fileContents(dataFile("burma14.tsp")));
    EXPECT_FALSE(fileExists(directory.path("new.x")));
    EXPECT_FALSE(fileExists(directory.path("r.tsp")));
  }
}

TEST(ProgramOutputNamesTest, AnExistingOutputThatIsNoInputIsReplaced) {
  ScratchDirectory directory;
  const std::string output = directory.path("fresh.tsp");
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    const ProgramRun converted = runRingmarch({"convert", dataFile("burma14.tsp"), output});
    ASSERT_EQ(converted.exitStatus, kSuccess) << converted.err;
    EXPECT_NE(fileContents(output).find("EDGE_WEIGHT_FORMAT: FULL_MATRIX"), std::string::npos);
  }
  directory.write("fresh.tsp", "junk");
  const ProgramRun replaced =
      runRingmarch({"convert", dataFile("burma14.tsp"), output, "--format", "fullmatrix"});
  EXPECT_EQ(replaced.exitStatus, kSuccess) << replaced.err;
  EXPECT_TRUE(fileContents(output).starts_with("NAME: " + output + "\n")) << fileContents(output);
  // The tour's file may be the instance's input of another run, but not of this one.
  const std::string tour = directory.path("t.tour");
  EXPECT_EQ(runRingmarch({"solve", output, "--tour", tour, "--quiet"}).exitStatus, kSuccess);
  EXPECT_EQ(runRingmarch({"solve", output, "--tour", tour, "--quiet"}).exitStatus, kSuccess);
  EXPECT_NE(fileContents(tour).find("COMMENT : Length 3323"), std::string::npos);
}

TEST(ProgramOutputNamesTest, FailedWritesLeaveTheOldFilesAndNoPartialFiles) {
  ScratchDirectory directory;
  const std::string svg = directory.write("o.svg", "old svg");
  const std::string instance = directory.write("o.tsp", "old tsp");
  // Writes beyond 1024 bytes fail, as on a full disk: the picture and the matrix are larger,
  // the printed result is not.
  RunSettings limited;
  limited.fileSizeBytes = 1024;
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
    std::string target;
    std::string old;
  };
  const std::vector<Case> cases = {
      {{"solve", dataFile("berlin52.tsp"), "--svg", svg, "--quiet"},
       "cannot write the picture to '" + svg + "': File too large",
       svg,
       "old svg"},
      {{"convert", dataFile("berlin52.tsp"), instance},
       "cannot write '" + instance + "': File too large",
       instance,
       "old tsp"},
      {{"random", "127", "--seed", "3", "--output", instance},
       "cannot write the instance to '" + instance + "': File too large",
       instance,
       "old tsp"},
      {{"convert", dataFile("berlin52.tsp"), directory.path("new.tsp")},
       "File too large",
       directory.path("new.tsp"),
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const ProgramRun run = runRingmarchWith(c.arguments, limited);
    EXPECT_EQ(run.exitStatus, kBadInput) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(fileContents(c.target), c.old);
    EXPECT_EQ(namesIn(directory.path("")), (std::vector<std::string>{"o.svg", "o.tsp"}));
  }
  // Without the limit the same runs replace the files whole.
  EXPECT_EQ(runRingmarch(cases[0].arguments).exitStatus, kSuccess);
  EXPECT_TRUE(fileContents(svg).starts_with("<?xml") || fileContents(svg).starts_with("<svg"))
      << fileContents(svg).substr(0, 40);
  EXPECT_EQ(namesIn(directory.path("")), (std::vector<std::string>{"o.svg", "o.tsp"}));
}

TEST(ProgramOutputNamesTest, SpecialFilesAreWrittenDirectly) {
  // /dev/stdout cannot be replaced by a renamed file: it is written as it is.
  const ProgramRun direct = runRingmarch({"random", "6", "--seed", "7", "--output", "/dev/stdout"});
  EXPECT_EQ(direct.exitStatus, kSuccess) << direct.err;
  EXPECT_TRUE(direct.out.starts_with("NAME: /dev/stdout\n")) << direct.out;
  const ProgramRun reference = runRingmarch({"random", "6", "--seed", "7"});
  const auto body = [](const std::string& text) { return text.substr(text.find('\n')); };
  EXPECT_EQ(body(direct.out), body(reference.out));
}

// ---- inputs ----

TEST(ProgramInputOnceTest, FifosAreReadOnceAlsoWhenTheStrictReaderRefuses) {
  ScratchDirectory directory;
  const std::string fifo = directory.path("in.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string text = fileContents(dataFile("swiss42.tsp"));
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"solve", fifo, "--strict"}, {"check", fifo}}) {
    SCOPED_TRACE(arguments.back());
    // The writer waits until the program opens the FIFO (giving up after a while, so that a
    // program that never opens it cannot hold the test), writes it all and closes it.
    std::thread writer([&] {
      int descriptor = -1;
      for (int attempt = 0; attempt < 30000 && descriptor < 0; ++attempt) {
        descriptor = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (descriptor < 0) ::usleep(1000);
      }
      if (descriptor < 0) return;
      ::fcntl(descriptor, F_SETFL, 0);
      std::size_t written = 0;
      while (written < text.size()) {
        const ssize_t n = ::write(descriptor, text.data() + written, text.size() - written);
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
      }
      ::close(descriptor);
    });
    RunSettings settings;
    settings.killAfterSeconds = 30.0 * kSlowBuildFactor;
    const ProgramRun run = runRingmarchWith(arguments, settings);
    writer.join();
    if (arguments.back() == "--strict") {
      EXPECT_EQ(run.exitStatus, kBadInput) << run.err;
      EXPECT_NE(run.err.find("(line 7: the strict reader needs the section line "
                             "EDGE_WEIGHT_SECTION alone"),
                std::string::npos)
          << run.err;
    } else {
      EXPECT_EQ(run.exitStatus, kSuccess) << run.err;
      EXPECT_TRUE(run.out.starts_with(fifo + ": 42 cities")) << run.out;
    }
  }
}

TEST(ProgramInputOnceTest, EndlessInputsAreRefusedAtTheBound) {
  struct Case {
    std::vector<std::string> arguments;
    std::string inputPath;
  };
  const std::vector<Case> cases = {
      {{"solve", "/dev/zero"}, ""},
      {{"solve", "/dev/zero", "--strict"}, ""},
      {{"solve", "/dev/urandom", "--strict"}, ""},
      {{"check", "-"}, "/dev/zero"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[1] + (c.arguments.size() > 2 ? " --strict" : ""));
    RunSettings settings;
    settings.inputPath = c.inputPath;
    settings.killAfterSeconds = 60.0 * kSlowBuildFactor;
    const ProgramRun run = runRingmarchWith(c.arguments, settings);
    EXPECT_EQ(run.exitStatus, kBadInput) << run.err;
    EXPECT_NE(run.err.find("(more than 256 MiB: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("0x80040302 FileReadFailed"), std::string::npos) << run.err;
  }
}

TEST(ProgramInputOnceTest, StandardInputLeavesNoFileBehindWhenTheProgramIsEnded) {
  ScratchDirectory directory;
  const std::string temporary = directory.path("tmp");
  std::filesystem::create_directory(temporary);
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(signal);
    RunSettings settings;
    settings.input = fileContents(kLongSolveFile);
    settings.environment = {{"TMPDIR", temporary}};
    settings.signal = signal;
    settings.signalAfterSeconds = 0.5 * kSlowBuildFactor;
    settings.killAfterSeconds = 60.0 * kSlowBuildFactor;
    // The exact search by name: under auto the cut engine would prove the lattice before the
    // signal.
    const ProgramRun run =
        runRingmarchWith({"solve", "-", "--quiet", "--engine", "canonical"}, settings);
    EXPECT_NE(run.exitStatus, kSuccess);
    EXPECT_TRUE(namesIn(temporary).empty()) << namesIn(temporary).front();
  }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// The least address space, in steps of 4 MB, in which the program starts at all (its shared
// libraries, the LP solver's among them, are mapped before main).
std::uint64_t startupAddressSpace() {
  for (std::uint64_t megabytes = 4; megabytes <= 512; megabytes += 4) {
    RunSettings settings;
    settings.addressSpaceBytes = megabytes << 20;
    if (runRingmarchWith({"--version"}, settings).exitStatus == kSuccess) return megabytes << 20;
  }
  return std::uint64_t{512} << 20;
}

TEST(ProgramMemoryTest, RunningOutOfMemoryWhileReadingIsACleanRefusal) {
  if (kAddressSanitizer) GTEST_SKIP() << "the sanitizer reserves more address space than any limit";
  // 40 MB: a section line with a trailing blank, then digits on millions of lines.
  std::string text = "NAME: huge\nDIMENSION: 3\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION \n";
  text.reserve(40'000'000);
  while (text.size() < 40'000'000) text += "1\n";
  const std::string refused = "too many numbers: NODE_COORD_SECTION holds ";
  const std::uint64_t startup = startupAddressSpace();
  for (const bool strict : {false, true}) {
    std::vector<std::string> arguments = {"solve", "-"};
    if (strict) arguments.push_back("--strict");
    // From far too little to enough beyond what the program needs to start: every run ends
    // with an answer, none with an abort.
    for (const std::uint64_t megabytes : {0, 16, 32, 48, 64, 84}) {
      SCOPED_TRACE(std::to_string(megabytes) + " MB beyond the start" +
                   (strict ? " --strict" : ""));
      RunSettings settings;
      settings.input = text;
      settings.addressSpaceBytes = startup + (megabytes << 20);
      const ProgramRun run = runRingmarchWith(arguments, settings);
      EXPECT_EQ(run.exitStatus, kBadInput) << run.err;
      const bool outOfMemory = run.err.find("0x80040305 OutOfMemory") != std::string::npos;
      EXPECT_TRUE(outOfMemory || run.err.find(refused) != std::string::npos) << run.err;
    }
    // Reading needs about the input's size: well under three times it is enough.
    RunSettings roomy;
    roomy.input = text;
    roomy.addressSpaceBytes = startup + (std::uint64_t{120} << 20);
    const ProgramRun run = runRingmarchWith(arguments, roomy);
    EXPECT_EQ(run.exitStatus, kBadInput);
    EXPECT_NE(run.err.find(refused), std::string::npos) << run.err;
  }
}

// ---- what check says ----

TEST(ProgramCheckWordsTest, NegativeDistancesAreNamedAndStillSolvable) {
  ScratchDirectory directory;
  const std::string negative =
      directory.write("neg.tsp",
                      "DIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: FULL_MATRIX\n"
                      "EDGE_WEIGHT_SECTION\n0 -1 -1\n-1 0 -1\n-1 -1 0\n");
  const ProgramRun text = runRingmarch({"check", negative});
  EXPECT_EQ(text.exitStatus, kSuccess) << text.err;
  EXPECT_EQ(text.out.find("positive between"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("negative between different cities: city 1 to city 2 is -1"),
            std::string::npos)
      << text.out;
  const JsonValue document = parsedStdout(runRingmarch({"check", negative, "--json"}));
  EXPECT_TRUE(document.at("valid").boolean());
  EXPECT_TRUE(document.at("negative_distances").boolean());
  EXPECT_EQ(document.at("first_negative").at("from").number(), 0);
  EXPECT_EQ(document.at("first_negative").at("to").number(), 1);
  EXPECT_EQ(document.at("first_negative").at("distance").number(), -1);
  const ProgramRun solved = runRingmarch({"solve", negative, "--json"});
  EXPECT_EQ(solved.exitStatus, kSuccess) << solved.err;
  EXPECT_EQ(parsedStdout(solved).at("length").number(), -3);

  // Positive distances are still called so; zero ones still fail the check.
  const ProgramRun positive = runRingmarch({"check", dataFile("gr17.tsp"), "--json"});
  EXPECT_FALSE(parsedStdout(positive).at("negative_distances").boolean());
  const std::string zero =
      directory.write("zero.tsp",
                      "DIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: FULL_MATRIX\n"
                      "EDGE_WEIGHT_SECTION\n0 0 -1\n0 0 -1\n-1 -1 0\n");
  EXPECT_EQ(runRingmarch({"check", zero}).exitStatus, kBadInput);
}

TEST(ProgramCheckWordsTest, TourLengthsBeyond32BitsAreMeasuredWhole) {
  ScratchDirectory directory;
  const std::string instance =
      directory.write("wide.tsp",
                      "DIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: UPPER_ROW\n"
                      "EDGE_WEIGHT_SECTION\n2000000000 2000000000 2147483647\n");
  const std::string tour =
      directory.write("wide.tour", "TYPE: TOUR\nDIMENSION: 3\nTOUR_SECTION\n1 2 3\n-1\n");
  const ProgramRun text = runRingmarch({"check", instance, "--tour", tour});
  EXPECT_NE(text.out.find("valid, every city once, length 6147483647"), std::string::npos)
      << text.out;
  const JsonValue document =
      parsedStdout(runRingmarch({"check", instance, "--tour", tour, "--json"}));
  EXPECT_EQ(document.at("tour_length").number(), 6147483647.0);
}

TEST(ProgramCheckWordsTest, CountsBeyond32BitsNameTheLimit) {
  ScratchDirectory directory;
  const std::string file =
      directory.write("big.tsp", "DIMENSION: 2147483648\nEDGE_WEIGHT_TYPE: EUC_2D\n");
  const ProgramRun tolerant = runRingmarch({"check", file});
  EXPECT_NE(
      tolerant.err.find("(line 1: 2147483648 cities; at most 100000): 0x80040306 TooManyCities"),
      std::string::npos)
      << tolerant.err;
  const ProgramRun strict = runRingmarch({"check", file, "--strict"});
  EXPECT_NE(strict.err.find("(line 1: 2147483648 cities; at most 100000; the strict reader takes "
                            "a DIMENSION beyond 32 bits for damage): 0x80040302 FileReadFailed"),
            std::string::npos)
      << strict.err;
  for (const char* count : {"2147483648", "99999999999999999999999"}) {
    const ProgramRun random = runRingmarch({"random", count});
    EXPECT_EQ(random.exitStatus, kUsage);
    EXPECT_NE(random.err.find(std::string(count) + " cities; at most 100000"), std::string::npos)
        << random.err;
  }
}

}  // namespace
}  // namespace ringmarch::testing
