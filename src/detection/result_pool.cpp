#include "detection/result_pool.h"

#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

#include "support/spin_lock.h"

// Under AddressSanitizer every block comes from the heap and goes back to
// it, so that a result read after it was freed is still caught.
#if defined(__SANITIZE_ADDRESS__)
#define RESULT_POOL_PASSES_THROUGH 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RESULT_POOL_PASSES_THROUGH 1
#endif
#endif

namespace result_pool {
namespace {

constexpr size_t Alignment = alignof(std::max_align_t);
constexpr size_t FirstChunkBlocks = 64;
constexpr size_t LastChunkBlocks = 16384;  // about 2 MB of 112-byte blocks

struct FreeBlock {
  FreeBlock* Next;
};

struct Pool {
  SpinLock Lock;
  size_t BlockSize = 0;
  FreeBlock* FreeList = nullptr;
  size_t InUse = 0;
  size_t Holders = 0;
  size_t Bytes = 0;
  size_t NextChunkBlocks = FirstChunkBlocks;
  // Chunks as the heap gave them; their own list is kept apart from the
  // blocks so that freeing them walks no block.
  std::vector<void*> Chunks;
};

// Never destroyed: results freed by a host's static objects at exit still
// find their pool.
Pool& pool() {
  static Pool* p = new Pool;
  return *p;
}

void grow(Pool& p) {
  const size_t blocks = p.NextChunkBlocks;
  char* chunk = static_cast<char*>(::operator new(blocks * p.BlockSize));
  p.Chunks.push_back(chunk);
  p.Bytes += blocks * p.BlockSize;
  if (p.NextChunkBlocks < LastChunkBlocks) p.NextChunkBlocks *= 2;
  // Threaded so that blocks are handed out in address order.
  for (size_t i = blocks; i-- > 0;) {
    auto* b = reinterpret_cast<FreeBlock*>(chunk + i * p.BlockSize);
    b->Next = p.FreeList;
    p.FreeList = b;
  }
}

// With the lock held: the chunks to free once nothing uses or holds them.
std::vector<void*> unused(Pool& p) {
  std::vector<void*> chunks;
  if (p.InUse > 0 || p.Holders > 0) return chunks;
  chunks.swap(p.Chunks);
  p.FreeList = nullptr;
  p.Bytes = 0;
  p.NextChunkBlocks = FirstChunkBlocks;
  return chunks;
}

void freeChunks(const std::vector<void*>& chunks) {
  for (void* chunk : chunks) ::operator delete(chunk);
}

}  // namespace

void* Allocate(size_t size) {
  Pool& p = pool();
  std::lock_guard<SpinLock> guard(p.Lock);
  if (p.BlockSize == 0) p.BlockSize = (size + Alignment - 1) / Alignment * Alignment;
  if (size > p.BlockSize) throw std::bad_alloc();  // one block size only
#ifdef RESULT_POOL_PASSES_THROUGH
  ++p.InUse;
  return ::operator new(p.BlockSize);
#endif
  if (!p.FreeList) grow(p);
  FreeBlock* b = p.FreeList;
  p.FreeList = b->Next;
  ++p.InUse;
  return b;
}

bool Free(void* block) {
  if (!block) return false;
  Pool& p = pool();
  std::vector<void*> chunks;
  bool idle = false;
  {
    std::lock_guard<SpinLock> guard(p.Lock);
#ifdef RESULT_POOL_PASSES_THROUGH
    --p.InUse;
    ::operator delete(block);
    return p.InUse == 0 && p.Holders == 0;
#endif
    auto* b = static_cast<FreeBlock*>(block);
    b->Next = p.FreeList;
    p.FreeList = b;
    --p.InUse;
    idle = p.InUse == 0 && p.Holders == 0;
    chunks = unused(p);
  }
  freeChunks(chunks);
  return idle;
}

void Hold() {
  Pool& p = pool();
  std::lock_guard<SpinLock> guard(p.Lock);
  ++p.Holders;
}

bool Release() {
  Pool& p = pool();
  std::vector<void*> chunks;
  bool idle = false;
  {
    std::lock_guard<SpinLock> guard(p.Lock);
    if (p.Holders > 0) --p.Holders;
    idle = p.InUse == 0 && p.Holders == 0;
    chunks = unused(p);
  }
  freeChunks(chunks);
  return idle;
}

size_t BlocksInUse() {
  Pool& p = pool();
  std::lock_guard<SpinLock> guard(p.Lock);
  return p.InUse;
}

size_t BlockSize() {
  Pool& p = pool();
  std::lock_guard<SpinLock> guard(p.Lock);
  return p.BlockSize;
}

size_t ChunkBytes() {
  Pool& p = pool();
  std::lock_guard<SpinLock> guard(p.Lock);
  return p.Bytes;
}

}  // namespace result_pool
