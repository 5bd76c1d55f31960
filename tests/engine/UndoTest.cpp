// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeClipboard.h"
#include "common/TestDocument.h"
#include "FakeHost.h"

#include "common/TestRandom.h"
#include "engine/store/PieceStore.h"
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
    TView View() const { return {TestDoc().View.TopAddress, CurrentAddress(TestDoc())}; }
    void ExpectView(TView view) {
        // Overwrite mode has no cell after the last byte: a view kept in insert mode comes back on the last byte.
        if (view.Cursor > CursorEnd(TestDoc())) {
            EXPECT_EQ(CurrentAddress(TestDoc()), CursorEnd(TestDoc()));
            return;
        }
        EXPECT_EQ(TestDoc().View.TopAddress, view.Top);
        EXPECT_EQ(CurrentAddress(TestDoc()), view.Cursor);
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
            EXPECT_EQ(TestDoc().Modified, index != savedIndex);
            EXPECT_EQ(Host.ModifiedMark, TestDoc().Modified); // the caption's mark
            if (!TestDoc().Modified) {
                EXPECT_EQ(Bytes(), saved);
            }
        };
        auto undo = [&] {
            if (index == 0) return;
            Undo1Click(TestDoc());
            --index;
            EXPECT_EQ(Bytes(), steps[size_t(index)].After);
            ExpectView(steps[size_t(index) + 1].Before);
            checkModified();
        };
        auto redo = [&] {
            if (index + 1 >= int64_t(steps.size())) return;
            Redo1Click(TestDoc());
            ++index;
            EXPECT_EQ(Bytes(), steps[size_t(index)].After);
            ExpectView(steps[size_t(index)].After_);
            checkModified();
        };

        for (int n = 0; n < 400; ++n) {
            SCOPED_TRACE(testing::Message() << "step " << n << " size " << TestDoc().Store.FileSize());
            EXPECT_EQ(Host.ModifiedMark, TestDoc().Modified);
            const int32_t size = TestDoc().Store.FileSize();
            const int op = rnd(0, 21);
            if (size > 2 && op >= 4 && op <= 8 && !BlockComplete(TestDoc())) {
                const int32_t a = rnd(1, size), b = rnd(1, size);
                MarkFromTo(std::min(a, b), std::max(a, b));
            }
            const bool typing = op <= 1;
            // The window seals the step at every command, key and click, but neither typing straight on nor
            // a save made outside a command (the save question of a recent-files click or a drop) does.
            if (!(typing || op == 21) || rnd(0, 1) == 0) {
                if (size > 0) PutCursorOn(rnd(1, size + (TestApp().OverwriteMode ? 0 : 1)), rnd(0, 9));
                SealUndoStep(TestDoc());
            }
            const TView before = View();
            const int64_t appliedBefore = TestDoc().Undo.Journal.Applied;
            TestApp().SearchRequest.CaseSensitive = rnd(0, 1) == 0;
            TestApp().SearchRequest.JokerEnabled = rnd(0, 1) == 0;
            switch (op) {
            case 0: // a run of typing in either pane and mode
            case 1: {
                TestApp().TextMode = rnd(0, 1) == 0;
                TestApp().OverwriteMode = rnd(0, 1) == 0;
                for (int i = rnd(1, 6); i > 0; --i) {
                    const int value = rnd(32, 255);
                    if (TestApp().TextMode) {
                        PaneKeyPress(TestDoc(), uint8_t(value));
                    } else {
                        PaneKeyPress(TestDoc(), uint8_t("0123456789abcdef"[value >> 4]));
                        PaneKeyPress(TestDoc(), uint8_t("0123456789abcdef"[value & 15]));
                    }
                }
                break;
            }
            case 2:
            case 3: {
                int key = op == 2 ? PaneKey::Delete : PaneKey::Backspace;
                PaneKeyDown(TestDoc(), key, 0);
                break;
            }
            case 4:
                Blockcopy1Click(TestDoc(), TBlockCopyKind::Copy);
                break;
            case 5:
                Blockcopy1Click(TestDoc(), TBlockCopyKind::Overwrite);
                break;
            case 6:
                Blockcopy1Click(TestDoc(), TBlockCopyKind::Move);
                break;
            case 7:
                Blockdelete1Click(TestDoc());
                break;
            case 8:
                Cut1Click(TestDoc(), Clip, true);
                break;
            case 9:
                InsertRepeated(TestDoc(), rnd(0, 5) == 0 ? PatchSequence : randomBytes(rnd(1, 4)), rnd(1, 3));
                break;
            case 10:
                Host.FileChoices = {insertPath};
                Insertfile1Click(TestDoc());
                break;
            case 11:
            case 12:
            case 13:
                if (size == 0) break;
                TestApp().SearchRequest.Pattern = {uint8_t(TestDoc().Store.ByteAt(rnd(1, size)))};
                if (rnd(0, 1) == 0) TestApp().SearchRequest.Pattern.push_back('a' + rnd(0, 2));
                TestApp().SearchRequest.Replacement = randomBytes(rnd(0, 3));
                if (op == 11)
                    ReplaceStepCommand(TestDoc(), TReplaceSender::Command, CurrentAddress(TestDoc()), true);
                else
                    ReplaceAllCommand(TestDoc());
                break;
            case 14:
                if (TestDoc().Search.ReplaceUndoEnabled) Replaceundo1Click(TestDoc());
                break;
            case 15:
                Patch1Click(TestDoc());
                break;
            case 16: {
                const TBytes encoded = randomBytes(1 << rnd(0, 2));
                WriteEncoded(TestDoc(), encoded, rnd(0, 1) == 0);
                break;
            }
            case 17:
                Clip.Clear();
                Clip.OctetStream = randomBytes(rnd(0, 9));
                Paste1Click(TestDoc(), Clip);
                break;
            case 18:
                if (rnd(0, 3) == 0) rnd(0, 1) == 0 ? DeleteFromCursor(TestDoc()) : DeleteToCursor(TestDoc());
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
                TestDoc().File.FileName = savePath;
                TestDoc().File.Untitled = false;
                if (rnd(0, 2) == 0) {
                    ASSERT_TRUE(Save1Click(TestDoc()));
                } else if (TestDoc().Modified && rnd(0, 1) == 0) {
                    Host.YesNoCancelAnswers.push_back(mrYes);
                    ASSERT_FALSE(OpenFile(TestDoc(), Dir.PathOf("missing.bin"), true));
                } else {
                    ASSERT_TRUE(SaveFile(TestDoc(), savePath, false, 1, 0));
                }
                savedIndex = index;
                saved = Bytes();
                continue;
            }
            if (TestDoc().Undo.Journal.Applied == appliedBefore && typing &&
                Bytes() != steps[size_t(index)].After) {
                // Typing went on in the step it had started; a save must have ended that step.
                EXPECT_NE(index, savedIndex);
                if (savedIndex == index) savedIndex = -1;
                steps[size_t(index)].After = Bytes();
                steps[size_t(index)].After_ = View();
                continue;
            }
            if (TestDoc().Undo.Journal.Applied == appliedBefore) {
                // Nothing recorded: nothing may have changed.
                EXPECT_EQ(Bytes(), steps[size_t(index)].After);
                continue;
            }
            ASSERT_EQ(TestDoc().Undo.Journal.Applied, appliedBefore + 1);
            // What the journal counts it holds is what its steps hold, packed or not.
            const int64_t counted = TestDoc().Undo.Journal.Bytes;
            TestDoc().Undo.Journal.Recount();
            EXPECT_EQ(TestDoc().Undo.Journal.Bytes, counted);
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
    TestApp().TextMode = true;
    TestApp().OverwriteMode = false;
    for (char c : std::string("hello"))
        PaneKeyPress(TestDoc(), uint8_t(c));
    EXPECT_EQ(TestDoc().Undo.Journal.Steps.size(), 1u);
    EXPECT_EQ(Host.Hints[TCommand::Undo1], "Undo typing");
    EXPECT_TRUE(Host.IsEnabled(TCommand::Undo1));
    EXPECT_FALSE(Host.IsEnabled(TCommand::Redo1));
    int left = PaneKey::Left;
    PaneKeyDown(TestDoc(), left, 0); // a move of the user's own ends the run
    PaneKeyPress(TestDoc(), '!');
    EXPECT_EQ(TestDoc().Undo.Journal.Steps.size(), 2u);
    Undo1Click(TestDoc());
    Undo1Click(TestDoc());
    EXPECT_EQ(Bytes(), TBytes(100, 0x20));
    EXPECT_FALSE(TestDoc().Modified);
    EXPECT_EQ(CurrentAddress(TestDoc()), 10);
    EXPECT_EQ(Host.Hints[TCommand::Redo1], "Redo typing");
    EXPECT_FALSE(Host.IsEnabled(TCommand::Undo1));
    Redo1Click(TestDoc());
    EXPECT_TRUE(TestDoc().Modified);
    EXPECT_EQ(CurrentAddress(TestDoc()), 15);
    // A new step drops what could be redone.
    PaneKeyDown(TestDoc(), left, 0);
    PaneKeyPress(TestDoc(), 'x');
    EXPECT_FALSE(TestDoc().Undo.Journal.CanRedo());
}

