// Memory of the search: a per-solve LIFO pool (arena) of large chunks from which every level
// takes its node arrays and every evaluation its arc table. A level releases what it took before
// it returns, so the pool's top moves up and down with the recursion and the chunks are reused
// from level to level instead of going back to the heap. A block released out of order is only
// marked; it is reclaimed as soon as every block above it is released too.
//
// Failure injection: the allocation whose 1-based number equals options.failAllocationNumber
// answers nullptr as if memory had run out.
#include "solver/search_context.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

// Under AddressSanitizer the pool marks the memory it does not hand out as unaddressable, so a
// read or write through a released block is reported as it would be for heap memory.
#if defined(__SANITIZE_ADDRESS__)
#define RINGMARCH_POOL_POISONING 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RINGMARCH_POOL_POISONING 1
#endif
#endif
#ifdef RINGMARCH_POOL_POISONING
#include <sanitizer/asan_interface.h>
#define POOL_POISON(address, bytes) ASAN_POISON_MEMORY_REGION(address, bytes)
#define POOL_UNPOISON(address, bytes) ASAN_UNPOISON_MEMORY_REGION(address, bytes)
#else
#define POOL_POISON(address, bytes) ((void)(address), (void)(bytes))
#define POOL_UNPOISON(address, bytes) ((void)(address), (void)(bytes))
#endif

namespace ringmarch {

namespace {

constexpr std::size_t kAlignment = 64;  // blocks start on cache lines
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;
constexpr std::size_t kMaxChunks = 4096;

std::size_t roundUp(std::size_t bytes) {
  return (bytes + kAlignment - 1) / kAlignment * kAlignment;
}

struct Chunk {
  unsigned char* base = nullptr;
  std::size_t capacity = 0;
  std::size_t used = 0;
};

}  // namespace

// Precedes every block handed out by the pool; padded so that the block stays aligned.
// Cache-line aligned chunks through the aligned operator new, which every platform's library
// offers (std::aligned_alloc is missing from some C runtimes).
unsigned char* allocateChunk(std::size_t bytes) {
  return static_cast<unsigned char*>(
      ::operator new (bytes, std::align_val_t{kAlignment}, std::nothrow));
}

void freeChunk(unsigned char* base) {
  if (base != nullptr) ::operator delete (base, std::align_val_t{kAlignment});
}

struct alignas(kAlignment) BlockHeader {
  BlockHeader* below;  // the block allocated before this one (nullptr for the lowest)
  std::size_t chunk;   // index of the chunk that holds the block
  std::size_t offset;  // where the header starts inside its chunk
  std::size_t bytes;   // the block's size, header excluded
  bool released;
};

class SearchArena {
 public:
  ~SearchArena() {
    for (Chunk& chunk : chunks_) {
      POOL_UNPOISON(chunk.base, chunk.capacity);
      freeChunk(chunk.base);
    }
  }

  bool reserve(std::size_t bytes) { return addChunk(0, bytes); }

  void* allocate(std::size_t bytes) {
    const std::size_t needed = sizeof(BlockHeader) + roundUp(std::max<std::size_t>(bytes, 1));
    std::size_t index = current_;
    if (chunks_.empty() || chunks_[index].capacity - chunks_[index].used < needed) {
      // Chunks above the current one are empty (the pool is a stack): move up to the next one,
      // replacing it when it is too small.
      index = chunks_.empty() ? 0 : current_ + 1;
      if (index >= chunks_.size() || chunks_[index].capacity < needed) {
        if (!addChunk(index, needed)) return nullptr;
      }
    }
    Chunk& chunk = chunks_[index];
    POOL_UNPOISON(chunk.base + chunk.used, needed);
    auto* header = reinterpret_cast<BlockHeader*>(chunk.base + chunk.used);
    header->below = top_;
    header->chunk = index;
    header->offset = chunk.used;
    header->bytes = needed - sizeof(BlockHeader);
    header->released = false;
    chunk.used += needed;
    top_ = header;
    current_ = index;
    ++blocksInUse_;
    return header + 1;
  }

