// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The DOS/Windows error numbers the input/output error texts are indexed by.
namespace DosError {

inline constexpr int None = 0;
inline constexpr int FileNotFound = 2;
inline constexpr int PathNotFound = 3;
inline constexpr int TooManyOpenFiles = 4;
inline constexpr int AccessDenied = 5;
inline constexpr int InvalidHandle = 6;
inline constexpr int NotEnoughMemory = 8;
inline constexpr int NotSameDevice = 17;
inline constexpr int WriteProtected = 19;
inline constexpr int DriveNotReady = 21;
inline constexpr int GeneralFailure = 31;
inline constexpr int FileExists = 80;
inline constexpr int InvalidParameter = 87;
inline constexpr int DiskFull = 112;

} // namespace DosError
