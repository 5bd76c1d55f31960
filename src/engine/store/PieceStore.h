// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"
#include "engine/store/PieceTree.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

// The byte store as a sequence of pieces: the file's own bytes, read when needed, and the bytes edits add,
// kept in an append-only add buffer. An insertion, deletion or overwrite anywhere costs O(log pieces), never
// the file's size. Addresses are 1-based, as everywhere in the engine.
namespace Engine {

struct TRange {
    TAddress First = 0;
    TCount Count = 0;
    friend bool operator==(const TRange&, const TRange&) = default;
};

enum class TReadStatus {
    Done,      // every byte was visited
    Stopped,   // the visitor asked to stop
    Unreadable // a source could not give the bytes at At (Count of them): the file shrank or failed
};

struct TReadResult {
    TReadStatus Status = TReadStatus::Done;
    TAddress At = 0;
    TCount Count = 0;
    bool Readable() const { return Status != TReadStatus::Unreadable; }
};

// Gets the bytes one span after another; false stops the visit.
using TSpanVisitor = std::function<bool(std::span<const uint8_t> bytes)>;
// Gets windows of the bytes, first the address of the window's first byte. A search counts the hits that
// start in the window's first own bytes: those are its alone, and a hit of up to overlap + 1 bytes that
// starts there ends inside the window. False stops the visit.
using TWindowVisitor = std::function<bool(TAddress first, std::span<const uint8_t> bytes, size_t own)>;

// The store's contents at one moment. Copying one costs a reference count, and nothing it refers to ever
// changes, so a worker thread may read it while the store goes on changing; undo and redo keep them.
class TStoreSnapshot {
  public:
    TCount Size() const { return PieceTree::Length(Root); }
    TCount PieceCount() const { return PieceTree::Count(Root); }
    // Visits first .. first + count - 1 (clipped to the contents) as a series of spans. Bytes held in memory
    // are visited where they lie; bytes of the file are read in chunks. A failed read visits the bytes
    // read before it, then ends Unreadable.
    TReadResult Visit(TAddress first, TCount count, const TSpanVisitor& visit) const;
    // Like Visit, as windows that overlap by up to overlap bytes, so that a hit of up to overlap + 1 bytes
    // that straddles two pieces lies whole in one window. Only the bytes around a seam are copied.
    TReadResult VisitWindows(TAddress first, TCount count, size_t overlap, const TWindowVisitor& visit) const;
    // The bytes from first on, into.size() of them (Unreadable where they could not all be read).
    TReadResult CopyOut(TAddress first, std::span<uint8_t> into) const;
    // The ranges of this snapshot whose bytes do not come from the same place as at the same address in
    // older (a superset of the bytes that differ), merged and in order; past older's end, everything.
    std::vector<TRange> ChangedSince(const TStoreSnapshot& older) const;
    bool SameAs(const TStoreSnapshot& other) const { return Root == other.Root; }
    // The contents first .. first + count - 1 (clipped to the contents) as a snapshot of their own.
    TStoreSnapshot Part(TAddress first, TCount count) const;

  private:
    friend class TPieceStore;
    PieceTree::TNodePtr Root;
};

// The largest file: sizes stay far from the 64-bit edge, so that sums of sizes and addresses never wrap.
inline constexpr TCount MaxFileSize = INT64_MAX / 4;
inline bool SizeFits(TCount size) {
    return size >= 0 && size <= MaxFileSize;
}

// Many pieces of one length that each become bytes of another length, in one pass (Replace all, undo of
// such a step, its replay after a crash). Pieces lie at ascending addresses of the contents as they are,
// apart from each other.
struct TPieces {
    int64_t Count = 0;
    TCount OldLength = 0;
    TCount NewLength = 0;
    std::function<TAddress(int64_t i)> Address;
    // NewLength bytes for piece i; pieces that get the same pointer share their bytes.
    std::function<const uint8_t*(int64_t i)> Bytes;
    // Called for each piece, in ascending order, with its old bytes and the address its new bytes take
    // (optional).
    std::function<void(int64_t i, const uint8_t* oldBytes, TAddress at)> Before;
};

// What ByteAt answers for a byte that cannot be read: never a silent zero.
inline constexpr int UnreadableByte = -1;

class TPieceStore {
  public:
    // One owner per add buffer: snapshots, not copies, are what others hold.
    TPieceStore() = default;
    TPieceStore(const TPieceStore&) = delete;
    TPieceStore& operator=(const TPieceStore&) = delete;
    TPieceStore(TPieceStore&&) = default;
    TPieceStore& operator=(TPieceStore&&) = default;

