// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/structure/KsText.h"

#include "engine/structure/KsError.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace Engine {

namespace {

std::string Upper(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name;
}

// Closes the conversion on every way out.
struct TIconv {
    iconv_t Handle;
    ~TIconv() {
        if (Handle != reinterpret_cast<iconv_t>(-1)) iconv_close(Handle);
    }
};

} // namespace

size_t Utf8Length(const std::string& text) {
    size_t n = 0;
    for (unsigned char c : text) n += (c & 0xC0) != 0x80;
    return n;
}

std::string DecodeKsText(const std::string& bytes, const std::string& encoding, int line) {
    const std::string name = Upper(encoding.empty() ? "UTF-8" : encoding);
    // ASCII is read as Latin-1 would not be: bytes above 0x7F are no characters of it.
    const bool ascii = name == "ASCII" || name == "US-ASCII";
    if (ascii && std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return bytes;
    TIconv cd{iconv_open("UTF-8", ascii ? "ASCII" : name.c_str())};
    if (cd.Handle == reinterpret_cast<iconv_t>(-1))
        KsFail(TKsErrorKind::Unsupported, "encoding '" + encoding + "' is not supported", line);
    std::string out;
    out.reserve(bytes.size() + 16);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* o = buffer;
        size_t oLeft = sizeof buffer;
        const size_t r = iconv(cd.Handle, &in, &inLeft, &o, &oLeft);
        out.append(buffer, static_cast<size_t>(o - buffer));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (a character cut short at the end): one replacement, one byte on.
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
            iconv(cd.Handle, nullptr, nullptr, nullptr, nullptr);
        }
    }
    char* o = buffer;
    size_t oLeft = sizeof buffer;
    iconv(cd.Handle, nullptr, nullptr, &o, &oLeft);
    out.append(buffer, static_cast<size_t>(o - buffer));
    return out;
}

} // namespace Engine
