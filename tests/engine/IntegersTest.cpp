// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding the bytes at the cursor and encoding integers, against a reference built from memcpy and
// byte swaps of the machine's own integer types.
#include "FakeHost.h"
#include "common/TestDocument.h"

#include "engine/document/Blocks.h"
#include "engine/document/EngineState.h"
#include "engine/editing/Integers.h"
#include "engine/document/View.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <random>

using namespace Engine;

namespace {

using TBytes = std::vector<uint8_t>;

// The value's bytes as the machine stores a T, least significant first, reversed for MSB first.
template <typename T> std::optional<TBytes> ReferenceEncoding(int64_t value, TByteOrder order) {
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max()) return std::nullopt;
    T typed = static_cast<T>(value);
    TBytes bytes(sizeof(T));
    std::memcpy(bytes.data(), &typed, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) std::reverse(bytes.begin(), bytes.end());
    if (order == TByteOrder::MsbFirst) std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

std::optional<TBytes> ReferenceEncoding(int64_t value, TIntType type, TByteOrder order) {
    switch (type) {
    case TIntType::Shortint:
        return ReferenceEncoding<int8_t>(value, order);
    case TIntType::Byte:
        return ReferenceEncoding<uint8_t>(value, order);
    case TIntType::Word:
        return ReferenceEncoding<uint16_t>(value, order);
    case TIntType::Integer:
        return ReferenceEncoding<int16_t>(value, order);
    case TIntType::Longint:
        return ReferenceEncoding<int32_t>(value, order);
    }
    return std::nullopt;
}

// The unsigned number of n bytes read the way the machine reads them, swapped for MSB first.
uint32_t ReferenceCompose(const TBytes& bytes, TByteOrder order) {
    TBytes ordered = bytes;
    if ((order == TByteOrder::MsbFirst) == (std::endian::native == std::endian::little))
        std::reverse(ordered.begin(), ordered.end());
    if (ordered.size() == 1) return ordered[0];
    if (ordered.size() == 2) {
        uint16_t value;
        std::memcpy(&value, ordered.data(), 2);
        return value;
    }
    uint32_t value;
    std::memcpy(&value, ordered.data(), 4);
    return value;
}

const int64_t Values[] = {
    0,         1,         -1,     127,        128,        -128,          -129,        200,   255,
    256,       258,       -32768, -32769,     32767,      32768,         65535,       65536, -2147483647,
    INT32_MIN, INT32_MAX, -65536, 0x12345678, 2147483648, -2147483649LL, 9999999999LL};

const TIntType Types[] = {TIntType::Shortint, TIntType::Byte, TIntType::Word, TIntType::Integer,
                          TIntType::Longint};
const TByteOrder Orders[] = {TByteOrder::LsbFirst, TByteOrder::MsbFirst};

class IntegersTest : public TEngineTest {};

} // namespace

TEST_F(IntegersTest, EncodingMatchesTheMachinesIntegers) {
    for (TByteOrder order : Orders)
        for (TIntType type : Types)
            for (int64_t value : Values)
                EXPECT_EQ(EncodeInteger(value, type, order), ReferenceEncoding(value, type, order))
                    << "value " << value << " type " << int(type) << " order " << int(order);
}

TEST_F(IntegersTest, ComposingMatchesTheMachinesIntegers) {
    std::mt19937 random(10);
    for (int round = 0; round < 300; ++round)
        for (size_t size : {1u, 2u, 4u}) {
            TBytes bytes(size);
            for (uint8_t& b : bytes)
                b = static_cast<uint8_t>(random());
            if (round == 0) std::fill(bytes.begin(), bytes.end(), 0xFF);
            for (TByteOrder order : Orders)
                EXPECT_EQ(ComposeBytes(bytes, order), ReferenceCompose(bytes, order));
        }
}

