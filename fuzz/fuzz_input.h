// The fuzzer's bytes as a read-only stream, so the readers run without disk traffic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace ringmarch::fuzzing {

class MemoryStream {
 public:
  MemoryStream(const std::uint8_t* data, std::size_t size) : bytes_(data, data + size) {
    // An empty buffer cannot back a stream; one byte is kept but not exposed.
    if (bytes_.empty()) bytes_.push_back(0);
    stream_ = fmemopen(bytes_.data(), size, "r");
  }
  ~MemoryStream() {
    if (stream_ != nullptr) std::fclose(stream_);
  }
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;

  std::FILE* stream() const { return stream_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::FILE* stream_ = nullptr;
};

}  // namespace ringmarch::fuzzing
