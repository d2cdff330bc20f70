// A pool of equal blocks for the results of every container: a long log makes
// hundreds of thousands of results, and each from the general heap cost an
// allocation and the heap's own header. Blocks come from chunks that double
// in size up to a limit; a freed block is kept for the next result, and once
// every block is free again (the host cleared or freed its containers) the
// chunks go back to the heap, so a host that is done with its results keeps
// no memory for them. Safe to use from several threads (a short lock), though
// containers are driven from one.
#pragma once

#include <cstddef>

namespace result_pool {

// A block of `size` bytes (at most 256, aligned as any result): every caller
// passes the same size, the one of the first call.
void* Allocate(size_t size);
// True when the pool is left unused (no block in use, no container holding
// it) and so gave its chunks back: what goes with the results may go too.
bool Free(void* block);

// A container holds the pool while it lives, so that its blocks stay when it
// is cleared.
void Hold();
bool Release();  // true as for Free

// What the pool holds now: blocks in use and bytes in chunks (for tests and
// benchmarks).
size_t BlocksInUse();
size_t ChunkBytes();
size_t BlockSize();  // 0 before the first block

}  // namespace result_pool
