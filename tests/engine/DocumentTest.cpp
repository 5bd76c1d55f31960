// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"
#include "common/TestDocument.h"

#include "common/EngineSetup.h"
#include "engine/document/Blocks.h"
#include "engine/document/Document.h"
#include "engine/document/EngineState.h"
#include "engine/editing/PaneEditing.h"
#include "engine/editing/Undo.h"
#include "engine/files/FileCommands.h"
#include "engine/search/Search.h"
#include "engine/search/SearchRequest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

using namespace Engine;

namespace {

class DocumentTest : public TEngineTest {
  protected:
    // Work goes to this document until the next Use.
    void Use(TDocument& document) {
        UseTestDocument(&document);
        document.Display = &Host;
        Host.ForgetRecords();
    }
    void Find(const std::vector<uint8_t>& pattern) {
        TestApp().SearchRequest.Pattern = pattern;
        Findagaindown1Click(TestDoc());
    }

    // Bytes 0, 1, 2, ... shifted by seed, with a marker no other place holds at index at.
    static std::vector<uint8_t> Marked(size_t n, uint8_t seed, size_t at) {
        std::vector<uint8_t> bytes = PatternBytes(n, seed);
        std::copy(Marker.begin(), Marker.end(), bytes.begin() + static_cast<ptrdiff_t>(at));
        return bytes;
    }
    static constexpr std::array<uint8_t, 4> Marker{0xDE, 0xAD, 0xBE, 0xEF};

    TTempDir Dir;
    // Two documents of one application: they share its modes and options, nothing else.
    TDocument A{App}, B{App};
};

// Two files open at once: each is edited, searched, marked, undone and saved in turn, and neither sees
// anything of what happened to the other.
TEST_F(DocumentTest, TwoDocumentsNeverSeeEachOthersChanges) {
    const std::vector<uint8_t> alpha = Marked(600, 1, 400), bravo = Marked(900, 77, 700);
    const std::string alphaPath = Dir.Write("alpha.bin", alpha), bravoPath = Dir.Write("bravo.bin", bravo);
    TDocument &a = A, &b = B;
    for (auto [document, path] : {std::pair{&a, alphaPath}, std::pair{&b, bravoPath}}) {
        Use(*document);
        ASSERT_TRUE(OpenFile(TestDoc(), path, false));
        TestDoc().View.Cols = 16;
        TestDoc().View.Rows = 10;
        TestDoc().View.PageBytes = 160;
    }

    // a: a byte overwritten at 201, a search from there, a block.
    Use(a);
    PutCursorOn(201, 3);
    TypeByte(TestDoc(), 0xEE);
    Find({Marker.begin(), Marker.end()});
    MarkFromTo(10, 20);
    // b: two bytes inserted at the front, another search and block, then saved.
    Use(b);
    TestApp().OverwriteMode = false;
    PutCursorOn(1);
    TypeByte(TestDoc(), 0x11);
    TypeByte(TestDoc(), 0x22);
    TestApp().OverwriteMode = true;
    Find({Marker.begin(), Marker.end()});
    MarkFromTo(500, 800);
    ASSERT_TRUE(Save1Click(TestDoc()));
    // a: its byte undone.
    Use(a);
    Undo1Click(TestDoc());

    std::vector<uint8_t> bravoNow = bravo;
    bravoNow.insert(bravoNow.begin(), {0x11, 0x22});
    Use(a);
    EXPECT_EQ(Bytes(), alpha);
    EXPECT_FALSE(TestDoc().Modified);
    EXPECT_TRUE(TestDoc().Undo.Journal.CanRedo());
    EXPECT_EQ(TestDoc().Search.LastFoundAddress, 401);
    EXPECT_EQ(TestDoc().Block.BlockBegin, 10);
    EXPECT_EQ(TestDoc().Block.BlockEnd, 20);
    EXPECT_EQ(TestDoc().File.FileName, alphaPath);
    EXPECT_EQ(TTempDir::Read(alphaPath), alpha);
    Use(b);
    EXPECT_EQ(Bytes(), bravoNow);
    EXPECT_FALSE(TestDoc().Modified);
    EXPECT_TRUE(TestDoc().Undo.Journal.CanUndo());
    EXPECT_FALSE(TestDoc().Undo.Journal.CanRedo());
    EXPECT_EQ(TestDoc().Search.LastFoundAddress, 703);
    EXPECT_EQ(TestDoc().Block.BlockBegin, 500);
    EXPECT_EQ(TestDoc().Block.BlockEnd, 800);
    EXPECT_EQ(TestDoc().File.FileName, bravoPath);
    EXPECT_EQ(TTempDir::Read(bravoPath), bravoNow);
    // Undo in b takes back b's own insertion, not a's overwrite.
    Undo1Click(TestDoc());
    EXPECT_EQ(Bytes(), bravo);
    Use(a);
    EXPECT_EQ(Bytes(), alpha);
}

} // namespace
