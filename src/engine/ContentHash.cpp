#include "engine/ContentHash.h"

#include <algorithm>
#include <system_error>
#include <xxhash.h>

namespace Engine {

namespace {

// Below this the hash costs less than starting a thread.
constexpr int64_t ThreadFrom = int64_t{4} << 20;
constexpr int64_t Step = int64_t{8} << 20;

XXH3_state_t* StateOf(void* state) {
    return static_cast<XXH3_state_t*>(state);
}

} // namespace

uint64_t ContentHash(const uint8_t* data, size_t size) {
    return XXH3_64bits(data, size);
}

TContentHasher::TContentHasher() : State(XXH3_createState()) {
    if (State) XXH3_64bits_reset(StateOf(State));
}

TContentHasher::~TContentHasher() {
    XXH3_freeState(StateOf(State));
}

void TContentHasher::Add(const uint8_t* data, size_t size) {
    if (State && size > 0) XXH3_64bits_update(StateOf(State), data, size);
}

uint64_t TContentHasher::Digest() const {
    return State ? XXH3_64bits_digest(StateOf(State)) : 0;
}

TTrailingHasher::TTrailingHasher(const uint8_t* data, int64_t size) : Data(data), Size(size) {
    if (size < ThreadFrom) return;
    try {
        Thread = std::thread([this] { Follow(); });
    } catch (const std::system_error&) {
        // Without a thread the hash is made at Finish.
    }
}

TTrailingHasher::~TTrailingHasher() {
    if (!Thread.joinable()) return;
    // A load that failed: the thread stops where it is.
    Ready.store(-1, std::memory_order_release);
    Ready.notify_one();
    Thread.join();
}

void TTrailingHasher::Filled(int64_t bytes) {
    if (!Thread.joinable()) return;
    Ready.store(bytes, std::memory_order_release);
    Ready.notify_one();
}

void TTrailingHasher::Follow() {
    int64_t hashed = 0;
    while (hashed < Size) {
        const int64_t ready = Ready.load(std::memory_order_acquire);
        if (ready < 0) return;
        if (ready == hashed) {
            Ready.wait(ready, std::memory_order_acquire);
            continue;
        }
        // In steps, so that a stop is not kept waiting for the whole rest.
        const int64_t upto = std::min(ready, hashed + Step);
        Hasher.Add(Data + hashed, static_cast<size_t>(upto - hashed));
        hashed = upto;
    }
}

uint64_t TTrailingHasher::Finish() {
    if (!Thread.joinable()) {
        Hasher.Add(Data, static_cast<size_t>(Size));
        return Hasher.Digest();
    }
    Filled(Size);
    Thread.join();
    return Hasher.Digest();
}

} // namespace Engine
