#pragma once

// The C heap as the scene SDK's stores (strings, block arrays, sorted maps,
// property names, compact texts, curve keys) use it: exhausted memory throws
// std::bad_alloc, as operator new does, so that no store answers a failure
// that a caller could drop. The store is left as it was; a read stops with
// "out of memory while ..." and its undo takes back what it made.

#include <cstddef>
#include <cstdlib>
#include <new>

namespace scenesdk
{

// A block of bytes bytes (at least one).
inline void* KHeapAlloc(size_t bytes)
{
    if (void* p = std::malloc(bytes != 0 ? bytes : 1))
        return p;
    throw std::bad_alloc();
}

// A zero-filled block of bytes bytes (at least one).
inline void* KHeapAllocZeroed(size_t bytes)
{
    if (void* p = std::calloc(1, bytes != 0 ? bytes : 1))
        return p;
    throw std::bad_alloc();
}

// The block moved to bytes bytes (at least one); when this throws, p is
// still the caller's, unchanged.
inline void* KHeapRealloc(void* p, size_t bytes)
{
    if (void* moved = std::realloc(p, bytes != 0 ? bytes : 1))
        return moved;
    throw std::bad_alloc();
}

} // namespace scenesdk
