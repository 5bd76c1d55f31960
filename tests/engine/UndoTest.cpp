// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeClipboard.h"
#include "FakeHost.h"

#include "common/TestRandom.h"
#include "engine/store/ByteStore.h"
#include "engine/document/Blocks.h"
#include "engine/editing/Clipboard.h"
#include "engine/editing/Editing.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileCommands.h"
#include "engine/files/FileIo.h"
#include "engine/editing/Integers.h"
#include "engine/editing/PaneEditing.h"
#include "engine/search/Replace.h"
#include "engine/search/SearchRequest.h"
#include "engine/text/StringTable.h"
#include "engine/editing/Undo.h"
#include "engine/document/View.h"

#include <gtest/gtest.h>


using namespace Engine;

namespace {

using TBytes = std::vector<uint8_t>;

// What the user saw and had around one step: the reference that undo and redo must bring back.
struct TModelStep {
    TBytes After;
    TView Before;
    TView After_;
};

class UndoTest : public TEngineTest {
  protected:
    TView View() const { return {Doc().View.TopAddress, CurrentAddress()}; }
    void ExpectView(TView view) {
        // Overwrite mode has no cell after the last byte: a view kept in insert mode comes back on the last byte.
        if (view.Cursor > CursorEnd()) {
            EXPECT_EQ(CurrentAddress(), CursorEnd());
            return;
        }
        EXPECT_EQ(Doc().View.TopAddress, view.Top);
        EXPECT_EQ(CurrentAddress(), view.Cursor);
    }
    TFakeClipboard Clip;
    TTempDir Dir;
};

const TBytes PatchSequence = {0xF7, 0xD0, 0xF7, 0xD2, 0xB9, 0x37};

// Random commands of every kind that changes bytes, with undo and redo in between, against the bytes and
// views each step left. Every change must be a step, every step must come back exactly.
TEST_F(UndoTest, RandomCommandsUndoAndRedoToEveryStateOnTheWay) {
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        TTestRandom random(seed);
        auto rnd = [&](int lo, int hi) { return random.Pick(lo, hi); };
        auto randomBytes = [&](int n) {
            TBytes bytes(static_cast<size_t>(n));
            for (uint8_t& b : bytes)
                b = static_cast<uint8_t>(rnd(0, 7) == 0 ? 'a' + rnd(0, 2) : rnd(0, 255));
            return bytes;
        };
        OpenBytes(randomBytes(200));
        const std::string insertPath = Dir.Write("insert.bin", randomBytes(37));
        const std::string savePath = Dir.PathOf("saved.bin");
        std::vector<TModelStep> steps{{Bytes(), {}, {}}};
        int64_t index = 0, savedIndex = 0;
        TBytes saved = Bytes();

        auto checkModified = [&] {
            EXPECT_EQ(Doc().Modified, index != savedIndex);
            EXPECT_EQ(Host.ModifiedMark, Doc().Modified); // the caption's mark
            if (!Doc().Modified) {
                EXPECT_EQ(Bytes(), saved);
            }
        };
        auto undo = [&] {
            if (index == 0) return;
            Undo1Click();
            --index;
            EXPECT_EQ(Bytes(), steps[size_t(index)].After);
            ExpectView(steps[size_t(index) + 1].Before);
            checkModified();
        };
        auto redo = [&] {
            if (index + 1 >= int64_t(steps.size())) return;
            Redo1Click();
            ++index;
            EXPECT_EQ(Bytes(), steps[size_t(index)].After);
            ExpectView(steps[size_t(index)].After_);
            checkModified();
        };

        for (int n = 0; n < 400; ++n) {
            SCOPED_TRACE(testing::Message() << "step " << n << " size " << Doc().Store.FileSize());
            EXPECT_EQ(Host.ModifiedMark, Doc().Modified);
            const int32_t size = Doc().Store.FileSize();
            const int op = rnd(0, 21);
            if (size > 2 && op >= 4 && op <= 8 && !BlockComplete()) {
                const int32_t a = rnd(1, size), b = rnd(1, size);
                MarkFromTo(std::min(a, b), std::max(a, b));
            }
            const bool typing = op <= 1;
            // The window seals the step at every command, key and click, but neither typing straight on nor
            // a save made outside a command (the save question of a recent-files click or a drop) does.
            if (!(typing || op == 21) || rnd(0, 1) == 0) {
                if (size > 0) PutCursorOn(rnd(1, size + (OverwriteMode ? 0 : 1)), rnd(0, 9));
                SealUndoStep();
            }
            const TView before = View();
            const int64_t appliedBefore = Doc().Undo.Journal.Applied;
            SearchRequest.CaseSensitive = rnd(0, 1) == 0;
            SearchRequest.JokerEnabled = rnd(0, 1) == 0;
            switch (op) {
            case 0: // a run of typing in either pane and mode
            case 1: {
                TextMode = rnd(0, 1) == 0;
                OverwriteMode = rnd(0, 1) == 0;
                for (int i = rnd(1, 6); i > 0; --i) {
                    const int value = rnd(32, 255);
                    if (TextMode) {
                        PaneKeyPress(uint8_t(value));
                    } else {
                        PaneKeyPress(uint8_t("0123456789abcdef"[value >> 4]));
                        PaneKeyPress(uint8_t("0123456789abcdef"[value & 15]));
                    }
                }
                break;
            }
            case 2:
            case 3: {
                int key = op == 2 ? PaneKey::Delete : PaneKey::Backspace;
                PaneKeyDown(key, 0);
                break;
            }
            case 4:
                Blockcopy1Click(TBlockCopyKind::Copy);
                break;
            case 5:
                Blockcopy1Click(TBlockCopyKind::Overwrite);
                break;
            case 6:
                Blockcopy1Click(TBlockCopyKind::Move);
                break;
            case 7:
                Blockdelete1Click();
                break;
            case 8:
                Cut1Click(Clip, true);
                break;
            case 9:
                InsertRepeated(rnd(0, 5) == 0 ? PatchSequence : randomBytes(rnd(1, 4)), rnd(1, 3));
                break;
            case 10:
                Host.FileChoices = {insertPath};
                Insertfile1Click();
                break;
            case 11:
            case 12:
            case 13:
                if (size == 0) break;
                SearchRequest.Pattern = {Doc().Store.ReadByte(rnd(1, size))};
                if (rnd(0, 1) == 0) SearchRequest.Pattern.push_back('a' + rnd(0, 2));
                SearchRequest.Replacement = randomBytes(rnd(0, 3));
                if (op == 11)
                    ReplaceStepCommand(TReplaceSender::Command, CurrentAddress(), true);
                else
                    ReplaceAllCommand();
                break;
            case 14:
                if (Doc().Search.ReplaceUndoEnabled) Replaceundo1Click();
                break;
            case 15:
                Patch1Click();
                break;
            case 16: {
                const TBytes encoded = randomBytes(1 << rnd(0, 2));
                WriteEncoded(encoded, rnd(0, 1) == 0);
                break;
            }
            case 17:
                Clip.Clear();
                Clip.OctetStream = randomBytes(rnd(0, 9));
                Paste1Click(Clip);
                break;
            case 18:
                if (rnd(0, 3) == 0) rnd(0, 1) == 0 ? DeleteFromCursor() : DeleteToCursor();
                break;
            case 19:
                for (int i = rnd(1, 4); i > 0; --i)
                    undo();
                continue;
            case 20:
                for (int i = rnd(1, 4); i > 0; --i)
                    redo();
                continue;
            case 21: // a save by each of its paths
                Doc().File.FileName = savePath;
                Doc().File.Untitled = false;
                if (rnd(0, 2) == 0) {
                    ASSERT_TRUE(Save1Click());
                } else if (Doc().Modified && rnd(0, 1) == 0) {
                    Host.YesNoCancelAnswers.push_back(mrYes);
                    ASSERT_FALSE(OpenFile(Dir.PathOf("missing.bin"), true));
                } else {
                    ASSERT_TRUE(SaveFile(savePath, false, 1, Doc().Store.Capacity()));
                }
                savedIndex = index;
                saved = Bytes();
                continue;
            }
            if (Doc().Undo.Journal.Applied == appliedBefore && typing &&
                Bytes() != steps[size_t(index)].After) {
                // Typing went on in the step it had started; a save must have ended that step.
                EXPECT_NE(index, savedIndex);
                if (savedIndex == index) savedIndex = -1;
                steps[size_t(index)].After = Bytes();
                steps[size_t(index)].After_ = View();
                continue;
            }
            if (Doc().Undo.Journal.Applied == appliedBefore) {
                // Nothing recorded: nothing may have changed.
                EXPECT_EQ(Bytes(), steps[size_t(index)].After);
                continue;
            }
            ASSERT_EQ(Doc().Undo.Journal.Applied, appliedBefore + 1);
            // What the journal counts it holds is what its steps hold, packed or not.
            const int64_t counted = Doc().Undo.Journal.Bytes;
            Doc().Undo.Journal.Recount();
            EXPECT_EQ(Doc().Undo.Journal.Bytes, counted);
            steps.resize(size_t(index) + 1);
            if (savedIndex > index) savedIndex = -1;
            steps.push_back({Bytes(), before, View()});
            ++index;
        }
        // All the way back and forth again.
        while (index > 0)
            undo();
        EXPECT_EQ(Bytes(), steps.front().After);
        while (index + 1 < int64_t(steps.size()))
            redo();
        EXPECT_EQ(Bytes(), steps.back().After);
        EXPECT_GT(steps.size(), 150u);
        Host.Messages.clear();
    }
}

