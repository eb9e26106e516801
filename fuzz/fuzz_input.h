// The fuzzer's bytes as a read-only stream, and a growing in-memory stream for writing, so the
// readers and writers run without disk traffic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "model/problem_data.h"

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

// Collects what is written; bytes() is valid after close().
class OutputBuffer {
 public:
  OutputBuffer() : stream_(open_memstream(&data_, &size_)) {}
  ~OutputBuffer() {
    close();
    std::free(data_);
  }
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  std::FILE* stream() const { return stream_; }
  void close() {
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
  }
  const std::uint8_t* bytes() const { return reinterpret_cast<const std::uint8_t*>(data_); }
  std::size_t size() const { return size_; }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* stream_ = nullptr;
};

inline void require(bool condition) {
  if (!condition) __builtin_trap();
}

// Each row's neighbour order lists every city once, by ascending distance.
inline void requireNeighbourOrders(const ProblemData& p) {
  for (int i = 0; i < p.count; ++i) {
    bool seen[kRowCount] = {};
    for (int k = 0; k < p.count; ++k) {
      const int city = p.rows[i].neighbourOrder[k];
      require(city >= 0 && city < p.count && !seen[city]);
      seen[city] = true;
      if (k > 0) require(p.rows[i].dist[p.rows[i].neighbourOrder[k - 1]] <= p.rows[i].dist[city]);
    }
  }
}

}  // namespace ringmarch::fuzzing
