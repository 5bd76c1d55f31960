// SPDX-License-Identifier: GPL-3.0-or-later
// The structure interpreter beyond the format language's own suite (tests/kaitai, run by kst_runner):
// arrays read lazily against a reference reading of the same bytes, limits that stop runaway definitions,
// input that cannot be read, and definition errors that name their line.
#include "engine/structure/KsInterpreter.h"

#include "common/TestRandom.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace Engine;

namespace {

struct TRead {
    std::unique_ptr<TKsSchema> Schema;
    std::unique_ptr<TKsInterpreter> Interpreter;
    std::shared_ptr<TKsObj> Root;
};

TRead ReadWith(const std::string& ksy, const TStructInput& input, TKsLimits limits = {}) {
    TRead r;
    r.Schema = TKsSchema::LoadText(ksy, "test.ksy");
    r.Interpreter = std::make_unique<TKsInterpreter>(*r.Schema, input, limits);
    r.Root = r.Interpreter->Parse();
    return r;
}

TKsValue Field(TRead& r, TKsObj& obj, const std::string& name) {
    return r.Interpreter->Get(obj, obj.Type->Slots.at(name));
}

uint64_t Load(const std::vector<uint8_t>& bytes, size_t at, int width, bool le) {
    uint64_t v = 0;
    for (int i = 0; i < width; ++i) v = v << 8 | bytes[at + static_cast<size_t>(le ? width - 1 - i : i)];
    return v;
}

// Records of 16 bytes, read lazily (a count past the eager limit) and through both ways of asking.
const char* const Records = R"(meta:
  id: records
  endian: le
seq:
  - id: count
    type: u4
  - id: items
    type: record
    repeat: expr
    repeat-expr: count
  - id: tail
    type: u1
types:
  record:
    seq:
      - id: a
        type: u4
      - id: b
        type: s2be
      - id: tag
        size: 2
      - id: inner
        type: inner
    instances:
      sum:
        value: a + b
  inner:
    seq:
      - id: c
        type: u8
)";

} // namespace

TEST(Structure, LazyRecordsReadAsTheBytesSay) {
    TTestRandom random(4301);
    for (const uint32_t count : {3u, 1000u}) {
        std::vector<uint8_t> bytes = random.Bytes(4 + count * 16 + 1);
        for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(count >> (8 * i));
        TSpanInput input(bytes);
        TRead r = ReadWith(Records, input);
        ASSERT_EQ(r.Interpreter->RootError(), nullptr);
        const TKsValue items = Field(r, *r.Root, "items");
        ASSERT_EQ(items.Kind, TKsKind::Array);
        EXPECT_EQ(items.Arr->Lazy, count >= 256);
        ASSERT_EQ(items.Arr->Size(), count);
        EXPECT_EQ(Field(r, *r.Root, "tail").I, bytes.back()) << "the field after the array starts past it";
        for (uint32_t i = 0; i < count; i += (count > 10 ? 37 : 1)) {
            const size_t at = 4 + i * 16;
            const auto a = static_cast<int64_t>(Load(bytes, at, 4, true));
            const auto b = static_cast<int64_t>(static_cast<int16_t>(Load(bytes, at + 4, 2, false)));
            const TKsValue record = items.Arr->At(i);
            ASSERT_EQ(record.Kind, TKsKind::Obj);
            EXPECT_EQ(Field(r, *record.Obj, "a").I, a);
            EXPECT_EQ(Field(r, *record.Obj, "b").I, b);
            EXPECT_EQ(*Field(r, *record.Obj, "tag").Text, std::string(bytes.begin() + static_cast<long>(at) + 6,
                                                                       bytes.begin() + static_cast<long>(at) + 8));
            const TKsValue inner = Field(r, *record.Obj, "inner");
            EXPECT_EQ(static_cast<uint64_t>(Field(r, *inner.Obj, "c").I), Load(bytes, at + 8, 8, true));
            EXPECT_EQ(Field(r, *record.Obj, "sum").I, a + b);
            // Straight from the bytes, without building the record.
            EXPECT_EQ(items.Arr->Field(i, 0).I, a);
            EXPECT_EQ(items.Arr->Field(i, 1).I, b);
            EXPECT_EQ(items.Arr->Range(i), (std::pair<uint64_t, uint64_t>(at, at + 16)));
        }
    }
}

