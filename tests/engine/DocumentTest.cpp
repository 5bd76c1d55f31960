// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"

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
        SetActiveDocument(&document);
        Host.ForgetRecords();
    }
    void Find(const std::vector<uint8_t>& pattern) {
        SearchRequest.Pattern = pattern;
        Findagaindown1Click();
    }

    // Bytes 0, 1, 2, ... shifted by seed, with a marker no other place holds at index at.
    static std::vector<uint8_t> Marked(size_t n, uint8_t seed, size_t at) {
        std::vector<uint8_t> bytes = PatternBytes(n, seed);
        std::copy(Marker.begin(), Marker.end(), bytes.begin() + static_cast<ptrdiff_t>(at));
        return bytes;
    }
    static constexpr std::array<uint8_t, 4> Marker{0xDE, 0xAD, 0xBE, 0xEF};

    TTempDir Dir;
    TDocument A, B;
};

// Two files open at once: each is edited, searched, marked, undone and saved in turn, and neither sees
// anything of what happened to the other.
TEST_F(DocumentTest, TwoDocumentsNeverSeeEachOthersChanges) {
    const std::vector<uint8_t> alpha = Marked(600, 1, 400), bravo = Marked(900, 77, 700);
    const std::string alphaPath = Dir.Write("alpha.bin", alpha), bravoPath = Dir.Write("bravo.bin", bravo);
    TDocument &a = A, &b = B;
    for (auto [document, path] : {std::pair{&a, alphaPath}, std::pair{&b, bravoPath}}) {
        Use(*document);
        ASSERT_TRUE(Doc().Store.AllocateBuffer());
        ASSERT_TRUE(OpenFile(path, false));
        Doc().View.Cols = 16;
        Doc().View.Rows = 10;
        Doc().View.PageBytes = 160;
    }

    // a: a byte overwritten at 201, a search from there, a block.
    Use(a);
    PutCursorOn(201, 3);
    TypeByte(0xEE);
    Find({Marker.begin(), Marker.end()});
    MarkFromTo(10, 20);
    // b: two bytes inserted at the front, another search and block, then saved.
    Use(b);
    OverwriteMode = false;
    PutCursorOn(1);
    TypeByte(0x11);
    TypeByte(0x22);
    OverwriteMode = true;
    Find({Marker.begin(), Marker.end()});
    MarkFromTo(500, 800);
    ASSERT_TRUE(Save1Click());
    // a: its byte undone.
    Use(a);
    Undo1Click();

    std::vector<uint8_t> bravoNow = bravo;
    bravoNow.insert(bravoNow.begin(), {0x11, 0x22});
    Use(a);
    EXPECT_EQ(Bytes(), alpha);
    EXPECT_FALSE(Doc().Modified);
    EXPECT_TRUE(Doc().Undo.Journal.CanRedo());
    EXPECT_EQ(Doc().Search.LastFoundAddress, 401);
    EXPECT_EQ(Doc().Block.BlockBegin, 10);
    EXPECT_EQ(Doc().Block.BlockEnd, 20);
    EXPECT_EQ(Doc().File.FileName, alphaPath);
    EXPECT_EQ(TTempDir::Read(alphaPath), alpha);
    Use(b);
    EXPECT_EQ(Bytes(), bravoNow);
    EXPECT_FALSE(Doc().Modified);
    EXPECT_TRUE(Doc().Undo.Journal.CanUndo());
    EXPECT_FALSE(Doc().Undo.Journal.CanRedo());
    EXPECT_EQ(Doc().Search.LastFoundAddress, 703);
    EXPECT_EQ(Doc().Block.BlockBegin, 500);
    EXPECT_EQ(Doc().Block.BlockEnd, 800);
    EXPECT_EQ(Doc().File.FileName, bravoPath);
    EXPECT_EQ(TTempDir::Read(bravoPath), bravoNow);
    // Undo in b takes back b's own insertion, not a's overwrite.
    Undo1Click();
    EXPECT_EQ(Bytes(), bravo);
    Use(a);
    EXPECT_EQ(Bytes(), alpha);
}

} // namespace
