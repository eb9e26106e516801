#include "cli/output_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "cli/command_line.h"
#include "cli/replace_file.h"

namespace ringmarch::cli {

namespace {

// "<before>'<name>'<after>", built by appending (GCC warns on chains of + with literals here).
std::string quoted(std::string_view before, const std::string& name, std::string_view after) {
  std::string text(before);
  text += '\'';
  text += name;
  text += '\'';
  text += after;
  return text;
}

struct FileIdentity {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  std::string location;  // when it does not exist: canonical folder and name
};

FileIdentity identityOf(const std::string& path) {
  namespace fs = std::filesystem;
  FileIdentity identity;
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0) {
    identity.exists = true;
    identity.device = status.st_dev;
    identity.inode = status.st_ino;
    return identity;
  }
  // A link to a file not yet there writes that file: compare where it points.
  const fs::path target(linkTarget(path));
  std::error_code error;
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  fs::path canonical = fs::weakly_canonical(fs::absolute(folder, error), error);
  if (error) canonical = fs::absolute(folder, error).lexically_normal();
  identity.location = (canonical / target.filename()).string();
  return identity;
}

}  // namespace

bool sameFile(const std::string& first, const std::string& second) {
  const FileIdentity a = identityOf(first);
  const FileIdentity b = identityOf(second);
  if (a.exists != b.exists) return false;
  if (a.exists) return a.device == b.device && a.inode == b.inode;
  return a.location == b.location;
}

std::string outputPathProblem(const std::string& path, const std::vector<std::string>& inputs) {
  namespace fs = std::filesystem;
  std::error_code error;
  for (const std::string& input : inputs) {
    if (input.empty() || input == kStandardStream) continue;
    if (sameFile(path, input))
      return quoted("is the input file ", input, "; it is not written over");
  }
  const fs::path target(linkTarget(path));
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  if (fs::exists(target, error)) {
    if (fs::is_directory(target, error)) return "is a directory";
    if (::access(target.c_str(), W_OK) != 0) return std::strerror(errno);
    if (!fs::is_regular_file(target, error)) return {};
    // A regular file is replaced through a new file beside it.
  } else {
    if (!fs::exists(folder, error)) {
      return quoted("its folder ", folder.string(), " does not exist");
    }
    if (!fs::is_directory(folder, error)) return quoted("", folder.string(), " is not a folder");
  }
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    return quoted("its folder ", folder.string(), " cannot be written: ") + std::strerror(errno);
  }
  return {};
}

}  // namespace ringmarch::cli
