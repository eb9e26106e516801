// The command line's file handling on its own: outputs replaced whole or not at all, names that
// reach one file by different spellings, and inputs read once within a bound.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/input_bytes.h"
#include "cli/output_paths.h"
#include "cli/replace_file.h"
#include "support/scratch_files.h"

namespace ringmarch::cli {
namespace {

using ringmarch::testing::fileContents;
using ringmarch::testing::namesIn;
using ringmarch::testing::ScratchDirectory;

mode_t modeOf(const std::string& path) {
  struct stat status {};
  EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

// ---- replacing files ----

TEST(ReplaceFileTest, AFailedWriteLeavesTheOldFileAndNoOtherFile) {
  ScratchDirectory directory;
  const std::string target = directory.write("o.svg", "old svg");
  // The writer fails half-way, after putting bytes into the stream.
  const std::string problem = replaceFile(target, [](std::FILE* stream) {
    std::fputs("<svg partial", stream);
    return false;
  });
  EXPECT_FALSE(problem.empty());
  EXPECT_EQ(fileContents(target), "old svg");
  EXPECT_EQ(namesIn(directory.path("")), std::vector<std::string>{"o.svg"});

  // A writer that succeeds replaces the file, and still no other file stays.
  ASSERT_EQ(replaceFileWithText(target, "<svg/>"), "");
  EXPECT_EQ(fileContents(target), "<svg/>");
  EXPECT_EQ(namesIn(directory.path("")), std::vector<std::string>{"o.svg"});
}

TEST(ReplaceFileTest, NewFilesGetTheUmaskModeAndReplacedFilesKeepTheirs) {
  ScratchDirectory directory;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  const std::string fresh = directory.path("fresh.tour");
  ASSERT_EQ(replaceFileWithText(fresh, "new"), "");
  EXPECT_EQ(fileContents(fresh), "new");
  EXPECT_EQ(modeOf(fresh), static_cast<mode_t>(0666 & ~mask));

  const std::string kept = directory.write("kept.tour", "old");
  ASSERT_EQ(::chmod(kept.c_str(), 0604), 0);
  ASSERT_EQ(replaceFileWithText(kept, "replaced"), "");
  EXPECT_EQ(fileContents(kept), "replaced");
  EXPECT_EQ(modeOf(kept), static_cast<mode_t>(0604));
}

TEST(ReplaceFileTest, LinksAreFollowedAndKept) {
  ScratchDirectory directory;
  const std::string target = directory.write("real.svg", "old");
  const std::string link = directory.path("link.svg");
  std::filesystem::create_symlink("real.svg", link);
  ASSERT_EQ(replaceFileWithText(link, "through the link"), "");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(fileContents(target), "through the link");

  // A link to a file not yet there creates that file.
  const std::string dangling = directory.path("later.svg");
  std::filesystem::create_symlink("made.svg", dangling);
  ASSERT_EQ(replaceFileWithText(dangling, "made"), "");
  EXPECT_TRUE(std::filesystem::is_symlink(dangling));
  EXPECT_EQ(fileContents(directory.path("made.svg")), "made");
}

TEST(ReplaceFileTest, SpecialFilesAreWrittenDirectlyAndMissingFoldersFail) {
  EXPECT_EQ(replaceFileWithText("/dev/null", "anything"), "");
  // A full device: the write is made directly, and its failure is the answer.
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_EQ(replaceFileWithText("/dev/full", std::string(1 << 16, 'x')),
              "No space left on device");
  }
  ScratchDirectory directory;
  const std::string problem = replaceFileWithText(directory.path("none/x.tour"), "x");
  EXPECT_NE(problem.find("cannot create a new file in its folder"), std::string::npos) << problem;
}

// ---- names of one file ----

TEST(SameFileTest, EverySpellingOfOneFileIsTheSameFile) {
  ScratchDirectory directory;
  const std::string folder = directory.path("");
  const std::string existing = directory.write("x.tsp", "x");
  std::filesystem::create_directory(directory.path("sub"));
  std::filesystem::create_hard_link(existing, directory.path("hard.tsp"));
  std::filesystem::create_symlink("x.tsp", directory.path("soft.tsp"));
  std::filesystem::create_symlink("new.tsp", directory.path("soft-new.tsp"));
  std::filesystem::create_directory_symlink("sub", directory.path("sublink"));
  struct Case {
    std::string first;
    std::string second;
    bool same;
  };
  const std::vector<Case> cases = {
      {existing, directory.path("./x.tsp"), true},
      {existing, directory.path("sub/../x.tsp"), true},
      {existing, directory.path("hard.tsp"), true},
      {existing, directory.path("soft.tsp"), true},
      {directory.path("new.tsp"), directory.path("sub/../new.tsp"), true},
      {directory.path("new.tsp"), directory.path("soft-new.tsp"), true},
      {directory.path("sub/a.tsp"), directory.path("sublink/a.tsp"), true},
      {directory.path("new.tsp"), directory.path("other.tsp"), false},
      {existing, directory.path("new.tsp"), false},
      {directory.path("sub/x.tsp"), existing, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.first + " / " + c.second);
    EXPECT_EQ(sameFile(c.first, c.second), c.same);
    EXPECT_EQ(sameFile(c.second, c.first), c.same);
  }
}

TEST(OutputPathTest, InputsAreKnownByTheirFileAndOtherFilesMayBeReplaced) {
  ScratchDirectory directory;
  const std::string input = directory.write("in.tsp", "x");
  const std::string existing = directory.write("out.tsp", "old");
  std::filesystem::create_hard_link(input, directory.path("alias.tsp"));
  EXPECT_NE(outputPathProblem(directory.path("alias.tsp"), {input}).find("is the input file"),
            std::string::npos);
  EXPECT_EQ(outputPathProblem(existing, {input}), "");
  EXPECT_EQ(outputPathProblem(directory.path("new.tsp"), {input, "-"}), "");
  EXPECT_EQ(outputPathProblem(directory.path(""), {}), "is a directory");
  if (::geteuid() != 0) {
    // A replaced file needs a folder in which a new file can be made.
    ASSERT_EQ(::chmod(directory.path("").c_str(), 0500), 0);
    EXPECT_NE(outputPathProblem(existing, {}).find("cannot be written"), std::string::npos);
    ::chmod(directory.path("").c_str(), 0700);
  }
}

// ---- bounded inputs ----

TEST(InputBytesTest, InputsAreReadWholeUpToTheLimit) {
  ScratchDirectory directory;
  const std::string text(100, 'a');
  const std::string path = directory.write("hundred.tsp", text);
  InputRead whole = readInput(path, 100);
  ASSERT_EQ(whole.code, ErrorCode::Success) << whole.reason;
  EXPECT_EQ(whole.bytes.view(), text);

  const InputRead over = readInput(path, 99);
  EXPECT_EQ(over.code, ErrorCode::FileReadFailed);
  EXPECT_NE(over.reason.find("more than 99 bytes"), std::string::npos) << over.reason;

  // Devices have no size: the limit alone ends them.
  const InputRead endless = readInput("/dev/zero", 300000);
  EXPECT_EQ(endless.code, ErrorCode::FileReadFailed);
  EXPECT_NE(endless.reason.find("more than 300000 bytes"), std::string::npos) << endless.reason;

  EXPECT_EQ(readInput(directory.path("missing.tsp")).code, ErrorCode::FileOpenFailed);
  const InputRead folder = readInput(directory.path(""));
  EXPECT_EQ(folder.code, ErrorCode::FileReadFailed);
  EXPECT_EQ(folder.reason, "is a directory");

  const InputRead empty = readInput(directory.write("empty.tsp", ""));
  ASSERT_EQ(empty.code, ErrorCode::Success);
  EXPECT_EQ(empty.bytes.size(), 0u);
}

TEST(InputBytesTest, MemoryStreamsGiveTheBytesBackWithNulsAndTheEnd) {
  const std::string bytes("a\0b\n", 4);
  std::FILE* stream = openMemoryStream(bytes);
  ASSERT_NE(stream, nullptr);
  std::string read;
  for (int c = std::getc(stream); c != EOF; c = std::getc(stream))
    read.push_back(static_cast<char>(c));
  std::fclose(stream);
  EXPECT_EQ(read, bytes);

  std::FILE* empty = openMemoryStream({});
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(std::getc(empty), EOF);
  std::fclose(empty);
}

}  // namespace
}  // namespace ringmarch::cli
