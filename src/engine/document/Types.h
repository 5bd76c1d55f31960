// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// An address in the file (1-based; 0 means "none") and a count of bytes or hits. Both are 64-bit so that
// any file that fits in memory opens; pane geometry (columns, rows, cells) stays int32_t.
using TAddress = int64_t;
using TCount = int64_t;

namespace Engine {

// A cell of the panes' page.
struct TCell {
    int32_t Col = 0;
    int32_t Row = 0;
};

// Where the user was looking: the first address of the page and the cursor's address.
struct TView {
    TAddress Top = 1;
    TAddress Cursor = 1;
};

} // namespace Engine