TEST(Structure, LimitsStopDefinitionsThatDoNotEnd) {
    const std::vector<uint8_t> bytes(64, 0);
    TSpanInput input(bytes);
    TKsLimits limits;
    limits.Work = 100'000;
    // Objects inside objects without end, an empty element repeated to the end that never comes, an
    // instance made of itself, and a terminator never found in a huge virtual stream.
    for (const char* ksy : {"meta: {id: deep}\nseq:\n  - id: next\n    type: deep\n",
                            "meta: {id: empty}\nseq:\n  - id: items\n    type: nothing\n    repeat: eos\n"
                            "types:\n  nothing: {}\n",
                            "meta: {id: loop}\ninstances:\n  a:\n    value: a + 1\n"}) {
        TRead r = ReadWith(ksy, input, limits);
        const TKsSlot* stopped = r.Interpreter->RootError();
        if (std::string(ksy).find("instances") != std::string::npos) {
            ASSERT_EQ(stopped, nullptr);
            EXPECT_THROW(Field(r, *r.Root, "a"), TKsError);
            continue;
        }
        ASSERT_NE(stopped, nullptr) << ksy;
        EXPECT_EQ(stopped->ErrorKind, TKsErrorKind::Limit) << *stopped->Error;
    }
}

namespace {

// Bytes that cannot be read past a point, as a file that shrank.
class TShrunkInput final : public TStructInput {
  public:
    uint64_t Size() const override { return 100; }
    bool Read(uint64_t offset, std::span<uint8_t> into) const override {
        if (offset + into.size() > 10) return false;
        std::fill(into.begin(), into.end(), uint8_t{7});
        return true;
    }
};

} // namespace

TEST(Structure, UnreadableBytesStopWhereTheyStartAndKeepWhatWasRead) {
    TShrunkInput input;
    TRead r = ReadWith("meta: {id: t, endian: be}\nseq:\n  - id: a\n    type: u4\n  - id: b\n    size: 20\n"
                       "  - id: c\n    type: u1\n",
                       input);
    const TKsSlot* stopped = r.Interpreter->RootError();
    ASSERT_NE(stopped, nullptr);
    EXPECT_EQ(stopped->ErrorKind, TKsErrorKind::Data);
    EXPECT_NE(stopped->Error->find("line 5"), std::string::npos) << *stopped->Error;
    EXPECT_EQ(Field(r, *r.Root, "a").I, 0x07070707);
    EXPECT_EQ(r.Root->Slots[1].State, TKsSlot::TState::Failed);
    EXPECT_EQ(r.Root->Slots[2].State, TKsSlot::TState::Unread);
}

TEST(Structure, DefinitionErrorsNameTheirLine) {
    const struct {
        const char* Ksy;
        TKsErrorKind Kind;
        const char* Line;
    } cases[] = {
        {"meta: {id: t}\nseq:\n  - id: a\n    type: u1\n    frobnicate: 3\n", TKsErrorKind::Unsupported, "line 5"},
        {"meta: {id: t}\nseq:\n  - id: a\n    type: u1\n    if: a +* 2\n", TKsErrorKind::Definition, "line 5"},
        {"meta: {id: t}\nseq:\n  - id: a\n    type: nowhere\n", TKsErrorKind::Definition, "line 4"},
        {"meta: {id: t}\nseq:\n  - id: a\n    process: rot13\n    size: 1\n", TKsErrorKind::Unsupported, "line 4"},
        {"meta: {id: t}\nseq: [\n", TKsErrorKind::Definition, "line"},
    };
    for (const auto& c : cases) {
        try {
            TKsSchema::LoadText(c.Ksy, "test.ksy");
            ADD_FAILURE() << c.Ksy << " loaded";
        } catch (const TKsError& e) {
            EXPECT_EQ(e.Kind, c.Kind) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.Line), std::string::npos) << e.what();
        }
    }
}

TEST(Structure, EveryShippedFormatLoads) {
    const std::filesystem::path root = NIBLO_FORMATS_SOURCE_DIR;
    int count = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.path().extension() != ".ksy") continue;
        ++count;
        EXPECT_NO_THROW({
            try {
                TKsSchema::Load(entry.path().string(), {root.string()});
            } catch (const TKsError& e) {
                ADD_FAILURE() << entry.path() << ": " << e.what();
            }
        });
    }
    EXPECT_GE(count, 11);
}