// One step per user command: a run of typing until the cursor moves otherwise; the hint names it.
TEST_F(UndoTest, TypingRunIsOneStepUntilTheUserMovesOn) {
    OpenBytes(TBytes(100, 0x20));
    PutCursorOn(10);
    TextMode = true;
    OverwriteMode = false;
    for (char c : std::string("hello"))
        PaneKeyPress(uint8_t(c));
    EXPECT_EQ(Doc().Undo.Journal.Steps.size(), 1u);
    EXPECT_EQ(Host.Hints[TCommand::Undo1], "Undo typing");
    EXPECT_TRUE(Host.IsEnabled(TCommand::Undo1));
    EXPECT_FALSE(Host.IsEnabled(TCommand::Redo1));
    int left = PaneKey::Left;
    PaneKeyDown(left, 0); // a move of the user's own ends the run
    PaneKeyPress('!');
    EXPECT_EQ(Doc().Undo.Journal.Steps.size(), 2u);
    Undo1Click();
    Undo1Click();
    EXPECT_EQ(Bytes(), TBytes(100, 0x20));
    EXPECT_FALSE(Doc().Modified);
    EXPECT_EQ(CurrentAddress(), 10);
    EXPECT_EQ(Host.Hints[TCommand::Redo1], "Redo typing");
    EXPECT_FALSE(Host.IsEnabled(TCommand::Undo1));
    Redo1Click();
    EXPECT_TRUE(Doc().Modified);
    EXPECT_EQ(CurrentAddress(), 15);
    // A new step drops what could be redone.
    PaneKeyDown(left, 0);
    PaneKeyPress('x');
    EXPECT_FALSE(Doc().Undo.Journal.CanRedo());
}

