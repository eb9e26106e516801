#include "cli/temp_file.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace ringmarch::cli {

std::optional<TempFile> TempFile::create(std::string_view suffix, std::string_view contents) {
  std::error_code error;
  std::filesystem::path directory = std::filesystem::temp_directory_path(error);
  if (error) directory = "/tmp";
  std::string pattern = (directory / "ringmarch-XXXXXX").string();
  pattern += suffix;
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int descriptor = mkstemps(name.data(), static_cast<int>(suffix.size()));
  if (descriptor < 0) return std::nullopt;
  TempFile file(std::string(name.data()));
  std::size_t written = 0;
  while (written < contents.size()) {
    const ssize_t n = ::write(descriptor, contents.data() + written, contents.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int saved = errno;
      ::close(descriptor);
      errno = saved;
      return std::nullopt;
    }
    written += static_cast<std::size_t>(n);
  }
  if (::close(descriptor) != 0) return std::nullopt;
  return file;
}

TempFile::~TempFile() {
  if (!path_.empty()) ::unlink(path_.c_str());
}

std::optional<std::string> readWholeFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  std::string text;
  char buffer[8192];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return text;
}

}  // namespace ringmarch::cli