TEST_F(IntegersTest, DecodeLinesInBothByteOrders) {
    OpenBytes({0xFF, 0x7F, 0x00, 0x80, 0x00, 0x00, 0x00, 0x80, 0x11});
    EXPECT_EQ(DecodeLines(TestDoc(), TByteOrder::LsbFirst), (std::vector<std::string>{
                                                     "1 byte  as shortint:          -1",
                                                     "2 bytes as word:           32767",
                                                     "2 bytes as integer:        32767",
                                                     "4 bytes as longint:  -2147450881",
                                                 }));
    EXPECT_EQ(DecodeLines(TestDoc(), TByteOrder::MsbFirst), (std::vector<std::string>{
                                                     "1 byte  as shortint:          -1",
                                                     "2 bytes as word:           65407",
                                                     "2 bytes as integer:         -129",
                                                     "4 bytes as longint:     -8454016",
                                                 }));
    PutCursorOn(5);
    EXPECT_EQ(DecodeLines(TestDoc(), TByteOrder::LsbFirst).back(), "4 bytes as longint:  -2147483648");
    EXPECT_EQ(DecodeLines(TestDoc(), TByteOrder::MsbFirst).back(), "4 bytes as longint:          128");
}

TEST_F(IntegersTest, DecodeLeavesOutWhatRunsPastTheEnd) {
    OpenBytes(PatternBytes(40));
    for (auto [address, lines] : {std::pair{40, 1u}, {39, 3u}, {38, 3u}, {37, 4u}, {1, 4u}}) {
        PutCursorOn(address);
        EXPECT_EQ(DecodeLines(TestDoc(), TByteOrder::LsbFirst).size(), lines) << "at " << address;
    }
    OpenBytes({});
    EXPECT_TRUE(DecodeLines(TestDoc(), TByteOrder::LsbFirst).empty());
}

TEST_F(IntegersTest, InsertingBeforeTheCursorDropsAnAffectedBlock) {
    TBytes bytes = PatternBytes(50);
    OpenBytes(bytes);
    MarkFromTo(20, 30);
    PutCursorOn(25);
    const TBytes encoded{0x02, 0x01};
    ASSERT_TRUE(WriteEncoded(TestDoc(), encoded, false));
    bytes.insert(bytes.begin() + 24, encoded.begin(), encoded.end());
    EXPECT_EQ(Bytes(), bytes);
    EXPECT_EQ(CurrentAddress(TestDoc()), 25);
    EXPECT_TRUE(TestDoc().Modified);
    EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{"Block no longer valid"});
    EXPECT_FALSE(BlockComplete(TestDoc()));
    EXPECT_EQ(Host.BusyTexts.back(), "Writing encoded number...");

    // Behind the block, the block keeps its bytes.
    MarkFromTo(5, 10);
    PutCursorOn(11);
    ASSERT_TRUE(WriteEncoded(TestDoc(), encoded, false));
    EXPECT_EQ(TestDoc().Block.BlockBegin, 5);
    EXPECT_EQ(TestDoc().Block.BlockEnd, 10);
    EXPECT_EQ(Host.InfoTexts().size(), 1u);
}

TEST_F(IntegersTest, AnEmptyFileTakesTheBytesWhole) {
    for (bool overwrite : {false, true})
        for (size_t size : {1u, 2u, 4u}) {
            OpenBytes({});
            TestDoc().View.BottomAddress = 0;
            const TBytes encoded = PatternBytes(size, 9);
            const int refreshes = Host.Refreshes;
            ASSERT_TRUE(WriteEncoded(TestDoc(), encoded, overwrite));
            EXPECT_EQ(Bytes(), encoded);
            EXPECT_EQ(TestDoc().View.BottomAddress, int32_t(size)) << "the panes must show the new bytes";
            EXPECT_EQ(CurrentAddress(TestDoc()), 1);
            EXPECT_TRUE(TestDoc().Modified);
            EXPECT_GT(Host.Refreshes, refreshes);
        }
}
