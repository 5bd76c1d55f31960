// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>

class QWidget;

// A measuring aid for tests and benchmarks: when the environment variable NIBLO_EXIT_AFTER_FIRST_PAINT
// is set, the first paint of pane after this call prints "NIBLO first paint <file size>" on standard
// output and ends the program. Without the variable it does nothing.
void ArmFirstPaintProbe(QWidget* pane, std::function<int64_t()> fileSize);
