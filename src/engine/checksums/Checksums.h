// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"
#include "engine/store/PieceStore.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Checksums and hashes of the block or the whole file. Every algorithm is a library's (OpenSSL's libcrypto,
// libdeflate, ISA-L, xxHash) behind one small interface, so that the dialog and the tests see one table.
namespace Engine {

class TDocument;

enum class TChecksumKind : int {
    Crc32,
    Crc32c,
    Crc64,
    Adler32,
    Md5,
    Sha1,
    Sha224,
    Sha256,
    Sha384,
    Sha512,
    Sha3_256,
    Sha3_512,
    Blake2b512,
    Blake2s256,
    Xxh3_64,
    Xxh3_128
};
inline constexpr int ChecksumCount = static_cast<int>(TChecksumKind::Xxh3_128) + 1;

// One running checksum: fed the bytes chunk by chunk, in order and of any sizes, then asked once for its
// value as lowercase hex, most significant digit first (the digests in their byte order).
class TChecksum {
  public:
    virtual ~TChecksum() = default;
    virtual void Update(std::span<const uint8_t> bytes) = 0;
    // Empty when the library refused the algorithm (a digest the installed OpenSSL does not offer).
    virtual std::string Final() = 0;
};

const char* ChecksumName(TChecksumKind kind);
const char* ChecksumHint(TChecksumKind kind);
std::unique_ptr<TChecksum> NewChecksum(TChecksumKind kind);

// One pass reads this much of the bytes and runs every chosen algorithm over it while it is in the cache
// (a quarter of a core's second-level cache on today's processors). Smaller pieces cost some libraries
// dearly: xxHash 0.8.1 streams pieces of 64 KiB at half the speed of one call over the whole.
inline constexpr size_t ChecksumChunk = size_t{256} << 10;

// Runs every kind over bytes in one pass. progress (if any) gets the bytes done after each chunk; a set
// cancel stops the pass at the next chunk. The values in the order of kinds; nothing when cancelled.
std::optional<std::vector<std::string>>
ComputeChecksums(std::span<const uint8_t> bytes, std::span<const TChecksumKind> kinds,
                 const std::atomic<bool>& cancel, const std::function<void(int64_t done)>& progress = {});

// Which bytes: the marked block (when it is complete), else the whole file.
enum class TChecksumSource { Block, WholeFile };
// The first address and the count of the bytes the source stands for now.
struct TByteRange {
    TAddress First = 1;
    TCount Count = 0;
};
TByteRange ChecksumRange(TDocument& doc, TChecksumSource source);
// Those bytes as a snapshot of the store, which a worker thread may read while the user goes on.
struct TChecksumInput {
    TStoreSnapshot Snapshot;
    TByteRange Range;
};
TChecksumInput ChecksumBytes(TDocument& doc, TChecksumSource source);
// Runs every kind over the input's bytes as they are read, chunk by chunk. Nothing when cancelled or when
// the bytes could not all be read (unreadable then says so).
std::optional<std::vector<std::string>>
ComputeChecksums(const TChecksumInput& input, std::span<const TChecksumKind> kinds, const std::atomic<bool>& cancel,
                 const std::function<void(int64_t done)>& progress = {}, bool* unreadable = nullptr);

// A digest as pasted: spaces and line breaks dropped, a leading "0x" dropped, letters in lower case.
std::string NormalizedDigest(std::string_view text);

} // namespace Engine