// The budget drops the oldest steps; a step larger than all of it asks first, No keeps everything.
TEST_F(UndoTest, BudgetDropsTheOldestAndAsksForAStepLargerThanItAll) {
    OpenBytes(PatternBytes(5000));
    SetUndoBudget(TestDoc(), 2000);
    for (int i = 0; i < 10; ++i) {
        MarkFromTo(1, 300);
        Blockdelete1Click(TestDoc());
        SealUndoStep(TestDoc());
    }
    EXPECT_LE(TestDoc().Undo.Journal.Bytes, 2000);
    EXPECT_GE(TestDoc().Undo.Journal.Steps.size(), 5u);
    EXPECT_LT(TestDoc().Undo.Journal.Steps.size(), 10u);
    while (TestDoc().Undo.Journal.CanUndo())
        Undo1Click(TestDoc());
    EXPECT_EQ(TestDoc().Store.FileSize(), 2000 + 300 * int32_t(TestDoc().Undo.Journal.Steps.size()));
    EXPECT_TRUE(TestDoc().Modified); // the saved state was dropped with the oldest steps
    while (TestDoc().Undo.Journal.CanRedo())
        Redo1Click(TestDoc());

    SetUndoBudget(TestDoc(), 1000);
    EXPECT_TRUE(TestDoc().Undo.Journal.CanUndo());
    const TBytes before = Bytes();
    MarkFromTo(1, 1500);
    Host.YesNoAnswers = {mrNo};
    Blockdelete1Click(TestDoc());
    EXPECT_EQ(Host.QuestionTexts(), std::vector<std::string>{Texts::CannotBeUndone});
    EXPECT_EQ(Bytes(), before);
    EXPECT_TRUE(TestDoc().Undo.Journal.CanUndo());
    Host.YesNoAnswers = {mrYes};
    Blockdelete1Click(TestDoc());
    EXPECT_EQ(TestDoc().Store.FileSize(), int32_t(before.size()) - 1500);
    EXPECT_FALSE(TestDoc().Undo.Journal.CanUndo());
    EXPECT_FALSE(Host.IsEnabled(TCommand::Undo1));

    // Replace all counts its hits first where they could pass the budget, and asks the same.
    OpenBytes(TBytes(3000, 'a'));
    TestApp().SearchRequest.Pattern = {'a'};
    TestApp().SearchRequest.Replacement = {'b'};
    Host.YesNoAnswers = {mrNo};
    ReplaceAllCommand(TestDoc());
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
        TestApp().SearchRequest.Pattern = {'a', 'x'};
        TestApp().SearchRequest.Replacement = TBytes(size_t(2 + growth), 'R');
        Host.CancelAfterProgressCalls = growth > 0 ? -1 : 3;
        ReplaceAllCommand(TestDoc());
        Host.CancelAfterProgressCalls = -1;
        const TBytes partly = Bytes();
        ASSERT_NE(partly, bytes);
        if (growth <= 0) {
            EXPECT_NE(partly[partly.size() - 64], 'R'); // the last hit, where a shrinking pass left it
        }
        EXPECT_EQ(TestDoc().Undo.Journal.Steps.size(), 1u);
        Undo1Click(TestDoc());
        EXPECT_EQ(Bytes(), bytes);
        EXPECT_FALSE(TestDoc().Modified);
        Redo1Click(TestDoc());
        EXPECT_EQ(Bytes(), partly);
    }
}

// A typed byte costs the journal at most 96 bytes a step besides the byte itself (its change and both
// views hold 64-bit addresses).
TEST_F(UndoTest, TypedBytesCostLittle) {
    OpenBytes(PatternBytes(20000));
    TestApp().OverwriteMode = true;
    TestApp().TextMode = true;
    for (int32_t i = 0; i < 1000; ++i) {
        PutCursorOn(1 + 7 * i);
        SealUndoStep(TestDoc());
        PaneKeyPress(TestDoc(), 'z');
    }
    EXPECT_EQ(TestDoc().Undo.Journal.Steps.size(), 1000u);
    EXPECT_LE(TestDoc().Undo.Journal.Bytes, 1000 * 96 + 1000);
}

} // namespace