    // The contents become size bytes of source from its start (the opened file), as one piece. Snapshots
    // taken before keep what they refer to.
    void Load(TSourcePtr source, TCount size);
    void Clear();

    TCount FileSize() const { return Current.Size(); }
    TCount PieceCount() const { return Current.PieceCount(); }
    const TStoreSnapshot& Snapshot() const { return Current; }
    // Undo and redo: the contents become those of an earlier (or later) snapshot.
    void Restore(const TStoreSnapshot& snapshot);

    // Each edit answers false and changes nothing for a place outside 1 .. FileSize() + 1 or a count that
    // reaches past the end. Typing a run of keys at one place grows one piece.
    bool Insert(TAddress address, std::span<const uint8_t> bytes);
    // n copies of value; a long run costs no memory.
    bool InsertFill(TAddress address, uint8_t value, TCount n);
    // Room for n bytes at address, zeros until overwritten.
    bool OpenGap(TAddress address, TCount n) { return InsertFill(address, 0, n); }
    // count bytes of another snapshot (or this one's), first ... on: shares their pieces, copies nothing.
    bool InsertFrom(TAddress address, const TStoreSnapshot& from, TAddress first, TCount count);
    // length bytes of source from offset (an inserted file), read when needed.
    bool InsertSource(TAddress address, TSourcePtr source, int64_t offset, TCount length);
    bool RemoveBytes(TAddress address, TCount n);
    bool Overwrite(TAddress address, std::span<const uint8_t> bytes);
    bool WriteByte(TAddress address, uint8_t value) { return Overwrite(address, std::span(&value, 1)); }

    // One byte for the panes, through a small cache of the bytes around it: 0..255 or UnreadableByte.
    int ByteAt(TAddress address) const;
    TReadResult Visit(TAddress first, TCount count, const TSpanVisitor& visit) const {
        return Current.Visit(first, count, visit);
    }
    TReadResult CopyOut(TAddress first, std::span<uint8_t> into) const { return Current.CopyOut(first, into); }
    // count bytes from first into out (resized to fit); false where they could not all be read.
    bool Read(TAddress first, TCount count, std::vector<uint8_t>& out) const;

    // Every piece replaced in one pass that builds the new contents at once: O(pieces), not an edit per
    // piece. False (nothing changed) for pieces outside the contents or overlapping, or old bytes that
    // Before needs and cannot be read.
    bool ReplacePieces(const TPieces& pieces);

    // The bytes edits have added to memory since the last Load (what the store holds beyond the file).
    TCount AddedBytes() const { return Added; }

  private:
    bool InRange(TAddress address, TCount n, bool insert) const;
    // Puts piece at 0-based offset at; joins it to the piece before when that one ends where it starts.
    void Put(int64_t at, PieceTree::TPiece piece);
    void Replace(PieceTree::TNodePtr root);
    PieceTree::TPiece AddBytes(std::span<const uint8_t> bytes, uint8_t fill, TCount n);
    void FillCache(TAddress first) const;

    TStoreSnapshot Current;
    PieceTree::TPriorities Priorities;
    std::shared_ptr<TAddBlock> Block; // the add buffer's block that takes the next bytes

    struct TByteCache {
        TAddress First = 0; // 0: empty
        TCount Readable = 0;
        TCount Unreadable = 0; // bytes after the readable ones that could not be read
        std::vector<uint8_t> Bytes;
    };
    mutable TByteCache Cache;
    TCount Added = 0;
};

} // namespace Engine
