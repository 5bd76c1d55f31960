// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"
#include "common/TestDocument.h"

#include "common/TestRandom.h"
#include "engine/document/Blocks.h"
#include "engine/document/CommandEnabling.h"
#include "engine/store/DynArray.h"
#include "engine/editing/Editing.h"
#include "engine/document/EngineState.h"
#include "engine/search/SearchRequest.h"
#include "engine/text/StringTable.h"
#include "engine/document/View.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace Engine;

namespace {

using TBytes = std::vector<uint8_t>;
using K = TBlockCopyKind;

// The bytes that stood at addresses from..to of a Numbered file.
TBytes Range(int32_t from, int32_t to) {
    TBytes bytes;
    for (int32_t a = from; a <= to; ++a)
        bytes.push_back(static_cast<uint8_t>(a));
    return bytes;
}

TBytes Cat(std::initializer_list<TBytes> parts) {
    TBytes all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

const char* KindName(K kind) {
    return kind == K::Copy ? "copy" : kind == K::Overwrite ? "overwrite" : "move";
}

class EditingTest : public TEngineTest {
  protected:
    // 100 bytes; the byte at address a is a, so that expectations read as address ranges.
    void SetUp() override {
        TEngineTest::SetUp();
        OpenBytes(Range(1, 100));
    }
    // Replace undo offered for the replacement of `length` bytes at `address`.
    void OfferReplaceUndo(int32_t address, size_t length) {
        TestDoc().Search.LastReplaceAddress = address;
        TestApp().SearchRequest.Replacement.assign(length, 0x5A);
        EnableReplaceUndo(TestDoc(), true);
    }
    bool UndoOffered() const {
        return TestDoc().Search.ReplaceUndoEnabled && Host.IsEnabled(TCommand::Replaceundo1);
    }
    void Blockcopy(K kind, int32_t cursor) {
        PutCursorOn(cursor);
        Host.ForgetRecords();
        Blockcopy1Click(TestDoc(), kind);
    }
};

#define EXPECT_BLOCK(begin, end)                                                                             \
    do {                                                                                                     \
        EXPECT_EQ(TestDoc().Block.BlockBegin, begin);                                                            \
        EXPECT_EQ(TestDoc().Block.BlockEnd, end);                                                                \
    } while (0)

// --- Block copy, copy/overwrite and move -------------------------------------------------------------------

// The block marks the bytes where they went; the cursor stays on its address.
TEST_F(EditingTest, BlockCommandsCopyOverwriteAndMove) {
    struct {
        K kind;
        int32_t begin, end, cursor;
        TBytes expected;
        int32_t newBegin;
    } cases[] = {
        {K::Copy, 4, 10, 2, Cat({Range(1, 1), Range(4, 10), Range(2, 100)}),
         2}, // the block is pushed to 11..17
        {K::Copy, 4, 10, 4, Cat({Range(1, 3), Range(4, 10), Range(4, 100)}), 4}, // before the block
        {K::Copy, 4, 10, 11, Cat({Range(1, 10), Range(4, 10), Range(11, 100)}), 11},
        {K::Copy, 4, 10, 60, Cat({Range(1, 59), Range(4, 10), Range(60, 100)}), 60},
        {K::Overwrite, 4, 10, 94, Cat({Range(1, 93), Range(4, 10)}), 94},              // up to the last byte
        {K::Overwrite, 5, 12, 2, Cat({Range(1, 1), Range(5, 12), Range(10, 100)}), 2}, // overlaps its source
        {K::Overwrite, 50, 60, 61, Cat({Range(1, 60), Range(50, 60), Range(72, 100)}), 61},
        {K::Move, 4, 10, 20, Cat({Range(1, 3), Range(11, 19), Range(4, 10), Range(20, 100)}), 13},
        {K::Move, 10, 14, 3, Cat({Range(1, 2), Range(10, 14), Range(3, 9), Range(15, 100)}), 3},
        {K::Move, 10, 14, 1, Cat({Range(10, 14), Range(1, 9), Range(15, 100)}), 1},
        {K::Move, 90, 100, 89, Cat({Range(1, 88), Range(90, 100), Range(89, 89)}), 89},
        {K::Move, 1, 5, 100, Cat({Range(6, 99), Range(1, 5), Range(100, 100)}), 95},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << KindName(c.kind) << " of " << c.begin << ".." << c.end << " to " << c.cursor);
        OpenBytes(Range(1, 100));
        MarkFromTo(c.begin, c.end);
        OfferReplaceUndo(50, 2);
        Blockcopy(c.kind, c.cursor);
        EXPECT_EQ(Bytes(), c.expected);
        EXPECT_BLOCK(c.newBegin, c.newBegin + c.end - c.begin);
        EXPECT_EQ(CurrentAddress(TestDoc()), c.cursor);
        EXPECT_EQ(TestDoc().View.BottomAddress,
                  std::min(TestDoc().View.TopAddress + TestDoc().View.PageBytes - 1, TestDoc().Store.FileSize()));
        EXPECT_TRUE(TestDoc().Modified);
        EXPECT_FALSE(UndoOffered());
        EXPECT_TRUE(Host.Messages.empty());
        EXPECT_NE(std::find(Host.BusyTexts.begin(), Host.BusyTexts.end(), "Copy..."), Host.BusyTexts.end());
        EXPECT_GT(Host.Repaints, 0); // the old and the new place of the block change colour
    }
}

TEST_F(EditingTest, BlockCommandRefusalsChangeNothing) {
    enum TBlock { None, Half, Complete }; // Complete and Half use 4..10 and 4
    struct {
        TBlock block;
        K kind;
        int32_t cursor;
        bool error;
        const char* text;
    } cases[] = {
        {None, K::Copy, 20, true, "No block marked"},
        {Half, K::Move, 20, true, "No block marked"},
        {Half, K::Overwrite, 20, true, "No block marked"},
        {Complete, K::Copy, 7, true, "Can't copy or move within block\n(use clipboard if necessary)"},
        {Complete, K::Overwrite, 5, true, "Can't copy or move within block\n(use clipboard if necessary)"},
        {Complete, K::Move, 10, true, "Can't copy or move within block\n(use clipboard if necessary)"},
        {Complete, K::Overwrite, 4, false, "Block remains on same position"},
        {Complete, K::Move, 4, false, "Block remains on same position"},
        {Complete, K::Move, 11, false, "Block remains on same position"},
        {Complete, K::Overwrite, 95, true, "Can't overwrite beyond end of file"},
        {Complete, K::Overwrite, 100, true, "Can't overwrite beyond end of file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << KindName(c.kind) << " at " << c.cursor);
        Blockunmark1Click(TestDoc());
        if (c.block == Complete) MarkFromTo(4, 10);
        if (c.block == Half) {
            PutCursorOn(4);
            Blockmark1Click(TestDoc());
        }
        const int32_t begin = TestDoc().Block.BlockBegin, end = TestDoc().Block.BlockEnd;
        OfferReplaceUndo(1, 100);
        Blockcopy(c.kind, c.cursor);
        EXPECT_EQ(Bytes(), Range(1, 100));
        EXPECT_BLOCK(begin, end);
        EXPECT_EQ(CurrentAddress(TestDoc()), c.cursor);
        EXPECT_FALSE(TestDoc().Modified);
        EXPECT_TRUE(UndoOffered());
        ASSERT_EQ(Host.Messages.size(), 1u);
        EXPECT_EQ(Host.Messages[0].Kind,
                  c.error ? TFakeHost::TMessageKind::Error : TFakeHost::TMessageKind::Info);
        EXPECT_EQ(Host.Messages[0].Text, c.text);
    }
}

// --- Deleting ----------------------------------------------------------------------------------------------

TEST_F(EditingTest, BlockDeleteClosesTheBlockAndPutsTheCursorOnItsPlace) {
    MarkFromTo(4, 10);
    OfferReplaceUndo(90, 1);
    PutCursorOn(50);
    EXPECT_TRUE(DeleteBlock(TestDoc()));
    EXPECT_EQ(Bytes(), Cat({Range(1, 3), Range(11, 100)}));
    EXPECT_BLOCK(0, 0);
    EXPECT_EQ(CurrentAddress(TestDoc()), 4);
    EXPECT_TRUE(TestDoc().Modified);
    EXPECT_FALSE(UndoOffered());
    EXPECT_FALSE(Host.IsEnabled(TCommand::Blockdelete1));

    Host.ForgetRecords();
    EXPECT_FALSE(DeleteBlock(TestDoc()));
    EXPECT_EQ(Host.ErrorTexts(), std::vector<std::string>{"No block marked"});
    EXPECT_EQ(TestDoc().Store.FileSize(), 93);
}

TEST_F(EditingTest, DeleteToCursorCutsTheHeadAndDropsAnyCompleteBlock) {
    MarkFromTo(60, 70);
    PutCursorOn(5);
    Host.ForgetRecords();
    DeleteToCursor(TestDoc());
    EXPECT_EQ(Bytes(), Range(6, 100));
    EXPECT_EQ(CurrentAddress(TestDoc()), 1);
    EXPECT_EQ(TestDoc().View.TopAddress, 1);
    EXPECT_TRUE(TestDoc().Modified);
    EXPECT_BLOCK(0, 0);
    EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{"Block no longer valid"});

    // Without a complete block there is nothing to report.
    PutCursorOn(60);
    Blockmark1Click(TestDoc());
    Host.ForgetRecords();
    PutCursorOn(2);
    DeleteToCursor(TestDoc());
    EXPECT_EQ(Bytes(), Range(8, 100));
    EXPECT_TRUE(Host.Messages.empty());
}

TEST_F(EditingTest, EmptyingTheWholeFileSetsModified) {
    struct {
        const char* name;
        int32_t size, cursor;
        std::function<void()> run;
    } cases[] = {
        {"block delete", 100, 50, [] { EXPECT_FALSE(DeleteBlock(TestDoc())); }},
        {"delete from cursor at 1", 100, 1, [] { DeleteFromCursor(TestDoc()); }},
        {"delete to cursor at the last byte", 100, 100, [] { DeleteToCursor(TestDoc()); }},
        {"delete the only byte", 1, 1, [] { DeleteByteAtCursor(TestDoc()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenBytes(Range(1, c.size));
        MarkFromTo(1, c.size);
        PutCursorOn(c.cursor);
        Host.ForgetRecords();
        c.run();
        EXPECT_EQ(TestDoc().Store.FileSize(), 0);
        EXPECT_TRUE(TestDoc().Modified);
        EXPECT_BLOCK(0, 0);
        EXPECT_FALSE(Host.IsEnabled(TCommand::Blockunmark1));
        EXPECT_EQ(CurrentAddress(TestDoc()), 1);
        EXPECT_TRUE(Host.Messages.empty()); // the block goes without "Block no longer valid"
    }
}

TEST_F(EditingTest, DeletingAtOrBeforeTheBlockEndDropsTheBlock) {
    struct {
        bool fromCursor; // else one byte
        int32_t cursor;
        bool dropped;
    } cases[] = {
        {false, 3, true},    {false, 4, true}, {false, 10, true}, {false, 11, false},
        {false, 100, false}, {true, 2, true},  {true, 10, true},  {true, 11, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.fromCursor ? "from cursor at " : "byte at ") << c.cursor);
        OpenBytes(Range(1, 100));
        Blockunmark1Click(TestDoc());
        MarkFromTo(4, 10);
        PutCursorOn(c.cursor);
        Host.ForgetRecords();
        c.fromCursor ? DeleteFromCursor(TestDoc()) : DeleteByteAtCursor(TestDoc());
        if (c.dropped) {
            EXPECT_BLOCK(0, 0);
            EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{"Block no longer valid"});
        } else {
            EXPECT_BLOCK(4, 10);
            EXPECT_TRUE(Host.Messages.empty());
        }
    }
}

TEST_F(EditingTest, CursorStaysUnlessTheEndOfTheFileIsDeleted) {
    PutCursorOn(30, 1);
    DeleteByteAtCursor(TestDoc());
    EXPECT_EQ(Bytes(), Cat({Range(1, 29), Range(31, 100)}));
    EXPECT_EQ(CurrentAddress(TestDoc()), 30);
    EXPECT_EQ(TestDoc().View.BottomAddress, 99);
    EXPECT_TRUE(TestDoc().Modified);

    PutCursorOn(99, 5);
    DeleteByteAtCursor(TestDoc());
    EXPECT_EQ(TestDoc().Store.FileSize(), 98);
    EXPECT_EQ(CurrentAddress(TestDoc()), 98);

    // Delete from cursor on the last byte takes just that byte; further in, the cursor goes to the new end.
    PutCursorOn(98, 2);
    DeleteFromCursor(TestDoc());
    EXPECT_EQ(Bytes(), Cat({Range(1, 29), Range(31, 98)}));
    EXPECT_EQ(CurrentAddress(TestDoc()), 97);
    PutCursorOn(40, 3);
    DeleteFromCursor(TestDoc());
    EXPECT_EQ(Bytes(), Cat({Range(1, 29), Range(31, 40)}));
    EXPECT_EQ(CurrentAddress(TestDoc()), 39);
    EXPECT_EQ(TestDoc().View.BottomAddress, 39);
}

// Replace undo survives a deletion only behind the last replaced byte.
TEST_F(EditingTest, DeletionsWithdrawReplaceUndoWhenTheyReachTheReplacement) {
    enum TOp { Byte, FromCursor, ToCursor, Block, Copy, Overwrite, Move };
    struct {
        TOp op;
        int32_t cursor;
        bool kept;
    } cases[] = {
        {Byte, 52, false},      {Byte, 53, true},        {Byte, 1, false},      {FromCursor, 52, false},
        {FromCursor, 53, true}, {FromCursor, 100, true}, {ToCursor, 60, false}, {Block, 95, false},
        {Copy, 95, false},      {Overwrite, 90, false},  {Move, 95, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.op << " at " << c.cursor);
        OpenBytes(Range(1, 100));
        Blockunmark1Click(TestDoc());
        MarkFromTo(80, 85);
        OfferReplaceUndo(50, 3); // bytes 50..52
        PutCursorOn(c.cursor);
        switch (c.op) {
        case Byte:
            DeleteByteAtCursor(TestDoc());
            break;
        case FromCursor:
            DeleteFromCursor(TestDoc());
            break;
        case ToCursor:
            DeleteToCursor(TestDoc());
            break;
        case Block:
            EXPECT_TRUE(DeleteBlock(TestDoc()));
            break;
        case Copy:
            Blockcopy1Click(TestDoc(), K::Copy);
            break;
        case Overwrite:
            Blockcopy1Click(TestDoc(), K::Overwrite);
            break;
        case Move:
            Blockcopy1Click(TestDoc(), K::Move);
            break;
        }
        EXPECT_TRUE(TestDoc().Modified);
        EXPECT_EQ(UndoOffered(), c.kept);
        EXPECT_EQ(Host.IsEnabled(TCommand::Replaceundo1), TestDoc().Search.ReplaceUndoEnabled);
    }
}

// --- Inserting at the cursor ---------------------------------------------------------------------------

TEST_F(EditingTest, InsertByteAtCursorLeavesTheCursorAndModifiedToTheCaller) {
    PutCursorOn(5);
    EXPECT_TRUE(InsertByteAtCursor(TestDoc(), 0xEE));
    EXPECT_EQ(Bytes(), Cat({Range(1, 4), {0xEE}, Range(5, 100)}));
    EXPECT_EQ(CurrentAddress(TestDoc()), 5);
    EXPECT_EQ(TestDoc().View.BottomAddress, 101); // the page reaches the end
    EXPECT_FALSE(TestDoc().Modified);

    OpenBytes(PatternBytes(300));
    PutCursorOn(20, 1);
    EXPECT_TRUE(InsertByteAtCursor(TestDoc(), 1));
    EXPECT_EQ(TestDoc().Store.FileSize(), 301);
    EXPECT_EQ(TestDoc().View.BottomAddress, 160); // a full page stays as it was
}

// --- Out of memory -----------------------------------------------------------------------------------------

// --- Against a reference model -----------------------------------------------------------------------------

// What the file, the block and the messages must be after each command, computed the plain way.
struct TModel {
    TBytes Bytes;
    int32_t Begin = 0, End = 0;
    bool Modified = false;
    bool UndoOffered = false;
    int32_t Cursor = 1;
    std::vector<std::string> Errors, Infos;

    int32_t Size() const { return static_cast<int32_t>(Bytes.size()); }
    bool Complete() const { return Begin != 0 && End != 0; }
    TBytes BlockBytes() const { return TBytes(Bytes.begin() + Begin - 1, Bytes.begin() + End); }
    void Insert(int32_t address, const TBytes& bytes) {
        Bytes.insert(Bytes.begin() + address - 1, bytes.begin(), bytes.end());
    }
    void Erase(int32_t from, int32_t to) { Bytes.erase(Bytes.begin() + from - 1, Bytes.begin() + to); }
    // Emptying the whole file: a change like any other.
    void Clear() {
        Modified = Modified || !Bytes.empty();
        Bytes.clear();
        Begin = End = 0;
        Cursor = 1;
    }
    void Unmark() { Begin = End = 0; }
    void DropIfReached(int32_t address) {
        if (Complete() && End >= address) {
            Infos.push_back(Texts::BlockNoLongerValid);
            Unmark();
        }
    }
    void UndoRule(int32_t pos, int32_t lastReplaced) {
        if (pos <= lastReplaced) UndoOffered = false;
    }
};

TEST_F(EditingTest, RandomEditsMatchAReferenceModel) {
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        TTestRandom random(seed);
        auto rnd = [&random](int32_t lo, int32_t hi) { return random.Pick(lo, hi); };
        auto randomBytes = [&random](int32_t n) { return random.Bytes(n); };
        TModel m;
        auto reopen = [&] {
            m = TModel();
            m.Bytes = randomBytes(rnd(1, 250));
            OpenBytes(m.Bytes);
            UnmarkBlock(TestDoc());
        };
        reopen();
        for (int step = 0; step < 2000 && !HasFatalFailure(); ++step) {
            if (m.Size() == 0 || m.Size() > 700) reopen();
            const int32_t size = m.Size();
            const int op = rnd(0, 13);
            // The block commands mostly get a complete block to work on.
            if (op >= 3 && op <= 6 && !m.Complete() && rnd(0, 3) != 0) {
                UnmarkBlock(TestDoc());
                const int32_t a = rnd(1, size), b = rnd(std::max(1, a - 30), std::min(size, a + 30));
                MarkFromTo(a, b);
                m.Begin = std::min(a, b);
                m.End = std::max(a, b);
            }
            TestDoc().Modified = m.Modified = false;
            TestDoc().Search.LastReplaceAddress = rnd(1, size);
            TestApp().SearchRequest.Replacement = randomBytes(rnd(1, 4));
            const int32_t lastReplaced =
                TestDoc().Search.LastReplaceAddress + static_cast<int32_t>(TestApp().SearchRequest.Replacement.size()) - 1;
            m.UndoOffered = rnd(0, 1) == 1;
            EnableReplaceUndo(TestDoc(), m.UndoOffered);
            // Often near the block ends, where the refusals are.
            int32_t pos = rnd(1, size);
            if (m.Complete() && rnd(0, 2) == 0)
                pos = std::clamp(
                    m.Begin + std::vector<int32_t>{-1, 0, 1, m.End - m.Begin, m.End - m.Begin + 1}[rnd(0, 4)],
                    1, size);
            PutCursorOn(pos, rnd(0, TestDoc().View.Rows - 1));
            Host.ForgetRecords();
            m.Cursor = pos;
            m.Errors.clear();
            m.Infos.clear();
            bool viewKept = true; // the command keeps BottomAddress in step with the size
            SCOPED_TRACE(testing::Message() << "step " << step << " op " << op << " cursor " << pos
                                            << " block " << m.Begin << ".." << m.End << " size " << size);
            switch (op) {
            case 0:
            case 1:
            case 2: { // Block mark
                Blockmark1Click(TestDoc());
                if (m.Begin == 0 && m.End == 0)
                    m.Begin = pos;
                else if (m.Complete())
                    m.Begin = pos, m.End = 0;
                else
                    m.End = pos;
                if (m.End != 0 && m.Begin > m.End) std::swap(m.Begin, m.End);
                break;
            }
            case 3:
            case 4:
            case 5: { // Block copy, copy/overwrite, move
                const K kind = static_cast<K>(op - 3);
                Blockcopy1Click(TestDoc(), kind);
                const int32_t length = m.End - m.Begin + 1;
                if (!m.Complete())
                    m.Errors.push_back(Texts::NoBlockMarked);
                else if (m.Begin < pos && pos <= m.End)
                    m.Errors.push_back(Texts::CantCopyWithinBlock);
                else if (kind != K::Copy && pos == m.Begin)
                    m.Infos.push_back(Texts::BlockRemains);
                else if (kind == K::Move && pos == m.End + 1)
                    m.Infos.push_back(Texts::BlockRemains);
                else if (kind == K::Overwrite && pos + length - 1 > size)
                    m.Errors.push_back(Texts::CantOverwriteBeyondEnd);
                else {
                    const TBytes block = m.BlockBytes();
                    if (kind == K::Copy) {
                        m.Insert(pos, block);
                        m.Begin = pos;
                    } else if (kind == K::Overwrite) {
                        std::copy(block.begin(), block.end(), m.Bytes.begin() + pos - 1);
                        m.Begin = pos;
                    } else {
                        m.Erase(m.Begin, m.End);
                        m.Begin = pos < m.Begin ? pos : pos - length;
                        m.Insert(m.Begin, block);
                    }
                    m.End = m.Begin + length - 1;
                    m.Modified = true;
                    m.UndoOffered = false;
                }
                break;
            }
            case 6: { // Block delete
                const bool deleted = DeleteBlock(TestDoc());
                bool expectDeleted = false;
                if (m.Begin == 1 && m.End == size)
                    m.Clear();
                else if (!m.Complete())
                    m.Errors.push_back(Texts::NoBlockMarked);
                else {
                    expectDeleted = true;
                    m.Erase(m.Begin, m.End);
                    m.Cursor = std::min(m.Begin, m.Size());
                    m.Unmark();
                    m.Modified = true;
                    m.UndoOffered = false;
                }
                EXPECT_EQ(deleted, expectDeleted);
                break;
            }
            case 7: { // Delete from cursor
                DeleteFromCursor(TestDoc());
                if (pos == 1) {
                    m.Clear();
                    break;
                }
                m.UndoRule(pos, lastReplaced);
                m.Erase(pos, size);
                m.Modified = true;
                m.Cursor = pos - 1;
                m.DropIfReached(pos);
                break;
            }
            case 8: { // Delete to cursor
                DeleteToCursor(TestDoc());
                if (pos == size) {
                    m.Clear();
                    break;
                }
                m.Erase(1, pos);
                m.Modified = true;
                m.UndoOffered = false;
                m.Cursor = 1;
                if (m.Complete()) {
                    m.Infos.push_back(Texts::BlockNoLongerValid);
                    m.Unmark();
                }
                break;
            }
            case 9: { // Delete the byte at the cursor
                DeleteByteAtCursor(TestDoc());
                if (size == 1) {
                    m.Clear();
                    break;
                }
                m.UndoRule(pos, lastReplaced);
                m.Erase(pos, pos);
                m.Modified = true;
                m.Cursor = std::min(pos, m.Size());
                m.DropIfReached(pos);
                break;
            }
            case 10: { // Insert a byte at the cursor
                const auto value = static_cast<uint8_t>(rnd(0, 255));
                EXPECT_TRUE(InsertByteAtCursor(TestDoc(), value));
                m.Insert(pos, {value});
                break;
            }
            case 11: { // Insert bytes anywhere, appending included
                const int32_t address = rnd(1, size + 1);
                const TBytes bytes = randomBytes(rnd(0, 40));
                EXPECT_TRUE(InsertBytesAt(TestDoc(), address, bytes));
                m.Insert(address, bytes);
                viewKept = false; // the caller redraws
                break;
            }
            default: { // Overwrite bytes, sometimes past the end
                const int32_t address = rnd(1, size + 1);
                const TBytes bytes = randomBytes(rnd(0, 20));
                const bool fits = address + static_cast<int32_t>(bytes.size()) - 1 <= size;
                EXPECT_EQ(OverwriteBytesAt(TestDoc(), address, bytes), fits);
                if (fits)
                    std::copy(bytes.begin(), bytes.end(), m.Bytes.begin() + address - 1);
                else
                    m.Errors.push_back(Texts::CantOverwriteBeyondEnd);
                break;
            }
            }
            // Deletions forget a half-marked block that now reaches past the end.
            if (op >= 7 && op <= 9 && (m.Begin > m.Size() || m.End > m.Size())) m.Unmark();

            ASSERT_EQ(Bytes(), m.Bytes);
            ASSERT_EQ(TestDoc().Block.BlockBegin, m.Begin);
            ASSERT_EQ(TestDoc().Block.BlockEnd, m.End);
            EXPECT_EQ(TestDoc().Modified, m.Modified);
            EXPECT_EQ(Host.ErrorTexts(), m.Errors);
            EXPECT_EQ(Host.InfoTexts(), m.Infos);
            EXPECT_EQ(Host.QuestionTexts(), std::vector<std::string>{});
            EXPECT_EQ(TestDoc().Search.ReplaceUndoEnabled, m.UndoOffered);
            EXPECT_EQ(Host.IsEnabled(TCommand::Replaceundo1), m.UndoOffered);
            EXPECT_EQ(CurrentAddress(TestDoc()), m.Cursor);
            EXPECT_EQ(Host.IsEnabled(TCommand::Blockdelete1), m.Complete());
            EXPECT_EQ(Host.IsEnabled(TCommand::Blockunmark1), m.Begin != 0 || m.End != 0);
            EXPECT_EQ(Host.BusyDepth, 0);
            EXPECT_EQ((TestDoc().View.TopAddress - 1) % TestDoc().View.Cols, 0);
            if (viewKept) {
                EXPECT_EQ(TestDoc().View.BottomAddress,
                          std::min(TestDoc().View.TopAddress + TestDoc().View.PageBytes - 1, TestDoc().Store.FileSize()));
            }
            if (TestDoc().Store.FileSize() > 0) {
                EXPECT_GE(CurrentAddress(TestDoc()), TestDoc().View.TopAddress);
                EXPECT_LE(CurrentAddress(TestDoc()), std::max(TestDoc().View.BottomAddress, TestDoc().View.TopAddress));
            }
        }
    }
}

} // namespace

// A half-marked block that a deletion leaves past the end would later copy or delete bytes that are no
// longer in the file: it goes, without a message.
TEST_F(EditingTest, HalfMarkedBlockPastTheNewEndIsForgotten) {
    PutCursorOn(50);
    Blockmark1Click(TestDoc());
    PutCursorOn(10);
    Host.ForgetRecords();
    DeleteFromCursor(TestDoc());
    EXPECT_EQ(TestDoc().Store.FileSize(), 9);
    EXPECT_BLOCK(0, 0);
    EXPECT_TRUE(Host.InfoTexts().empty());

    // One that still lies inside the file stays.
    OpenBytes(Range(1, 100));
    PutCursorOn(5);
    Blockmark1Click(TestDoc());
    PutCursorOn(10);
    DeleteFromCursor(TestDoc());
    EXPECT_BLOCK(5, 0);
}
