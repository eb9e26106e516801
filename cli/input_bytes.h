// Every input of the command line is read once, whole and bounded, before any reader looks at it:
// a FIFO or standard input cannot be read twice, an endless device (/dev/zero) must not be read
// forever, and the explanation of a refusal must come from the bytes the reader saw.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "model/error_code.h"
#include "tsplib/tolerant_tsp_reader.h"

namespace ringmarch::cli {

// The most bytes an input may hold: the readers' own bound.
inline constexpr std::size_t kMaxInputBytes = kMaxTspFileBytes;

// A block of bytes in memory, grown with realloc, which moves large blocks by remapping them
// rather than copying: reading needs little more memory than the input's own size.
class InputBytes {
 public:
  InputBytes() = default;
  InputBytes(InputBytes&& other) noexcept;
  InputBytes& operator=(InputBytes&& other) noexcept;
  InputBytes(const InputBytes&) = delete;
  InputBytes& operator=(const InputBytes&) = delete;
  ~InputBytes();

  std::string_view view() const { return {data_ == nullptr ? "" : data_, size_}; }
  std::size_t size() const { return size_; }

  // Room for at least `more` further bytes, growing to no more than `most` in all unless more
  // needs it; false when memory runs out (nothing changes then).
  bool reserveMore(std::size_t more, std::size_t most);
  char* end() { return data_ + size_; }
  std::size_t spare() const { return capacity_ - size_; }
  void grow(std::size_t added) { size_ += added; }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

struct InputRead {
  ErrorCode code = ErrorCode::Success;  // FileOpenFailed, FileReadFailed or OutOfMemory
  std::string reason;                   // the failure in words; empty on success
  InputBytes bytes;
};

// Reads the named file, or standard input for "-", up to limit bytes. More than limit bytes is a
// FileReadFailed refusal that says so; a directory is FileReadFailed "is a directory".
InputRead readInput(const std::string& path, std::size_t limit = kMaxInputBytes);

// A read-only stream over bytes held in memory (they must outlive it); nullptr when none can be
// made. The readers take streams, so the bytes reach them as from a file.
std::FILE* openMemoryStream(std::string_view bytes);

}  // namespace ringmarch::cli
