// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/checksums/Checksums.h"

#include "engine/document/Blocks.h"
#include "engine/document/EngineState.h"
#include "engine/text/StringTable.h"

#include <isa-l/crc.h>
#include <isa-l/crc64.h>
#include <libdeflate.h>
#include <openssl/evp.h>
#include <xxhash.h>

#include <algorithm>
#include <cctype>
#include <iterator>

namespace Engine {

static_assert(std::size(Texts::ChecksumNames) == ChecksumCount &&
              std::size(Texts::ChecksumHints) == ChecksumCount);

namespace {

std::string Hex(const uint8_t* bytes, size_t size) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text(2 * size, '0');
    for (size_t i = 0; i < size; ++i) {
        text[2 * i] = Digits[bytes[i] >> 4];
        text[2 * i + 1] = Digits[bytes[i] & 15];
    }
    return text;
}

// A CRC or Adler value as the number it is, in as many digits as its width.
std::string HexNumber(uint64_t value, int bytes) {
    uint8_t big[8];
    for (int i = 0; i < bytes; ++i)
        big[i] = static_cast<uint8_t>(value >> (8 * (bytes - 1 - i)));
    return Hex(big, size_t(bytes));
}

// CRC-32 (zlib, PNG) and Adler-32: libdeflate, whose CRC uses carry-less multiplication.
class TCrc32 final : public TChecksum {
    uint32_t Crc = 0;

  public:
    void Update(std::span<const uint8_t> bytes) override {
        Crc = libdeflate_crc32(Crc, bytes.data(), bytes.size());
    }
    std::string Final() override { return HexNumber(Crc, 4); }
};

class TAdler32 final : public TChecksum {
    uint32_t Sum = 1;

  public:
    void Update(std::span<const uint8_t> bytes) override {
        Sum = libdeflate_adler32(Sum, bytes.data(), bytes.size());
    }
    std::string Final() override { return HexNumber(Sum, 4); }
};

// CRC-32C (Castagnoli) and CRC-64 (ECMA-182, reflected, as XZ has it): ISA-L. Its CRC-32C neither inverts
// the start value nor the result; its CRC-64 does both itself.
class TCrc32c final : public TChecksum {
    unsigned int Crc = 0xFFFFFFFFu;

  public:
    void Update(std::span<const uint8_t> bytes) override {
        // The library counts in int and takes a non-const pointer that it only reads through.
        for (size_t at = 0; at < bytes.size();) {
            const size_t n = std::min(bytes.size() - at, size_t{1} << 30);
            Crc = crc32_iscsi(const_cast<unsigned char*>(bytes.data() + at), static_cast<int>(n), Crc);
            at += n;
        }
    }
    std::string Final() override { return HexNumber(~Crc, 4); }
};

class TCrc64 final : public TChecksum {
    uint64_t Crc = 0;

  public:
    void Update(std::span<const uint8_t> bytes) override {
        Crc = crc64_ecma_refl(Crc, bytes.data(), bytes.size());
    }
    std::string Final() override { return HexNumber(Crc, 8); }
};

// The digests of OpenSSL's libcrypto, through its EVP interface.
class TEvpDigest final : public TChecksum {
    EVP_MD_CTX* Context = nullptr;
    bool Sound = false;

  public:
    explicit TEvpDigest(const EVP_MD* md) : Context(EVP_MD_CTX_new()) {
        Sound = md && Context && EVP_DigestInit_ex(Context, md, nullptr) == 1;
    }
    ~TEvpDigest() override { EVP_MD_CTX_free(Context); }
    TEvpDigest(const TEvpDigest&) = delete;
    TEvpDigest& operator=(const TEvpDigest&) = delete;
    void Update(std::span<const uint8_t> bytes) override {
        if (Sound) Sound = EVP_DigestUpdate(Context, bytes.data(), bytes.size()) == 1;
    }
    std::string Final() override {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        if (!Sound || EVP_DigestFinal_ex(Context, digest, &size) != 1) return {};
        Sound = false;
        return Hex(digest, size);
    }
};

// XXH3 in 64 and 128 bits: xxHash, shown in its canonical (big-endian) form as xxhsum shows it.
class TXxh3 final : public TChecksum {
    XXH3_state_t* State = nullptr;
    bool Wide = false;

  public:
    explicit TXxh3(bool wide) : State(XXH3_createState()), Wide(wide) {
        if (State) (Wide ? XXH3_128bits_reset : XXH3_64bits_reset)(State);
    }
    ~TXxh3() override { XXH3_freeState(State); }
    TXxh3(const TXxh3&) = delete;
    TXxh3& operator=(const TXxh3&) = delete;
    void Update(std::span<const uint8_t> bytes) override {
        if (State) (Wide ? XXH3_128bits_update : XXH3_64bits_update)(State, bytes.data(), bytes.size());
    }
    std::string Final() override {
        if (!State) return {};
        if (Wide) {
            XXH128_canonical_t canonical;
            XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(State));
            return Hex(canonical.digest, sizeof(canonical.digest));
        }
        XXH64_canonical_t canonical;
        XXH64_canonicalFromHash(&canonical, XXH3_64bits_digest(State));
        return Hex(canonical.digest, sizeof(canonical.digest));
    }
};

