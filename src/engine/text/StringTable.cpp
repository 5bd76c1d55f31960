// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/StringTable.h"

#include <array>
#include <string>

namespace {

struct TEntry {
    int Code;
    const char* Text;
};

// The input/output error texts. Numbers below 100 are the operating system's, above it the run time's.
constexpr TEntry IoErrors[] = {
    {1, "Invalid function number"},
    {2, "File not found"},
    {3, "Path not found"},
    {4, "Too many open files"},
    {5, "File access denied"},
    {6, "Invalid file handle"},
    {7, "Memory control blocks destroyed"},
    {8, "Not enough memory"},
    {9, "Invalid memory block address"},
    {10, "Invalid environment"},
    {11, "Invalid format"},
    {12, "Invalid file access code"},
    {13, "Invalid data"},
    {15, "Invalid drive number"},
    {16, "Cannot remove current directory"},
    {17, "Cannot rename across drives"},
    {18, "No more files"},
    {19, "Disk is write-protected"},
    {20, "Unknown unit"},
    {21, "Drive not ready"},
    {22, "Unknown command"},
    {23, "CRC error in data"},
    {24, "Bad request structure length"},
    {25, "Disk seek error"},
    {26, "Unknown media type"},
    {27, "Sector not found"},
    {28, "Printer out of paper"},
    {29, "Write fault"},
    {30, "Read fault"},
    {31, "General failure"},
    {32, "Sharing violation"},
    {33, "Lock violation"},
    {34, "Invalid disk change"},
    {36, "Sharing buffer overflow"},
    {38, "Reached end of file"},
    {39, "Disk full"},
    {50, "Request not supported"},
    {80, "File exists"},
    {82, "Cannot make directory entry"},
    {87, "Invalid parameter"},
    {100, "Disk read error"},
    {101, "Disk write error"},
    {102, "File not assigned"},
    {103, "File not open"},
    {104, "File not open for input"},
    {105, "File not open for output"},
    {106, "Invalid numeric format"},
    {112, "Disk full"},
    {123, "Invalid file name"},
    {150, "Disk is write-protected"},
    {151, "Bad drive request struct length"},
    {152, "Drive not ready"},
    {154, "CRC error in data"},
    {156, "Disk seek error"},
    {157, "Unknown media type"},
    {158, "Sector not found"},
    {159, "Printer out of paper"},
    {160, "Device write fault"},
    {161, "Device read fault"},
    {162, "Hardware failure"},
    {200, "Division by zero"},
    {201, "Range check error"},
    {202, "Stack overflow error"},
    {203, "Heap overflow error"},
    {204, "Invalid pointer operation"},
    {205, "Floating point overflow"},
    {206, "Floating point underflow"},
    {207, "Invalid floating point operation"},
    {210, "Object not initialized"},
    {211, "Call to abstract method"},
    {212, "Stream registration error"},
    {213, "Collection index out of range"},
    {214, "Collection overflow error"},
    {215, "Arithmetic overflow error"},
    {216, "General protection fault"},
    {217, "Unhandled exception"},
    {219, "Invalid typecast"},
};

} // namespace

const char* Texts::IoErrorEntry(int code) {
    for (const TEntry& entry : IoErrors)
        if (entry.Code == code) return entry.Text;
    return "";
}

std::string Texts::IoErrorText(int code) {
    if (code > 219) return {};
    return "Error " + std::to_string(code) + ": " + IoErrorEntry(code);
}