  void release(void* block) {
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    header->released = true;
    POOL_POISON(block, header->bytes);
    --blocksInUse_;
    while (top_ != nullptr && top_->released) {
      chunks_[top_->chunk].used = top_->offset;
      top_ = top_->below;
    }
    current_ = top_ != nullptr ? top_->chunk : 0;
  }

  std::size_t reservedBytes() const {
    std::size_t total = 0;
    for (const Chunk& chunk : chunks_) total += chunk.capacity;
    return total;
  }
  std::size_t blocksInUse() const { return blocksInUse_; }

 private:
  // Puts a chunk of at least bytes at index (appending, or replacing an empty chunk there).
  bool addChunk(std::size_t index, std::size_t bytes) {
    if (index > chunks_.size() || index >= kMaxChunks) return false;
    const std::size_t capacity = std::max(kChunkBytes, roundUp(bytes));
    auto* base = allocateChunk(capacity);
    if (base == nullptr) return false;
    POOL_POISON(base, capacity);
    if (index == chunks_.size()) {
      // The chunk list grows rarely (a chunk per megabyte of search memory); reserving room up
      // front keeps that growth from failing halfway.
      if (chunks_.capacity() == chunks_.size()) {
        try {
          chunks_.reserve(std::max<std::size_t>(16, chunks_.size() * 2));
        } catch (const std::bad_alloc&) {
          POOL_UNPOISON(base, capacity);
          freeChunk(base);
          return false;
        }
      }
      chunks_.push_back(Chunk{base, capacity, 0});
    } else {
      POOL_UNPOISON(chunks_[index].base, chunks_[index].capacity);
      freeChunk(chunks_[index].base);
      chunks_[index] = Chunk{base, capacity, 0};
    }
    return true;
  }

  std::vector<Chunk> chunks_;
  std::size_t current_ = 0;
  BlockHeader* top_ = nullptr;
  std::size_t blocksInUse_ = 0;
};

SearchArena* createArena(std::size_t firstChunkBytes) {
  auto* arena = new (std::nothrow) SearchArena;
  if (arena == nullptr) return nullptr;
  if (!arena->reserve(firstChunkBytes)) {
    delete arena;
    return nullptr;
  }
  return arena;
}

void destroyArena(SearchArena* arena) {
  delete arena;
}

std::size_t arenaReservedBytes(const SearchArena* arena) {
  return arena != nullptr ? arena->reservedBytes() : 0;
}

std::size_t arenaBlocksInUse(const SearchArena* arena) {
  return arena != nullptr ? arena->blocksInUse() : 0;
}

SolveProgress currentProgress(const SearchContext& context) {
  const SolverState& state = context.state;
  const std::int32_t best = std::min(state.bestLength, state.improvedLength);
  return SolveProgress{context.statistics.evaluatedNodes, unshiftedLength(state, best),
                       context.statistics.lowerBound};
}

bool keepSearching(SearchContext& context) {
  if (context.stopRequested) return false;
  SolveMonitor* monitor = context.options.monitor;
  if (monitor == nullptr || monitor->keepGoing(currentProgress(context))) return true;
  context.stopRequested = true;
  return false;
}

void* allocateBlock(SearchContext& context, std::size_t bytes) {
  context.allocationCount += 1;
  void* block = nullptr;
  if (context.allocationCount != context.options.failAllocationNumber) {
    block = context.arena != nullptr ? context.arena->allocate(bytes)
                                     : std::malloc(std::max<std::size_t>(bytes, 1));
  }
  if (block == nullptr) context.outOfMemory = true;
  return block;
}

void releaseBlock(SearchContext& context, void* block) {
  if (block == nullptr) return;
  if (context.arena != nullptr) {
    context.arena->release(block);
  } else {
    std::free(block);
  }
}

ArcTable* allocateArcTable(SearchContext& context) {
  auto* table = static_cast<ArcTable*>(allocateBlock(context, sizeof(ArcTable)));
  if (table == nullptr) return nullptr;
  const std::size_t n = static_cast<std::size_t>(context.state.cityCount);
  for (std::size_t row = 0; row < n; ++row) std::memset((*table)[row], 0, n);
  return table;
}

void releaseArcTable(SearchContext& context, ArcTable* table) {
  releaseBlock(context, table);
}

}  // namespace ringmarch