// The budget drops the oldest steps; a step larger than all of it asks first, No keeps everything.
TEST_F(UndoTest, BudgetDropsTheOldestAndAsksForAStepLargerThanItAll) {
    OpenBytes(PatternBytes(5000));
    SetUndoBudget(2000);
    for (int i = 0; i < 10; ++i) {
        MarkFromTo(1, 300);
        Blockdelete1Click();
        SealUndoStep();
    }
    EXPECT_LE(Doc().Undo.Journal.Bytes, 2000);
    EXPECT_GE(Doc().Undo.Journal.Steps.size(), 5u);
    EXPECT_LT(Doc().Undo.Journal.Steps.size(), 10u);
    while (Doc().Undo.Journal.CanUndo())
        Undo1Click();
    EXPECT_EQ(Doc().Store.FileSize(), 2000 + 300 * int32_t(Doc().Undo.Journal.Steps.size()));
    EXPECT_TRUE(Doc().Modified); // the saved state was dropped with the oldest steps
    while (Doc().Undo.Journal.CanRedo())
        Redo1Click();

    SetUndoBudget(1000);
    EXPECT_TRUE(Doc().Undo.Journal.CanUndo());
    const TBytes before = Bytes();
    MarkFromTo(1, 1500);
    Host.YesNoAnswers = {mrNo};
    Blockdelete1Click();
    EXPECT_EQ(Host.QuestionTexts(), std::vector<std::string>{Texts::CannotBeUndone});
    EXPECT_EQ(Bytes(), before);
    EXPECT_TRUE(Doc().Undo.Journal.CanUndo());
    Host.YesNoAnswers = {mrYes};
    Blockdelete1Click();
    EXPECT_EQ(Doc().Store.FileSize(), int32_t(before.size()) - 1500);
    EXPECT_FALSE(Doc().Undo.Journal.CanUndo());
    EXPECT_FALSE(Host.IsEnabled(TCommand::Undo1));

    // Replace all counts its hits first where they could pass the budget, and asks the same.
    OpenBytes(TBytes(3000, 'a'));
    SearchRequest.Pattern = {'a'};
    SearchRequest.Replacement = {'b'};
    Host.YesNoAnswers = {mrNo};
    ReplaceAllCommand();
    EXPECT_EQ(Host.QuestionTexts().size(), 3u);
    EXPECT_EQ(Bytes(), TBytes(3000, 'a'));
}

