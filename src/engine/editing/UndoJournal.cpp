// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/editing/UndoJournal.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace Engine {

TByteRun::~TByteRun() {
    if (OnHeap()) delete[] Heap();
}

TByteRun::TByteRun(TByteRun&& other) noexcept : Length(other.Length), Room(other.Room) {
    std::memcpy(Storage, other.Storage, InlineRoom);
    other.Length = 0;
    other.Room = InlineRoom;
}

TByteRun& TByteRun::operator=(TByteRun&& other) noexcept {
    if (this != &other) {
        this->~TByteRun();
        new (this) TByteRun(std::move(other));
    }
    return *this;
}

uint8_t* TByteRun::ReleaseHeap() {
    uint8_t* heap = Heap();
    Length = 0;
    Room = InlineRoom;
    return heap;
}

void TByteRun::AdoptHeap(uint8_t* heap, TCount size) {
    if (OnHeap()) delete[] Heap();
    SetHeap(heap);
    Length = Room = size;
}

void TByteRun::Reserve(TCount room) {
    if (room <= Room) return;
    auto* grown = new uint8_t[static_cast<size_t>(room)];
    if (Length > 0) std::memcpy(grown, Data(), static_cast<size_t>(Length));
    if (OnHeap()) delete[] Heap();
    SetHeap(grown);
    Room = room;
}

void TByteRun::Compact() {
    if (!OnHeap() || Room == Length) return;
    TByteRun fitted;
    fitted.Resize(Length);
    if (Length > 0) std::memcpy(fitted.Data(), Data(), static_cast<size_t>(Length));
    *this = std::move(fitted);
}

void TByteRun::Resize(TCount size) {
    Reserve(size);
    Length = size;
}

void TByteRun::Extend(TCount size) {
    // Grown by half each time, so that a run built a piece at a time costs linear time.
    if (size > Room) Reserve(std::max(size, Room + Room / 2));
    Length = size;
}

TStepExtra& TStep::GetExtra() {
    if (!Extra) Extra = std::make_unique<TStepExtra>();
    return *Extra;
}

int64_t TStep::Cost() const {
    int64_t cost = static_cast<int64_t>(sizeof(TStep)) + First.Stored.HeapBytes();
    if (Extra) {
        cost += static_cast<int64_t>(sizeof(TStepExtra) + Extra->More.capacity() * sizeof(TChange) +
                                     Extra->FirstPieces.capacity() * sizeof(TAddress));
        for (const TChange& change : Extra->More)
            cost += change.Stored.HeapBytes();
    }
    return cost;
}

namespace {

constexpr int64_t Limit48 = int64_t{1} << 48;

void Put48(uint8_t* to, int64_t value) {
    for (int i = 0; i < 6; ++i)
        to[i] = static_cast<uint8_t>(value >> (8 * i));
}

int64_t Get48(const uint8_t* from) {
    int64_t value = 0;
    for (int i = 0; i < 6; ++i)
        value |= static_cast<int64_t>(from[i]) << (8 * i);
    return value;
}

bool Fits48(int64_t value) {
    return value >= 0 && value < Limit48;
}

bool Fits32(int64_t value) {
    return value >= 0 && value <= int64_t{UINT32_MAX};
}

bool FitsInt32(int64_t value) {
    return value >= INT32_MIN && value <= INT32_MAX;
}

} // namespace

void TStepSlot::Release() {
    if (!IsPacked()) {
        delete Whole();
        return;
    }
    TSmall small;
    std::memcpy(&small, Raw, sizeof small);
    if (small.RunLength > 8) {
        uint8_t* heap;
        std::memcpy(&heap, small.Run, sizeof heap);
        delete[] heap;
    }
}

TStepSlot::~TStepSlot() {
    Release();
}

TStepSlot::TStepSlot(TStepSlot&& other) noexcept {
    std::memcpy(Raw, other.Raw, sizeof Raw);
    other.SetWhole(nullptr);
}

TStepSlot& TStepSlot::operator=(TStepSlot&& other) noexcept {
    if (this != &other) {
        Release();
        std::memcpy(Raw, other.Raw, sizeof Raw);
        other.SetWhole(nullptr);
    }
    return *this;
}

