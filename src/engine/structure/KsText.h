// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Text of a format's strings, decoded to UTF-8 through the C library's iconv. A byte that is no character
// of the encoding becomes U+FFFD; an encoding iconv does not know is an unsupported-definition error.
namespace Engine {

std::string DecodeKsText(const std::string& bytes, const std::string& encoding, int line);
// The number of characters of UTF-8 text.
size_t Utf8Length(const std::string& text);

} // namespace Engine
