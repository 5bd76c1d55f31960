#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

// A fast hash of a file's contents (XXH3, 64 bits), at memory speed: what tells whether a file on disk is
// still the one a recovery journal was written against.
namespace Engine {

uint64_t ContentHash(const uint8_t* data, size_t size);

// The hash of bytes that arrive in pieces, one after another.
class TContentHasher {
  public:
    TContentHasher();
    ~TContentHasher();
    TContentHasher(const TContentHasher&) = delete;
    TContentHasher& operator=(const TContentHasher&) = delete;

    void Add(const uint8_t* data, size_t size);
    uint64_t Digest() const;

  private:
    void* State;
};

// Hashes a buffer while it is being filled from its start, on a thread of its own that follows the filling,
// so that a load does not wait for the hash: Filled tells how far the bytes stand, Finish waits for the rest.
// Small buffers are hashed on the caller's thread at Finish.
class TTrailingHasher {
  public:
    TTrailingHasher(const uint8_t* data, int64_t size);
    ~TTrailingHasher();
    TTrailingHasher(const TTrailingHasher&) = delete;
    TTrailingHasher& operator=(const TTrailingHasher&) = delete;

    void Filled(int64_t bytes);
    // The hash of the size bytes; they must all be filled.
    uint64_t Finish();

  private:
    void Follow();

    const uint8_t* Data;
    int64_t Size;
    std::atomic<int64_t> Ready{0}; // -1: stop
    TContentHasher Hasher;
    std::thread Thread;
};

} // namespace Engine
