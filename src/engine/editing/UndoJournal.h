// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"
#include "engine/editing/StepName.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <span>
#include <vector>

// The record of the changes that undo and redo walk through: what each step replaced, and no more.
namespace Engine {

// Bytes a change keeps aside; up to eight stay inside the change itself, so a typed byte costs no allocation.
class TByteRun {
  public:
    TByteRun() = default;
    ~TByteRun();
    TByteRun(TByteRun&& other) noexcept;
    TByteRun& operator=(TByteRun&& other) noexcept;
    TByteRun(const TByteRun&) = delete;
    TByteRun& operator=(const TByteRun&) = delete;

    // New contents undefined; both throw std::bad_alloc when the memory is not there. Resize takes just
    // the room asked for, Extend grows by half at least (for runs built a piece at a time).
    void Resize(TCount size);
    void Extend(TCount size);
    void Append(uint8_t value) {
        if (Length == Room)
            Extend(Length + 1);
        else
            ++Length;
        Data()[Length - 1] = value;
    }
    uint8_t* Data() { return OnHeap() ? Heap() : Storage; }
    const uint8_t* Data() const { return OnHeap() ? Heap() : Storage; }
    // Gives back the room beyond the size.
    void Compact();
    TCount Size() const { return Length; }
    int64_t HeapBytes() const { return OnHeap() ? Room : 0; }
    // For a run that keeps no spare room (Compact): its bytes on the heap handed over and taken back, so
    // that a packed step can hold them.
    uint8_t* ReleaseHeap();
    void AdoptHeap(uint8_t* heap, TCount size);

  private:
    static constexpr int32_t InlineRoom = 8;
    bool OnHeap() const { return Room > InlineRoom; }
    void Reserve(TCount room);

    // The pointer is kept in the bytes, so that a step stays small.
    uint8_t* Heap() const {
        uint8_t* heap;
        std::memcpy(&heap, Storage, sizeof heap);
        return heap;
    }
    void SetHeap(uint8_t* heap) { std::memcpy(Storage, &heap, sizeof heap); }

    TCount Length = 0;
    TCount Room = InlineRoom;
    uint8_t Storage[InlineRoom];
};

// One change: pieces of OldLength bytes each became NewLength bytes each. Address is where the first piece
// began in the file as it was before the change (1-based); further pieces, ascending, are kept by the step.
struct TChange {
    TAddress Address = 0;
    TCount OldLength = 0;
    TCount NewLength = 0;
    // The bytes that are not in the file: the old ones while the change stands, the new ones once it is
    // undone (inserted bytes are kept only then).
    TByteRun Stored;
};

// What only a few steps need.
struct TStepExtra {
    std::vector<TChange> More;         // changes after the first, in the order they were made
    std::vector<TAddress> FirstPieces; // addresses of the first change's pieces after its first
    TAddress BlockBegin = 0;           // the block the step left, when it touched the block
    TAddress BlockEnd = 0;
};

// A step as it is made and undone; the journal keeps most steps packed (TStepSlot).
struct TStep {
    TChange First;
    TStepName Name = TStepName::Change;
    bool BlockTouched = false; // the step marked, moved or dropped the block
    std::unique_ptr<TStepExtra> Extra;
    TView Before;
    TView After;

    int32_t ChangeCount() const { return 1 + (Extra ? static_cast<int32_t>(Extra->More.size()) : 0); }
    TChange& Change(int32_t i) { return i == 0 ? First : Extra->More[static_cast<size_t>(i - 1)]; }
    TStepExtra& GetExtra();
    int64_t Cost() const; // the memory the step holds
};

// A step as the journal keeps it: packed into 48 bytes when it is one change whose figures fit (nearly
// every step: a typed byte costs no allocation), else the step itself on the heap.
class TStepSlot {
  public:
    TStepSlot() { SetWhole(new TStep); }
    ~TStepSlot();
    TStepSlot(TStepSlot&& other) noexcept;
    TStepSlot& operator=(TStepSlot&& other) noexcept;
    TStepSlot(const TStepSlot&) = delete;
    TStepSlot& operator=(const TStepSlot&) = delete;

    bool Packed() const { return IsPacked(); }
    TStepName Name() const { return IsPacked() ? static_cast<TStepName>(Raw[NameAt]) : Whole()->Name; }
    // The step itself, unpacked first when it is packed; stays where it is until packed again.
    TStep& Step();
    // Packs the step when it fits.
    void Pack();
    int64_t Cost() const;

