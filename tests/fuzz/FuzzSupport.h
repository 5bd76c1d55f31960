// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/SilentHost.h"

#include <cstdint>
#include <vector>

// What the fuzz targets share: a failed check stops the run as a crash (libFuzzer then keeps the input),
// and a fresh engine per input.

[[noreturn]] void FuzzFailure(const char* file, int line, const char* condition);
#define FUZZ_CHECK(condition)                                                                                    \
    do {                                                                                                         \
        if (!(condition)) FuzzFailure(__FILE__, __LINE__, #condition);                                         \
    } while (false)

// The engine reset for a new input, with a silent window and a 16 x 4 view.
TSilentHost& FreshEngine();

// Opens bytes in a buffer of exactly bytes.size() + slack bytes (at least one), so that the sanitizer sees
// a read past the buffer and any growth needs a new allocation. False when an allocation was refused.
bool OpenTight(const std::vector<uint8_t>& bytes, int32_t slack);
