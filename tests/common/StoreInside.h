// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/EngineState.h"
#include "common/TestDocument.h"
#include "engine/store/ByteStore.h"

// How the store holds its bytes, for the tests and benchmarks that pin it or set up a state no command
// reaches (a file at the size limit, a buffer of a chosen capacity).
struct Engine::TByteStoreInside {
    static TJkDynArray*& Array(TByteStore& store) { return store.BufferArray; }
    static uint8_t*& Buffer(TByteStore& store) { return store.FileBuffer; }
    static TCount& Size(TByteStore& store) { return store.Size; }
    static TCount& Room(TByteStore& store) { return store.Room; }
    static TAddress GapAt(const TByteStore& store) { return store.GapAt; }
    static TCount GapLength(const TByteStore& store) { return store.GapLength; }
    static void CloseGap(TByteStore& store) { store.CloseStoreGap(); }
    static constexpr TAddress NoGap = TByteStore::NoGap;
};

// The same for the open file's store.
namespace StoreInside {
inline TJkDynArray*& Array() {
    return Engine::TByteStoreInside::Array(TestDoc().Store);
}
inline uint8_t*& FileBuffer() {
    return Engine::TByteStoreInside::Buffer(TestDoc().Store);
}
inline TCount& Size() {
    return Engine::TByteStoreInside::Size(TestDoc().Store);
}
inline TCount& Room() {
    return Engine::TByteStoreInside::Room(TestDoc().Store);
}
inline TAddress GapAt() {
    return Engine::TByteStoreInside::GapAt(TestDoc().Store);
}
inline TCount GapLength() {
    return Engine::TByteStoreInside::GapLength(TestDoc().Store);
}
inline void CloseGap() {
    Engine::TByteStoreInside::CloseGap(TestDoc().Store);
}
inline constexpr TAddress NoGap = Engine::TByteStoreInside::NoGap;
} // namespace StoreInside
