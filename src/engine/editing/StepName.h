// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace Engine {

// What a step is called in the hints of Undo and Redo.
enum class TStepName : uint8_t {
    Change,
    Typing,
    Deletion,
    InsertString,
    InsertFile,
    BlockDelete,
    BlockCopy,
    BlockOverwrite,
    BlockMove,
    Cut,
    Paste,
    DeleteFromCursor,
    DeleteToCursor,
    Replace,
    ReplaceAll,
    ReplaceUndo,
    Patch,
    Encode,
    InspectorEdit,
};
// The undo hints and the recovery journal's records size their tables by this: a new name goes last and
// moves it.
inline constexpr int StepNameCount = static_cast<int>(TStepName::InspectorEdit) + 1;

} // namespace Engine
