// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// An address in the file (1-based; 0 means "none") and a count of bytes or hits. Both are 64-bit so that
// any file that fits in memory opens; pane geometry (columns, rows, cells) stays int32_t.
using TAddress = int64_t;
using TCount = int64_t;
