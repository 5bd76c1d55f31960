// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/structure/KsProcess.h"

#include "engine/structure/KsError.h"

#include <zlib.h>

namespace Engine {

std::string KsInflate(const std::string& bytes, uint64_t limit) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) KsFail(TKsErrorKind::Data, "zlib cannot start", 0, "ProcessError");
    std::string out;
    char buffer[16384];
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(std::min<size_t>(bytes.size(), UINT32_MAX));
    int r = Z_OK;
    while (r != Z_STREAM_END) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        r = inflate(&z, Z_NO_FLUSH);
        if (r != Z_OK && r != Z_STREAM_END) {
            inflateEnd(&z);
            KsFail(TKsErrorKind::Data, std::string("zlib: ") + (z.msg ? z.msg : "data cut short"), 0, "ProcessError");
        }
        out.append(buffer, sizeof buffer - z.avail_out);
        if (out.size() > limit) {
            inflateEnd(&z);
            KsFail(TKsErrorKind::Limit, "zlib data inflates past " + std::to_string(limit) + " bytes");
        }
        if (r == Z_OK && z.avail_in == 0 && z.avail_out != 0) {
            inflateEnd(&z);
            KsFail(TKsErrorKind::Data, "zlib: data cut short", 0, "ProcessError");
        }
    }
    inflateEnd(&z);
    return out;
}

std::string KsXor(std::string bytes, const std::string& key) {
    if (key.empty()) return bytes;
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(bytes[i] ^ key[i % key.size()]);
    return bytes;
}

std::string KsRotateLeft(std::string bytes, int amount) {
    const int n = ((amount % 8) + 8) % 8;
    if (n == 0) return bytes;
    for (char& c : bytes) {
        const auto b = static_cast<uint8_t>(c);
        c = static_cast<char>(static_cast<uint8_t>(b << n | b >> (8 - n)));
    }
    return bytes;
}

} // namespace Engine
