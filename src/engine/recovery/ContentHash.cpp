// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recovery/ContentHash.h"

#include <xxhash.h>
#if defined(__x86_64__) || defined(__i386__)
// The library picks the widest vector unit of the machine it runs on.
#include <xxh_x86dispatch.h>
#define NIBLO_XXH3(name) name##_dispatch
#else
#define NIBLO_XXH3(name) name
#endif

namespace Engine {

namespace {

XXH3_state_t* StateOf(void* state) {
    return static_cast<XXH3_state_t*>(state);
}

} // namespace

uint64_t ContentHash(const uint8_t* data, size_t size) {
    return NIBLO_XXH3(XXH3_64bits)(data, size);
}

std::optional<uint64_t> StoreHash(const TStoreSnapshot& contents) {
    TContentHasher hasher;
    auto add = [&](TAddress first, TCount count) {
        return contents.Visit(first, count, [&](std::span<const uint8_t> bytes) {
            hasher.Add(bytes.data(), bytes.size());
            return true;
        }).Readable();
    };
    const int64_t size = contents.Size();
    if (size <= WholeHashLimit) {
        if (!add(1, size)) return std::nullopt;
        return hasher.Digest();
    }
    constexpr int64_t Samples = 64, SampleLength = 4096;
    const auto sizeBytes = static_cast<uint64_t>(size);
    hasher.Add(reinterpret_cast<const uint8_t*>(&sizeBytes), sizeof sizeBytes);
    for (int64_t i = 0; i <= Samples; ++i) {
        const int64_t at = i == Samples ? size - SampleLength : (size / Samples) * i;
        if (!add(at + 1, SampleLength)) return std::nullopt;
    }
    return hasher.Digest();
}

TContentHasher::TContentHasher() : State(XXH3_createState()) {
    if (State) XXH3_64bits_reset(StateOf(State));
}

TContentHasher::~TContentHasher() {
    XXH3_freeState(StateOf(State));
}

void TContentHasher::Add(const uint8_t* data, size_t size) {
    if (State && size > 0) NIBLO_XXH3(XXH3_64bits_update)(StateOf(State), data, size);
}

uint64_t TContentHasher::Digest() const {
    return State ? XXH3_64bits_digest(StateOf(State)) : 0;
}

} // namespace Engine
