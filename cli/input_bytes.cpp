// Reads an input whole into memory with a bound on its size. Reads: the file or standard input,
// with read(2), retrying interrupted reads. Changes nothing. A result without failure holds every
// byte of the input; memory grows with the input (about its size, never more than twice it).
#include "cli/input_bytes.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "cli/command_line.h"
#include "tsplib/tolerant_tsp_reader.h"

namespace ringmarch::cli {
namespace {

constexpr std::size_t kFirstBlock = std::size_t{64} << 10;

std::string sizeText(std::size_t bytes) {
  if (bytes % (std::size_t{1} << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
  return std::to_string(bytes) + " bytes";
}

InputRead failed(ErrorCode code, std::string reason) {
  InputRead read;
  read.code = code;
  read.reason = std::move(reason);
  return read;
}

}  // namespace

InputBytes::InputBytes(InputBytes&& other) noexcept
    : data_(other.data_), size_(other.size_), capacity_(other.capacity_) {
  other.data_ = nullptr;
  other.size_ = other.capacity_ = 0;
}

InputBytes& InputBytes::operator=(InputBytes&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = other.data_;
    size_ = other.size_;
    capacity_ = other.capacity_;
    other.data_ = nullptr;
    other.size_ = other.capacity_ = 0;
  }
  return *this;
}

InputBytes::~InputBytes() {
  std::free(data_);
}

bool InputBytes::reserveMore(std::size_t more, std::size_t most) {
  if (capacity_ - size_ >= more) return true;
  // Half again as much each time: few moves, and at most half the size unused.
  std::size_t wanted = capacity_ + capacity_ / 2;
  if (wanted > most) wanted = most;
  if (wanted < size_ + more) wanted = size_ + more;
  void* moved = std::realloc(data_, wanted);
  if (moved == nullptr) return false;
  data_ = static_cast<char*>(moved);
  capacity_ = wanted;
  return true;
}

InputRead readInput(const std::string& path, std::size_t limit) {
  const bool standardInput = path == kStandardStream;
  const int descriptor = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    return failed(ErrorCode::FileOpenFailed, cannotBeOpenedReason(errno));
  }
  struct Closer {
    int descriptor;
    bool owned;
    ~Closer() {
      if (owned) ::close(descriptor);
    }
  } closer{descriptor, !standardInput};

  struct stat status {};
  std::size_t expected = kFirstBlock;
  if (::fstat(descriptor, &status) == 0) {
    if (S_ISDIR(status.st_mode)) return failed(ErrorCode::FileReadFailed, "is a directory");
    // A regular file's size is known: one block of exactly that size (and a byte to see the end).
    if (S_ISREG(status.st_mode) && status.st_size >= 0) {
      const auto size = static_cast<std::uint64_t>(status.st_size);
      expected = size < limit ? static_cast<std::size_t>(size) + 1 : limit + 1;
    }
  }
  InputRead read;
  std::size_t block = expected;
  for (;;) {
    if (!read.bytes.reserveMore(block, limit + 1)) {
      return failed(ErrorCode::OutOfMemory, "not enough memory to hold the input (" +
                                                std::to_string(read.bytes.size()) +
                                                " bytes read so far)");
    }
    // Never ask for more than one byte past the limit: that byte is enough to refuse.
    std::size_t wanted = read.bytes.spare();
    if (read.bytes.size() + wanted > limit + 1) wanted = limit + 1 - read.bytes.size();
    const ssize_t n = ::read(descriptor, read.bytes.end(), wanted);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      if (error == EISDIR) return failed(ErrorCode::FileReadFailed, "is a directory");
      return failed(ErrorCode::FileReadFailed, cannotBeReadReason(error));
    }
    if (n == 0) break;
    read.bytes.grow(static_cast<std::size_t>(n));
    if (read.bytes.size() > limit) {
      return failed(ErrorCode::FileReadFailed,
                    limit == kMaxTspFileBytes
                        ? inputTooLargeReason()
                        : "more than " + sizeText(limit) + ": reading stopped there");
    }
    block =
        read.bytes.size() + kFirstBlock > limit + 1 ? limit + 1 - read.bytes.size() : kFirstBlock;
  }
  return read;
}

std::FILE* openMemoryStream(std::string_view bytes) {
  // The stream only reads; the cast is the interface's, not a write.
  return ::fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "r");
}

}  // namespace ringmarch::cli
