// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// The row-address column beside the text pane: the address of each row's first byte as the user sees it.
namespace Engine {

class TDocument;

// The column is at least this many digits wide, so that it (and the window with it) keeps one width for
// every file below 100,000,000 bytes.
inline constexpr int MinRowAddressDigits = 8;
// How many digits wide the column is: the decimal digits of the largest address the cursor can reach,
// which are never fewer than its hex digits, so that switching modes keeps the width.
int RowAddressDigits(TDocument& doc);
// One text per row of the page: decimal in text mode, else hex in upper case, padded with zeros to the
// digits of the largest address; empty for rows past the end (all of them without a file).
std::vector<std::string> RowAddressTexts(TDocument& doc);

} // namespace Engine