TStep& TStepSlot::Step() {
    if (!IsPacked()) return *Whole();
    TSmall small;
    std::memcpy(&small, Raw, sizeof small);
    auto step = std::make_unique<TStep>();
    step->Name = static_cast<TStepName>(small.Name);
    step->BlockTouched = small.BlockTouched != 0;
    TChange& change = step->First;
    change.Address = Get48(small.Address);
    change.OldLength = small.OldLength;
    change.NewLength = small.NewLength;
    if (small.RunLength > 8) {
        uint8_t* heap;
        std::memcpy(&heap, small.Run, sizeof heap);
        change.Stored.AdoptHeap(heap, small.RunLength);
    } else {
        change.Stored.Resize(small.RunLength);
        std::memcpy(change.Stored.Data(), small.Run, small.RunLength);
    }
    step->Before.Top = Get48(small.BeforeTop);
    step->Before.Cursor = step->Before.Top + small.BeforeCursor;
    step->After.Top = Get48(small.AfterTop);
    step->After.Cursor = step->After.Top + small.AfterCursor;
    SetWhole(step.release());
    return *Whole();
}

void TStepSlot::Pack() {
    if (IsPacked() || !Whole()) return;
    TStep& step = *Whole();
    TChange& change = step.First;
    if (step.Extra) return;
    try {
        change.Stored.Compact();
    } catch (const std::bad_alloc&) {
        return; // stays whole
    }
    const TCount run = change.Stored.Size();
    const bool fits = Fits48(change.Address) && Fits48(step.Before.Top) && Fits48(step.After.Top) &&
                      Fits32(change.OldLength) && Fits32(change.NewLength) && Fits32(run) &&
                      FitsInt32(step.Before.Cursor - step.Before.Top) &&
                      FitsInt32(step.After.Cursor - step.After.Top) &&
                      (run <= 8 || change.Stored.HeapBytes() == run);
    if (!fits) return;
    TSmall small{};
    small.Name = static_cast<uint8_t>(step.Name);
    small.BlockTouched = step.BlockTouched ? 1 : 0;
    Put48(small.Address, change.Address);
    small.OldLength = static_cast<uint32_t>(change.OldLength);
    small.NewLength = static_cast<uint32_t>(change.NewLength);
    small.RunLength = static_cast<uint32_t>(run);
    if (run > 8) {
        uint8_t* heap = change.Stored.ReleaseHeap();
        std::memcpy(small.Run, &heap, sizeof heap);
    } else if (run > 0) {
        std::memcpy(small.Run, change.Stored.Data(), static_cast<size_t>(run));
    }
    Put48(small.BeforeTop, step.Before.Top);
    small.BeforeCursor = static_cast<int32_t>(step.Before.Cursor - step.Before.Top);
    Put48(small.AfterTop, step.After.Top);
    small.AfterCursor = static_cast<int32_t>(step.After.Cursor - step.After.Top);
    delete &step;
    std::memcpy(Raw, &small, sizeof small);
}

int64_t TStepSlot::Cost() const {
    const auto own = static_cast<int64_t>(sizeof(TStepSlot));
    if (!IsPacked()) return own + (Whole() ? Whole()->Cost() : 0);
    TSmall small;
    std::memcpy(&small, Raw, sizeof small);
    return own + (small.RunLength > 8 ? small.RunLength : 0);
}

TStep& TUndoJournal::At(int64_t i) {
    TStepSlot& slot = Steps[static_cast<size_t>(i)];
    if (!slot.Packed()) return slot.Step();
    Bytes -= slot.Cost();
    TStep& step = slot.Step();
    Bytes += slot.Cost();
    return step;
}

void TUndoJournal::PackAt(int64_t i) {
    TStepSlot& slot = Steps[static_cast<size_t>(i)];
    Bytes -= slot.Cost();
    slot.Pack();
    Bytes += slot.Cost();
}

void TUndoJournal::CloseLast() {
    if (Steps.empty() || Steps.back().Packed()) return;
    TStep& step = Steps.back().Step();
    Bytes -= step.Cost();
    for (int32_t i = 0; i < step.ChangeCount(); ++i)
        step.Change(i).Stored.Compact();
    if (step.Extra) step.Extra->FirstPieces.shrink_to_fit();
    Bytes += step.Cost();
}

TStep& TUndoJournal::Open(TStepName name, TView before) {
    if (Applied == static_cast<int64_t>(Steps.size())) CloseLast();
    while (static_cast<int64_t>(Steps.size()) > Applied) {
        Bytes -= Steps.back().Cost();
        Steps.pop_back();
    }
    if (SavedAt > Applied) SavedAt = -1;
    ++Version;
    if (!Steps.empty()) PackAt(static_cast<int64_t>(Steps.size()) - 1);
    TStepSlot& slot = Steps.emplace_back();
    TStep& step = slot.Step();
    step.Name = name;
    step.Before = before;
    step.After = before;
    Bytes += slot.Cost();
    ++Applied;
    return step;
}

