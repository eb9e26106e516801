// A uniquely named file in the temporary directory that is removed when the owner goes away.
// The built-in instance and instances written to standard output pass through one, because the
// TSPLIB reader and writer work on named files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ringmarch::cli {

class TempFile {
 public:
  // A new file holding contents; nullopt (with errno set) when it cannot be created or written.
  static std::optional<TempFile> create(std::string_view suffix, std::string_view contents);

  TempFile(TempFile&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }
  TempFile& operator=(TempFile&&) = delete;
  TempFile(const TempFile&) = delete;
  ~TempFile();

  const std::string& path() const { return path_; }

 private:
  explicit TempFile(std::string path) : path_(std::move(path)) {}
  std::string path_;
};

// The whole content of a file; nullopt when it cannot be read.
std::optional<std::string> readWholeFile(const std::string& path);

}  // namespace ringmarch::cli
