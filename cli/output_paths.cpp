#include "cli/output_paths.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "cli/command_line.h"

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

}  // namespace

std::string outputPathProblem(const std::string& path, const std::vector<std::string>& inputs) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path target(path);
  if (fs::exists(target, error)) {
    if (fs::is_directory(target, error)) return "is a directory";
    for (const std::string& input : inputs) {
      if (input.empty() || input == kStandardStream) continue;
      if (fs::equivalent(target, fs::path(input), error)) {
        return quoted("is the input file ", input, "; it is not written over");
      }
    }
    if (::access(path.c_str(), W_OK) != 0) return std::strerror(errno);
    return {};
  }
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  if (!fs::exists(folder, error)) return quoted("its folder ", folder.string(), " does not exist");
  if (!fs::is_directory(folder, error)) return quoted("", folder.string(), " is not a folder");
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    return quoted("its folder ", folder.string(), " cannot be written: ") + std::strerror(errno);
  }
  return {};
}

}  // namespace ringmarch::cli