TChange& TUndoJournal::LastChange() {
    TStep& step = Last();
    return step.Change(step.ChangeCount() - 1);
}

void TUndoJournal::Add(TAddress address, std::span<const uint8_t> oldBytes, TCount newLength) {
    TStep& step = Last();
    Bytes -= step.Cost();
    const auto n = static_cast<TCount>(oldBytes.size());
    TChange& last = LastChange();
    const bool pieces = step.Extra && !step.Extra->FirstPieces.empty();
    const bool keptAlready = last.OldLength == last.NewLength && n == newLength && address >= last.Address &&
                             address + n <= last.Address + last.NewLength;
    // The step's first change fills the empty one; an overwrite of bytes whose old values are kept
    // already adds nothing.
    if (last.Address == 0 || pieces || (!keptAlready && !GoesOn(last, address, oldBytes, newLength))) {
        TChange& change = last.Address == 0 ? last : step.GetExtra().More.emplace_back();
        change.Address = address;
        change.OldLength = n;
        change.NewLength = newLength;
        change.Stored.Resize(n);
        if (n > 0) std::memcpy(change.Stored.Data(), oldBytes.data(), oldBytes.size());
    }
    Bytes += step.Cost();
}

void TUndoJournal::BeginPieces(TCount oldLength, TCount newLength) {
    TChange& first = Last().First;
    first.OldLength = oldLength;
    first.NewLength = newLength;
}

void TUndoJournal::AddPiece(TAddress address, const uint8_t* oldBytes) {
    TStep& step = Last();
    TChange& first = step.First;
    Bytes -= step.Cost();
    const TCount at = first.Stored.Size();
    if (first.Address == 0)
        first.Address = address;
    else
        step.GetExtra().FirstPieces.push_back(address);
    if (first.OldLength > 0) {
        first.Stored.Extend(at + first.OldLength);
        std::memcpy(first.Stored.Data() + at, oldBytes, static_cast<size_t>(first.OldLength));
    }
    Bytes += step.Cost();
}

void TUndoJournal::EndPieces() {
    TStep& step = Last();
    if (!step.Extra || step.Extra->FirstPieces.empty()) return;
    std::vector<TAddress>& rest = step.Extra->FirstPieces;
    TChange& first = step.First;
    // Already ascending (pieces of no old bytes may share an address, so the last one tells).
    if (rest.back() >= first.Address) return;
    // Reported from the end backwards: turn addresses and kept bytes round.
    std::vector<TAddress> all;
    all.reserve(rest.size() + 1);
    all.push_back(first.Address);
    all.insert(all.end(), rest.begin(), rest.end());
    std::reverse(all.begin(), all.end());
    const TCount len = first.OldLength;
    const auto count = static_cast<TCount>(all.size());
    uint8_t* bytes = first.Stored.Data();
    for (TCount i = 0, j = count - 1; i < j; ++i, --j)
        std::swap_ranges(bytes + i * len, bytes + (i + 1) * len, bytes + j * len);
    first.Address = all.front();
    std::copy(all.begin() + 1, all.end(), rest.begin());
}

void TUndoJournal::Recount() {
    Bytes = 0;
    for (const TStepSlot& slot : Steps)
        Bytes += slot.Cost();
}

bool TUndoJournal::Trim() {
    if (Bytes > Budget) ++Version;
    while (Bytes > Budget && Steps.size() > 1) {
        if (Applied == 0) {
            // Only undone steps are left; without the first the others cannot be redone.
            Dropped += static_cast<int64_t>(Steps.size());
            Steps.clear();
            Bytes = 0;
            if (SavedAt > 0) SavedAt = -1;
            return true;
        }
        Bytes -= Steps.front().Cost();
        Steps.pop_front();
        ++Dropped;
        --Applied;
        SavedAt = SavedAt > 0 ? SavedAt - 1 : -1;
    }
    if (Bytes <= Budget) return true;
    Forget();
    return false;
}

void TUndoJournal::Forget() {
    ++Version;
    const bool atSaved = AtSaved();
    Dropped += static_cast<int64_t>(Steps.size());
    Steps.clear();
    Bytes = 0;
    Applied = 0;
    SavedAt = atSaved ? 0 : -1;
}

void TUndoJournal::Clear() {
    ++Version;
    Dropped += static_cast<int64_t>(Steps.size());
    Steps.clear();
    Bytes = 0;
    Applied = 0;
    SavedAt = 0;
}

} // namespace Engine