  private:
    struct TSmall {
        uint8_t Run[8]; // the kept bytes, or the pointer to them when more than eight
        uint32_t RunLength;
        uint32_t OldLength;
        uint32_t NewLength;
        int32_t BeforeCursor; // from BeforeTop
        int32_t AfterCursor;  // from AfterTop
        uint8_t Name;         // WholeTag: the slot holds a pointer to the whole step instead
        uint8_t BlockTouched;
        uint8_t Address[6]; // 48-bit: beyond any memory
        uint8_t BeforeTop[6];
        uint8_t AfterTop[6];
    };
    static constexpr size_t NameAt = offsetof(TSmall, Name);
    static constexpr uint8_t WholeTag = 0xFF;

    bool IsPacked() const { return Raw[NameAt] != WholeTag; }
    TStep* Whole() const {
        TStep* step;
        std::memcpy(&step, Raw, sizeof step);
        return step;
    }
    void SetWhole(TStep* step) {
        std::memcpy(Raw, &step, sizeof step);
        Raw[NameAt] = WholeTag;
    }
    void Release();

    alignas(8) uint8_t Raw[sizeof(TSmall)];
};

static_assert(sizeof(TStepSlot) == 48);

class TUndoJournal {
  public:
    // A new step after the ones that stand; the undone ones can no longer be redone.
    TStep& Open(TStepName name, TView before);
    // A change of the last step, made or about to be made: oldBytes at address become newLength bytes.
    // Joins the step's last change when it continues it (typing on).
    void Add(TAddress address, std::span<const uint8_t> oldBytes, TCount newLength);
    // Add for the common case of typing on right after the only change of step (which stands last);
    // false when the change is not of that kind. Inline, so that recording costs typing next to nothing.
    bool AddTypedOn(TStep& step, TAddress address, std::span<const uint8_t> oldBytes, TCount newLength) {
        if (step.Extra) return false;
        const int64_t heap = step.First.Stored.HeapBytes();
        if (!GoesOn(step.First, address, oldBytes, newLength)) return false;
        Bytes += step.First.Stored.HeapBytes() - heap;
        return true;
    }
    // Extends last by a change that begins where it ends and is of its kind (insertion on insertion,
    // overwrite on overwrite); false when the change is not such.
    static bool GoesOn(TChange& last, TAddress address, std::span<const uint8_t> oldBytes, TCount newLength) {
        const auto n = static_cast<TCount>(oldBytes.size());
        if (address != last.Address + last.NewLength) return false;
        if (n == 0 && last.OldLength == 0) {
            last.NewLength += newLength;
            return true;
        }
        if (n != newLength || last.OldLength != last.NewLength) return false;
        for (uint8_t b : oldBytes)
            last.Stored.Append(b);
        last.OldLength += n;
        last.NewLength += n;
        return true;
    }
    // A change of many same-sized pieces (Replace all): started, one piece at a time, then finished.
    void BeginPieces(TCount oldLength, TCount newLength);
    void AddPiece(TAddress address, const uint8_t* oldBytes);
    void EndPieces();
    // Drops the oldest steps while the journal holds more than its budget; false when even the last step
    // alone is larger (it is dropped too, and the journal is empty).
    bool Trim();
    void Clear();
    // The file was saved, or loaded: this is the state Modified is measured against.
    void MarkSaved() { SavedAt = Applied; }
    bool AtSaved() const { return SavedAt == Applied; }
    // The last step is complete: its kept bytes give back their spare room.
    void CloseLast();
    // Drops every step: nothing before the file as it is can be reached again.
    void Forget();

    bool CanUndo() const { return Applied > 0; }
    bool CanRedo() const { return Applied < static_cast<int64_t>(Steps.size()); }
    TStep& Last() { return At(static_cast<int64_t>(Steps.size()) - 1); }
    TStep& At(int64_t i);
    TStepName NameAt(int64_t i) const { return Steps[static_cast<size_t>(i)].Name(); }
    // A number for step i that stays with it while older steps are dropped (a step opened in the place of
    // undone ones that were dropped takes their numbers again).
    int64_t Id(int64_t i) const { return Dropped + i; }
    // Packs step i again once undo or redo is done with it.
    void PackAt(int64_t i);
    void Recount(); // after a step changed outside Add

    std::deque<TStepSlot> Steps;
    int64_t Applied = 0; // Steps[0, Applied) stand in the file; the rest were undone
    int64_t SavedAt = 0; // -1: the saved state cannot be reached any more
    int64_t Bytes = 0;   // what the steps hold
    int64_t Budget = int64_t{64} << 20;
    bool Enabled = true;  // off, nothing is recorded (the benchmarks compare)
    uint64_t Version = 0; // counts the changes of which steps there are (not of what a step holds)
    int64_t Dropped = 0;  // steps dropped from the front since the program started

  private:
    TChange& LastChange();
};

} // namespace Engine
