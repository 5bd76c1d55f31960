#include "engine/ByteStore.h"

#include "engine/Blocks.h"
#include "engine/HostScopes.h"
#include "engine/PaneEditing.h"
#include "engine/StringTable.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Engine {

bool AllocateBuffer() {
    bool ok;
    {
        TBusyScope busy(Texts::AllocatingMemory);
        if (!BufferArray) BufferArray = new TJkDynArray(1);
        ok = BufferArray->Alloc(FileBuffer, MinCapacity);
        Capacity = BufferArray->ByteSize;
    }
    if (!ok) Host->ShowError(Texts::ErrorAllocating);
    return ok;
}

bool FreeBuffer() {
    bool ok = true;
    {
        TBusyScope busy(Texts::ReleasingMemory);
        if (BufferArray) {
            ok = BufferArray->DeAlloc(FileBuffer);
            delete BufferArray;
            BufferArray = nullptr;
        }
        Capacity = 0;
    }
    if (!ok) Host->ShowError(Texts::ErrorDeallocating);
    return ok;
}

int32_t CurrentAddress() {
    return CursorRow * Cols + TopAddress + CursorCol;
}

int32_t CursorEnd() {
    return OverwriteMode ? std::max(FileSize, 1) : FileSize + 1;
}

int32_t CapacityFor(int32_t size) {
    int64_t steps = static_cast<int64_t>(size) / GrowStep + 1;
    return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(MinCapacity, steps * GrowStep),
                                                  (INT32_MAX / GrowStep) * GrowStep));
}

bool SizeFits(int64_t size) {
    return size >= 0 && size <= MaxFileSize;
}

namespace {

bool ResizeBuffer(int32_t bytes) {
    if (!BufferArray) return false;
    if (!BufferArray->ReAlloc(FileBuffer, bytes)) return false;
    Capacity = BufferArray->ByteSize;
    return true;
}

} // namespace

bool EnsureRoom(int32_t delta) {
    if (delta == 0) return true;
    if (delta > 0) {
        // One limit for growth and loading, checked even when the capacity has room: the capacity
        // ceiling lies a byte above the largest file, and whatever can be saved must open again.
        if (!SizeFits(static_cast<int64_t>(FileSize) + delta)) return false;
        if (delta <= Capacity - FileSize) return true;
        TBusyScope busy(Texts::AllocatingMemory);
        return ResizeBuffer(((FileSize + delta) / GrowStep + 1) * GrowStep);
    }
    // More bytes than the file holds cannot be removed: the size the caller sets would fall below zero.
    if (static_cast<int64_t>(FileSize) + delta < 0) return false;
    if (Capacity <= MinCapacity) return true;
    TBusyScope busy(Texts::ReleasingMemory);
    int32_t c = ((FileSize + delta) / GrowStep + 1) * GrowStep;
    return ResizeBuffer(c <= MinCapacity ? MinCapacity : c);
}

bool OpenGap(int32_t address, int32_t n) {
    if (n < 0 || address < 1 || address > FileSize + 1) return false;
    if (!EnsureRoom(n)) return false;
    std::memmove(FileBuffer + address - 1 + n, FileBuffer + address - 1,
                 static_cast<size_t>(FileSize - address + 1));
    FileSize += n;
    return true;
}

bool CloseGap(int32_t address, int32_t n) {
    TBusyScope busy(Texts::DeleteBusy);
    if (n < 0 || address < 1 || static_cast<int64_t>(address) + n - 1 > FileSize) return false;
    if (n == 0) return true;
    if (n == FileSize) {
        ClearFile();
        return true;
    }
    std::memmove(FileBuffer + address - 1, FileBuffer + address - 1 + n,
                 static_cast<size_t>(FileSize - address - n + 1));
    bool ok = EnsureRoom(-n);
    FileSize -= n; // even when the shrink failed: the bytes are already in place
    return ok;
}

void ShrinkToFit() {
    const int32_t wanted = CapacityFor(FileSize);
    if (Capacity <= wanted) return;
    TBusyScope busy(Texts::ReleasingMemory);
    ResizeBuffer(wanted);
}

void ClearFile() {
    FileSize = 0;
    UnmarkBlock();
    ShowAddress(1, true, false);
}

namespace {

// The top address of the last page that shows address end, its rows aligned to whole rows.
int32_t LastPageTop(int32_t end) {
    if (end <= PageBytes) return 1;
    int32_t top = end - PageBytes + 1;
    int32_t r = end % Cols;
    if (r != 0) top += Cols - r;
    return top;
}

} // namespace

void ShowAddress(int32_t address, bool placeCursor, bool onlyIfOutside) {
    if (!FileOpen || !FileBuffer) return;
    address = std::clamp(address, 1, CursorEnd());
    // Recomputed, not only lowered: a file that grew on a partial page must show its new bytes.
    BottomAddress = std::min(TopAddress + PageBytes - 1, FileSize);
    if (!onlyIfOutside || address < TopAddress || address > TopAddress + PageBytes - 1) {
        // The last page only when the address lies on it; otherwise its row becomes the top row. The empty
        // cell after the last byte may need a row of its own below it.
        const int32_t end = std::max(address, FileSize);
        if (address >= LastPageTop(end)) {
            TopAddress = LastPageTop(end);
            BottomAddress = FileSize;
        } else {
            TopAddress = ((address - 1) / Cols) * Cols + 1;
            BottomAddress = std::min(TopAddress + PageBytes - 1, FileSize);
        }
    }
    if (placeCursor) {
        TCell cell = AddressToCell(address);
        SetCursorCell(cell.Col, cell.Row);
    }
    RefillPanes(0, 0);
}

void ScrollToEnd() {
    BottomAddress = FileSize;
    TopAddress = LastPageTop(FileSize);
}

void GoToStart() {
    ShowAddress(1, true, false);
    SetCursorCell(0, 0);
}

void GoToEnd() {
    ScrollToEnd();
    ShowAddress(BottomAddress, true, false);
    TCell cell = AddressToCell(BottomAddress);
    SetCursorCell(cell.Col, cell.Row);
}

TCell AddressToCell(int32_t address) {
    if (TopAddress < address && address - TopAddress < PageBytes)
        return {(address - TopAddress) % Cols, (address - TopAddress) / Cols};
    return {0, 0};
}

void SetCursorCell(int32_t col, int32_t row) {
    // A pending hex digit belongs to the cell it was typed in.
    if (col != CursorCol || row != CursorRow) DropPendingDigit();
    Host->SelectCell(col, row);
    CursorCol = col;
    CursorRow = row;
    Host->UpdateStatus();
}

void RefillPanes(int32_t col, int32_t row) {
    if (PendingDigit >= 0 && int64_t(CursorRow) * Cols + CursorCol >= int64_t(row) * Cols + col)
        PendingDigit = -1;
    Host->RefreshPanes(col, row);
}

void SetCommandsEnabled(std::initializer_list<TCommand> commands, bool on) {
    std::vector<TCommand> list(commands);
    Host->SetCommandsEnabled(list, on);
}

void EnableReplaceUndo(bool on) {
    ReplaceUndoEnabled = on;
    SetCommandsEnabled({TCommand::Replaceundo1}, on);
}

} // namespace Engine
