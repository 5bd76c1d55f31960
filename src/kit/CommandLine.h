// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the command line asks for: niblo [options] [FILE]. Read before any window system is asked for, so
// that --help, --version and a wrong argument need no display.
struct TCommandLine {
    // False: the program only prints Output to standard output and Error to standard error, and ends with
    // ExitCode (UsageExitCode for wrong arguments).
    bool Start = false;
    int ExitCode = 0;
    std::string Output;
    std::string Error;
    // With Start: the file to open, as the argument's bytes (empty: none), whether it opens read-only, and
    // the entry to put the cursor on (an address as the user sees it, counted from the options' base).
    std::string FileName;
    bool ReadOnly = false;
    std::optional<int64_t> Address;
};

// The exit code of a wrong option, a wrong address or a missing file name.
inline constexpr int UsageExitCode = 2;

// arguments: the program's arguments without its name, as bytes.
TCommandLine ReadCommandLine(const std::vector<std::string>& arguments);