// A cancelled Replace all is one step for what it replaced; undo of a growing one restores every byte.
TEST_F(UndoTest, CancelledReplaceAllIsOneStepForWhatItChanged) {
    TBytes bytes(4 << 20, 'x');
    for (size_t i = 0; i < bytes.size(); i += 64)
        bytes[i] = 'a';
    // A growing pass can only be cancelled while it counts, before anything changed: it runs to the end.
    for (int growth : {0, -1, 3}) {
        SCOPED_TRACE(growth);
        OpenBytes(bytes);
        SearchRequest.Pattern = {'a', 'x'};
        SearchRequest.Replacement = TBytes(size_t(2 + growth), 'R');
        Host.CancelAfterProgressCalls = growth > 0 ? -1 : 3;
        ReplaceAllCommand();
        Host.CancelAfterProgressCalls = -1;
        const TBytes partly = Bytes();
        ASSERT_NE(partly, bytes);
        if (growth <= 0) {
            EXPECT_NE(partly[partly.size() - 64], 'R'); // the last hit, where a shrinking pass left it
        }
        EXPECT_EQ(Doc().Undo.Journal.Steps.size(), 1u);
        Undo1Click();
        EXPECT_EQ(Bytes(), bytes);
        EXPECT_FALSE(Doc().Modified);
        Redo1Click();
        EXPECT_EQ(Bytes(), partly);
    }
}

// A typed byte costs the journal at most 96 bytes a step besides the byte itself (its change and both
// views hold 64-bit addresses).
TEST_F(UndoTest, TypedBytesCostLittle) {
    OpenBytes(PatternBytes(20000));
    OverwriteMode = true;
    TextMode = true;
    for (int32_t i = 0; i < 1000; ++i) {
        PutCursorOn(1 + 7 * i);
        SealUndoStep();
        PaneKeyPress('z');
    }
    EXPECT_EQ(Doc().Undo.Journal.Steps.size(), 1000u);
    EXPECT_LE(Doc().Undo.Journal.Bytes, 1000 * 96 + 1000);
}

} // namespace
