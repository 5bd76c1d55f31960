#include "engine/UndoJournal.h"

#include <algorithm>
#include <cstring>
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

void TUndoJournal::CloseLast() {
    if (Steps.empty()) return;
    TStep& step = Steps.back();
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
    TStep& step = Steps.emplace_back();
    step.Name = name;
    step.Before = before;
    step.After = before;
    Bytes += step.Cost();
    ++Applied;
    return step;
}

TChange& TUndoJournal::LastChange() {
    TStep& step = Steps.back();
    return step.Change(step.ChangeCount() - 1);
}

void TUndoJournal::Add(TAddress address, std::span<const uint8_t> oldBytes, TCount newLength) {
    TStep& step = Steps.back();
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
    TChange& first = Steps.back().First;
    first.OldLength = oldLength;
    first.NewLength = newLength;
}

void TUndoJournal::AddPiece(TAddress address, const uint8_t* oldBytes) {
    TStep& step = Steps.back();
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
    TStep& step = Steps.back();
    if (!step.Extra || step.Extra->FirstPieces.empty()) return;
    std::vector<TAddress>& rest = step.Extra->FirstPieces;
    TChange& first = step.First;
    if (rest.front() > first.Address) return; // already ascending
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
    for (const TStep& step : Steps)
        Bytes += step.Cost();
}

bool TUndoJournal::Trim() {
    if (Bytes > Budget) ++Version;
    while (Bytes > Budget && Steps.size() > 1) {
        if (Applied == 0) {
            // Only undone steps are left; without the first the others cannot be redone.
            Steps.clear();
            Bytes = 0;
            if (SavedAt > 0) SavedAt = -1;
            return true;
        }
        Bytes -= Steps.front().Cost();
        Steps.pop_front();
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
    Steps.clear();
    Bytes = 0;
    Applied = 0;
    SavedAt = atSaved ? 0 : -1;
}

void TUndoJournal::Clear() {
    ++Version;
    Steps.clear();
    Bytes = 0;
    Applied = 0;
    SavedAt = 0;
}

} // namespace Engine
