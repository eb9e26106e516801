// Replaces an output file through a temporary file in the same folder: the content is written,
// flushed, synced and closed, and only then renamed over the target, which POSIX makes atomic
// within one file system. Any failure removes the temporary file and leaves the target intact.
// Reads: the target's type and mode and the process's umask. Changes: the target (on success)
// and, while it runs, one hidden file ".<name>.XXXXXX" beside it.
#include "cli/replace_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace ringmarch::cli {
namespace {

// Names under these folders are devices or views of descriptors (/dev/stdout, /proc/self/fd/1):
// renaming a file over one would detach it from what it stands for.
bool isDeviceName(const std::string& path) {
  return path.starts_with("/dev/") || path.starts_with("/proc/");
}

mode_t newFileMode() {
  // umask can only be read by setting it; the old value is put back at once.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

std::string errorText(int error) {
  return std::strerror(error != 0 ? error : EIO);
}

// Writes to an existing special file as any program would: it cannot be replaced.
std::string writeDirectly(const std::string& path, const std::function<bool(std::FILE*)>& write) {
  std::FILE* stream = std::fopen(path.c_str(), "w");
  if (stream == nullptr) return errorText(errno);
  errno = 0;
  bool written = write(stream);
  written = std::fflush(stream) == 0 && written && std::ferror(stream) == 0;
  int error = errno;
  if (std::fclose(stream) != 0 && written) {
    written = false;
    error = errno;
  }
  return written ? std::string() : errorText(error);
}

// Makes the rename itself durable; a folder that cannot be synced changes nothing of the result.
void syncFolder(const std::string& folder) {
  const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return;
  ::fsync(descriptor);
  ::close(descriptor);
}

}  // namespace

std::string linkTarget(const std::string& path) {
  namespace fs = std::filesystem;
  fs::path current(path);
  // As many links as the system itself follows before it gives up (ELOOP).
  for (int hop = 0; hop < 40; ++hop) {
    std::error_code error;
    // The links of /proc name descriptors ("pipe:[12]"), not paths.
    if (isDeviceName(current.string())) return current.string();
    if (!fs::is_symlink(fs::symlink_status(current, error))) return current.string();
    const fs::path next = fs::read_symlink(current, error);
    if (error) return current.string();
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
  return current.string();
}

std::string replaceFile(const std::string& target, const std::function<bool(std::FILE*)>& write) {
  const std::string resolved = linkTarget(target);
  struct stat existing {};
  const bool exists = ::stat(resolved.c_str(), &existing) == 0;
  if (isDeviceName(target) || isDeviceName(resolved) || (exists && !S_ISREG(existing.st_mode))) {
    return writeDirectly(target, write);
  }

  const std::filesystem::path location(resolved);
  const std::string folder =
      location.has_parent_path() ? location.parent_path().string() : std::string(".");
  std::string pattern = folder + "/." + location.filename().string() + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int descriptor = ::mkstemp(name.data());
  if (descriptor < 0) {
    return "cannot create a new file in its folder '" + folder + "': " + errorText(errno);
  }
  const std::string temporary(name.data());
  auto failWith = [&](int error) {
    ::unlink(temporary.c_str());
    return errorText(error);
  };
  const mode_t mode = exists ? static_cast<mode_t>(existing.st_mode & 07777) : newFileMode();
  if (::fchmod(descriptor, mode) != 0) {
    const int error = errno;
    ::close(descriptor);
    return failWith(error);
  }
  std::FILE* stream = ::fdopen(descriptor, "w");
  if (stream == nullptr) {
    const int error = errno;
    ::close(descriptor);
    return failWith(error);
  }
  errno = 0;
  bool written = write(stream);
  // The stream's buffer reaches the file only at the flush: a full disk shows here.
  written = std::fflush(stream) == 0 && written && std::ferror(stream) == 0;
  int error = errno;
  if (written && ::fsync(::fileno(stream)) != 0) {
    written = false;
    error = errno;
  }
  if (std::fclose(stream) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written) return failWith(error);
  if (std::rename(temporary.c_str(), resolved.c_str()) != 0) return failWith(errno);
  syncFolder(folder);
  return {};
}

std::string replaceFileWithText(const std::string& target, std::string_view text) {
  return replaceFile(target, [text](std::FILE* stream) {
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
  });
}

}  // namespace ringmarch::cli
