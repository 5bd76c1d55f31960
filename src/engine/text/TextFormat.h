// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

// Formats a text of the string table. Understands %s, %d, %x (upper-case hex, no leading zeros),
// a width such as %11d, and %.0n (an integer with "," between thousands); %% is a percent sign.
using TFormatArg = std::variant<int64_t, std::string>;

std::string FormatText(std::string_view format, std::initializer_list<TFormatArg> args);

// Progress gauge percentage for done of total, rounded half to even; total 0 counts as complete.
int ProgressPercent(int64_t done, int64_t total);

// A file time (seconds since the epoch) in the program's fixed short date and time formats, local time:
// "mm-dd-yy hh:mma/p", e.g. "12-07-26 01:05p".
std::string FormatFileTime(int64_t seconds);
// The same in ISO order and 24 hours, for the texts that are new to this program: "2026-12-07 13:05".
std::string FormatIsoTime(int64_t seconds);