const EVP_MD* EvpDigestOf(TChecksumKind kind) {
    switch (kind) {
    case TChecksumKind::Md5:
        return EVP_md5();
    case TChecksumKind::Sha1:
        return EVP_sha1();
    case TChecksumKind::Sha224:
        return EVP_sha224();
    case TChecksumKind::Sha256:
        return EVP_sha256();
    case TChecksumKind::Sha384:
        return EVP_sha384();
    case TChecksumKind::Sha512:
        return EVP_sha512();
    case TChecksumKind::Sha3_256:
        return EVP_sha3_256();
    case TChecksumKind::Sha3_512:
        return EVP_sha3_512();
    case TChecksumKind::Blake2b512:
        return EVP_blake2b512();
    case TChecksumKind::Blake2s256:
        return EVP_blake2s256();
    default:
        return nullptr;
    }
}

} // namespace

const char* ChecksumName(TChecksumKind kind) {
    return Texts::ChecksumNames[static_cast<int>(kind)];
}

const char* ChecksumHint(TChecksumKind kind) {
    return Texts::ChecksumHints[static_cast<int>(kind)];
}

std::unique_ptr<TChecksum> NewChecksum(TChecksumKind kind) {
    switch (kind) {
    case TChecksumKind::Crc32:
        return std::make_unique<TCrc32>();
    case TChecksumKind::Crc32c:
        return std::make_unique<TCrc32c>();
    case TChecksumKind::Crc64:
        return std::make_unique<TCrc64>();
    case TChecksumKind::Adler32:
        return std::make_unique<TAdler32>();
    case TChecksumKind::Xxh3_64:
        return std::make_unique<TXxh3>(false);
    case TChecksumKind::Xxh3_128:
        return std::make_unique<TXxh3>(true);
    default:
        return std::make_unique<TEvpDigest>(EvpDigestOf(kind));
    }
}

std::optional<std::vector<std::string>> ComputeChecksums(std::span<const uint8_t> bytes,
                                                         std::span<const TChecksumKind> kinds,
                                                         const std::atomic<bool>& cancel,
                                                         const std::function<void(int64_t done)>& progress) {
    std::vector<std::unique_ptr<TChecksum>> sums;
    for (TChecksumKind kind : kinds)
        sums.push_back(NewChecksum(kind));
    for (size_t at = 0; at < bytes.size();) {
        if (cancel.load(std::memory_order_relaxed)) return std::nullopt;
        const std::span<const uint8_t> chunk = bytes.subspan(at, std::min(ChecksumChunk, bytes.size() - at));
        for (const auto& sum : sums)
            sum->Update(chunk);
        at += chunk.size();
        if (progress) progress(static_cast<int64_t>(at));
    }
    if (cancel.load(std::memory_order_relaxed)) return std::nullopt;
    std::vector<std::string> values;
    for (const auto& sum : sums)
        values.push_back(sum->Final());
    return values;
}

TByteRange ChecksumRange(TDocument& doc, TChecksumSource source) {
    if (source == TChecksumSource::Block && BlockComplete(doc))
        return {doc.Block.BlockBegin, doc.Block.BlockEnd - doc.Block.BlockBegin + 1};
    return {1, doc.Store.FileSize()};
}

TChecksumInput ChecksumBytes(TDocument& doc, TChecksumSource source) {
    return {doc.Store.Snapshot(), ChecksumRange(doc, source)};
}

std::optional<std::vector<std::string>> ComputeChecksums(const TChecksumInput& input,
                                                         std::span<const TChecksumKind> kinds,
                                                         const std::atomic<bool>& cancel,
                                                         const std::function<void(int64_t done)>& progress,
                                                         bool* unreadable) {
    if (unreadable) *unreadable = false;
    std::vector<std::unique_ptr<TChecksum>> sums;
    for (TChecksumKind kind : kinds)
        sums.push_back(NewChecksum(kind));
    // Short spans (pieces of a few typed bytes) gather into one chunk, so that every library gets pieces
    // of the size it runs fastest on.
    std::vector<uint8_t> gathered;
    int64_t done = 0;
    auto run = [&](std::span<const uint8_t> chunk) {
        for (const auto& sum : sums)
            sum->Update(chunk);
        done += static_cast<int64_t>(chunk.size());
        if (progress) progress(done);
    };
    const TReadResult read =
        input.Range.Count <= 0 ? TReadResult{}
                               : input.Snapshot.Visit(input.Range.First, input.Range.Count, [&](std::span<const uint8_t> span) {
                                     if (cancel.load(std::memory_order_relaxed)) return false;
                                     if (span.size() < ChecksumChunk / 4) {
                                         gathered.insert(gathered.end(), span.begin(), span.end());
                                         if (gathered.size() >= ChecksumChunk) {
                                             run(gathered);
                                             gathered.clear();
                                         }
                                         return true;
                                     }
                                     if (!gathered.empty()) {
                                         run(gathered);
                                         gathered.clear();
                                     }
                                     for (size_t at = 0; at < span.size(); at += ChecksumChunk)
                                         run(span.subspan(at, std::min(ChecksumChunk, span.size() - at)));
                                     return true;
                                 });
    if (!read.Readable()) {
        if (unreadable) *unreadable = true;
        return std::nullopt;
    }
    if (cancel.load(std::memory_order_relaxed)) return std::nullopt;
    if (!gathered.empty()) run(gathered);
    std::vector<std::string> values;
    for (const auto& sum : sums)
        values.push_back(sum->Final());
    return values;
}

std::string NormalizedDigest(std::string_view text) {
    std::string digits;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            digits += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (digits.starts_with("0x")) digits.erase(0, 2);
    return digits;
}

} // namespace Engine
