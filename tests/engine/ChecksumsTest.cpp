// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"
#include "common/TestDocument.h"

#include "common/TestRandom.h"
#include "engine/document/Blocks.h"
#include "engine/checksums/Checksums.h"
#include "engine/document/EngineState.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace Engine;
using K = TChecksumKind;

namespace {

std::string OneUpdate(K kind, std::span<const uint8_t> bytes) {
    auto sum = NewChecksum(kind);
    sum->Update(bytes);
    return sum->Final();
}

std::vector<uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

struct TVector {
    K Kind;
    std::string Input; // "a*" stands for a million "a"
    const char* Value;
};

// Published values: the check values of the CRC catalogue for "123456789", FIPS 180 and 202 for the SHA
// family, RFC 1321 and 7693 for MD5 and BLAKE2, xxHash's own for the empty input.
const TVector Vectors[] = {
    {K::Crc32, "123456789", "cbf43926"},
    {K::Crc32c, "123456789", "e3069283"},
    {K::Crc64, "123456789", "995dc9bbdf1939fa"},
    {K::Adler32, "123456789", "091e01de"},
    {K::Adler32, "Wikipedia", "11e60398"},
    {K::Crc32, "", "00000000"},
    {K::Adler32, "", "00000001"},
    {K::Md5, "", "d41d8cd98f00b204e9800998ecf8427e"},
    {K::Md5, "abc", "900150983cd24fb0d6963f7d28e17f72"},
    {K::Md5, "a*", "7707d6ae4e027c70eea2a935c2296f21"},
    {K::Sha1, "", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    {K::Sha1, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {K::Sha1, "a*", "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    {K::Sha224, "", "d14a028c2a3a2bc9476102bb288234c415a2b01f828ea62ac5b3e42f"},
    {K::Sha224, "abc", "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7"},
    {K::Sha224, "a*", "20794655980c91d8bbb4c1ea97618a4bf03f42581948b2ee4ee7ad67"},
    {K::Sha256, "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {K::Sha256, "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {K::Sha256, "a*", "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    {K::Sha384, "",
     "38b060a751ac96384cd9327eb1b1e36a21fdb71114be07434c0cc7bf63f6e1da274edebfe76f65fbd51ad2f14898b95b"},
    {K::Sha384, "abc",
     "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"},
    {K::Sha384, "a*",
     "9d0e1809716474cb086e834e310a4a1ced149e9c00f248527972cec5704c2a5b07b8b3dc38ecc4ebae97ddd87f3d8985"},
    {K::Sha512, "",
     "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2877eec2f63b931b"
     "d47417a"
     "81a538327af927da3e"},
    {K::Sha512, "abc",
     "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d442"
     "3643c"
     "e80e2a9ac94fa54ca49f"},
    {K::Sha512, "a*",
     "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb0432ce577c31beb009c5"
     "c2c49aa"
     "2e4eadb217ad8cc09b"},
    {K::Sha3_256, "", "a7ffc6f8bf1ed76651c14756a061d662f580ff4de43b49fa82d80a4b80f8434a"},
    {K::Sha3_256, "abc", "3a985da74fe225b2045c172d6bd390bd855f086e3e9d525b46bfe24511431532"},
    {K::Sha3_256, "a*", "5c8875ae474a3634ba4fd55ec85bffd661f32aca75c6d699d0cdcb6c115891c1"},
    {K::Sha3_512, "",
     "a69f73cca23a9ac5c8b567dc185a756e97c982164fe25859e0d1dcc1475c80a615b2123af1f5f94c11e3e9402c3ac558f500199"
     "d95b6d3"
     "e301758586281dcd26"},
    {K::Sha3_512, "abc",
     "b751850b1a57168a5693cd924b6b096e08f621827444f70d884f5d0240d2712e10e116e9192af3c91a7ec57647e3934057340b4"
     "cf408d5"
     "a56592f8274eec53f0"},
    {K::Sha3_512, "a*",
     "3c3a876da14034ab60627c077bb98f7e120a2a5370212dffb3385a18d4f38859ed311d0a9d5141ce9cc5c66ee689b266a8aa18a"
     "ce8282a"
     "0e0db596c90b0a7b87"},
    {K::Blake2b512, "abc",
     "ba80a53f981c4d0d6a2797b69f12f6e94c212f14685ac4b74b12bb6fdbffa2d17d87c5392aab792dc252d5de4533cc9518d38aa"
     "8dbf192"
     "5ab92386edd4009923"},
    {K::Blake2s256, "abc", "508c5e8c327c14e2e1a72ba34eeb452f37458b209ed63a294d999b4c86675982"},
    {K::Xxh3_64, "", "2d06800538d394c2"},
    {K::Xxh3_128, "", "99aa06d3014798d86001c324468d497f"},
};

// Several CRCs of each width exist: each is named as the CRC catalogue names it (or by the alias it lists),
// and gives that entry's check value.
TEST(ChecksumsTest, CrcsNamedAsTheCatalogueNamesThem) {
    const std::pair<std::string_view, const char*> entries[] = {
        {"CRC-32", "cbf43926"}, {"CRC-32C", "e3069283"}, {"CRC-64/XZ", "995dc9bbdf1939fa"}};
    for (const auto& [name, check] : entries) {
        int found = 0;
        for (int i = 0; i < ChecksumCount; ++i)
            if (ChecksumName(K(i)) == name) {
                ++found;
                EXPECT_EQ(OneUpdate(K(i), Bytes("123456789")), check) << name;
            }
        EXPECT_EQ(found, 1) << name;
    }
}

TEST(ChecksumsTest, PublishedVectors) {
    for (const TVector& v : Vectors) {
        const std::vector<uint8_t> input =
            v.Input == "a*" ? std::vector<uint8_t>(1000000, 'a') : Bytes(v.Input);
        EXPECT_EQ(OneUpdate(v.Kind, input), v.Value) << ChecksumName(v.Kind) << " of \"" << v.Input << '"';
    }
}

TEST(ChecksumsTest, ChunkedUpdatesOverRandomSplitsEqualOneUpdate) {
    TTestRandom random(25);
    const std::vector<uint8_t> bytes = random.Bytes(300000);
    for (int k = 0; k < ChecksumCount; ++k) {
        const K kind = static_cast<K>(k);
        const std::string whole = OneUpdate(kind, bytes);
        for (int round = 0; round < 4; ++round) {
            auto sum = NewChecksum(kind);
            for (size_t at = 0; at < bytes.size();) {
                // Empty pieces, single bytes and pieces larger than any internal block all occur.
                const size_t piece = std::min<size_t>(
                    bytes.size() - at, size_t(random.Pick(0, 1) ? random.Pick(0, 3) : random.Pick(0, 70000)));
                sum->Update(std::span(bytes).subspan(at, piece));
                at += piece;
            }
            EXPECT_EQ(sum->Final(), whole) << ChecksumName(kind) << " round " << round;
        }
    }
}

TEST(ChecksumsTest, OnePassOverEveryKindEqualsEachAlone) {
    TTestRandom random(7);
    const std::vector<uint8_t> bytes = random.Bytes(3 * int64_t(ChecksumChunk) + 12345);
    std::vector<K> kinds;
    for (int k = ChecksumCount - 1; k >= 0; --k)
        kinds.push_back(static_cast<K>(k));
    std::atomic<bool> cancel = false;
    int64_t lastDone = 0;
    const auto values = ComputeChecksums(bytes, kinds, cancel, [&](int64_t done) { lastDone = done; });
    ASSERT_TRUE(values);
    EXPECT_EQ(lastDone, int64_t(bytes.size()));
    for (size_t i = 0; i < kinds.size(); ++i)
        EXPECT_EQ((*values)[i], OneUpdate(kinds[i], bytes)) << ChecksumName(kinds[i]);
}

TEST(ChecksumsTest, CancelStopsThePass) {
    const std::vector<uint8_t> bytes(4 * ChecksumChunk, 'x');
    std::atomic<bool> cancel = false;
    int chunks = 0;
    const K kinds[] = {K::Sha256};
    const auto values = ComputeChecksums(bytes, kinds, cancel, [&](int64_t) {
        ++chunks;
        cancel = true;
    });
    EXPECT_FALSE(values);
    EXPECT_EQ(chunks, 1);
}

TEST(ChecksumsTest, ComparedDigestIgnoresCaseSpacesAndHexPrefix) {
    EXPECT_EQ(NormalizedDigest(" CB F4 39\t26\n"), "cbf43926");
    EXPECT_EQ(NormalizedDigest("0xCBF43926"), "cbf43926");
    EXPECT_EQ(NormalizedDigest("   "), "");
}

class ChecksumSourceTest : public TEngineTest {};

TEST_F(ChecksumSourceTest, BlockChoiceHashesExactlyTheBlock) {
    TTestRandom random(3);
    const std::vector<uint8_t> bytes = random.Bytes(1000);
    OpenBytes(bytes);
    SetBlock(TestDoc(), 101, 300);
    const std::span<const uint8_t> all(bytes);
    const TChecksumInput chosen = ChecksumBytes(TestDoc(), TChecksumSource::Block);
    EXPECT_EQ(chosen.Range.First, 101);
    EXPECT_EQ(chosen.Range.Count, 200);
    const K kinds[] = {K::Sha256, K::Crc32};
    std::atomic<bool> cancel = false;
    const auto values = ComputeChecksums(chosen, kinds, cancel);
    ASSERT_TRUE(values);
    EXPECT_EQ((*values)[0], OneUpdate(K::Sha256, all.subspan(100, 200)));
    EXPECT_EQ((*values)[1], OneUpdate(K::Crc32, all.subspan(100, 200)));
    // One byte more on either side is another value.
    EXPECT_NE((*values)[0], OneUpdate(K::Sha256, all.subspan(99, 201)));
    EXPECT_NE((*values)[0], OneUpdate(K::Sha256, all.subspan(100, 201)));
    // The whole file is the whole file, block or not.
    const TChecksumInput whole = ChecksumBytes(TestDoc(), TChecksumSource::WholeFile);
    EXPECT_EQ(whole.Range.Count, 1000);
    const K sha[] = {K::Sha256};
    EXPECT_EQ((*ComputeChecksums(whole, sha, cancel))[0], OneUpdate(K::Sha256, all));
}

TEST_F(ChecksumSourceTest, WithoutACompleteBlockTheWholeFileIsTaken) {
    OpenBytes(std::vector<uint8_t>(500, 7));
    SetBlock(TestDoc(), 50, 0); // half-marked
    EXPECT_EQ(ChecksumRange(TestDoc(), TChecksumSource::Block).First, 1);
    EXPECT_EQ(ChecksumRange(TestDoc(), TChecksumSource::Block).Count, 500);
}

} // namespace
