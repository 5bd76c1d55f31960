// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"
#include "common/TestDocument.h"

#include "common/NaiveSearch.h"
#include "common/TestRandom.h"
#include "engine/document/Blocks.h"
#include "engine/store/PieceStore.h"
#include "engine/search/CaseTable.h"
#include "engine/document/CommandEnabling.h"
#include "engine/store/DynArray.h"
#include "engine/document/EngineState.h"
#include "engine/search/Replace.h"
#include "engine/search/Search.h"
#include "engine/search/SearchRequest.h"
#include "engine/text/StringTable.h"
#include "engine/store/SystemMemory.h"
#include "engine/text/TextFormat.h"
#include "engine/document/View.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace Engine;

namespace {

using TBytes = std::vector<uint8_t>;
using R = TReplaceDialogResult;

TBytes B(const std::string& text) {
    return TBytes(text.begin(), text.end());
}

const TBytes PatchFrom = {0xF7, 0xD0, 0xF7, 0xD2, 0xB9, 0x37};
const TBytes PatchTo = {0xF7, 0xD0, 0xF7, 0xD2, 0xB9, 0x7E};

using TModel = NaiveSearch::TReplaced;

// The reference with the settings of the search request.
TModel NaiveReplaceAll(const TBytes& file, TAddress start, TCount limit = INT64_MAX) {
    const TSearchRequest& s = TestApp().SearchRequest;
    return NaiveSearch::ReplaceAll(file, s.Pattern, s.Replacement,
                                   {s.CaseSensitive, s.JokerEnabled, s.JokerChar}, start, limit);
}

std::string Replaced(int64_t count) {
    return FormatText(Texts::OccurencesReplaced, {count});
}

class ReplaceTest : public TEngineTest {
  protected:
    void SetUp() override {
        TEngineTest::SetUp();
        AvailableMemoryHook = [] { return int64_t{1} << 32; };
    }
    void TearDown() override {
        AvailableMemoryHook = nullptr;
        TEngineTest::TearDown();
    }
    void Request(const TBytes& pattern, const TBytes& replacement, bool caseSensitive = true,
                 bool joker = false) {
        TestApp().SearchRequest.Pattern = pattern;
        TestApp().SearchRequest.Replacement = replacement;
        TestApp().SearchRequest.CaseSensitive = caseSensitive;
        TestApp().SearchRequest.JokerEnabled = joker;
        TestApp().SearchRequest.JokerChar = '.';
    }
    void Dialog(R result) {
        Host.ForgetRecords();
        ReplaceDialogDone(TestDoc(), result);
    }
    void F4() {
        Host.ForgetRecords();
        Replaceagaindown1Click(TestDoc());
    }
    void Undo() {
        Host.ForgetRecords();
        Replaceundo1Click(TestDoc());
    }
    bool UndoOffered() const {
        return TestDoc().Search.ReplaceUndoEnabled && Host.IsEnabled(TCommand::Replaceundo1);
    }
    // Hits of "ab" in a nearly full buffer, one every 1000 bytes.
    TBytes PlantedAb(int count) {
        TBytes bytes(static_cast<size_t>(count) * 1000, 'x');
        for (int i = 0; i < count; ++i)
            bytes[static_cast<size_t>(i) * 1000 + 500] = 'a',
                                                  bytes[static_cast<size_t>(i) * 1000 + 501] = 'b';
        return bytes;
    }
};

// --- Single steps
// ----------------------------------------------------------------------------------------------

TEST_F(ReplaceTest, StepsReplaceHitAfterHit) {
    struct {
        std::string replacement;
        std::string first, second;
        int32_t cursor1, cursor2;
    } cases[] = {
        {"xy", "xxxyabc", "xxxyxy", 4, 6},
        {"", "xxabc", "xx", 3, 2}, // the second hit moved onto the cursor and is deleted next
        {"pqr", "xxpqrabc", "xxpqrpqr", 5, 8},
        {"abcd", "xxabcdabc", "xxabcdabcd", 6, 10}, // never inside the replacement just made
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.replacement);
        OpenBytes(B("xxabcabc"));
        TestDoc().Search.LastFoundAddress = TestDoc().Search.LastReplaceAddress = 0;
        TestDoc().Search.EmptyReplacementPending = false;
        Request(B("abc"), B(c.replacement));
        PutCursorOn(1);
        Dialog(R::Ok);
        EXPECT_EQ(Bytes(), B(c.first));
        EXPECT_EQ(CurrentAddress(TestDoc()), c.cursor1);
        EXPECT_TRUE(TestDoc().Modified);
        EXPECT_TRUE(UndoOffered());
        EXPECT_TRUE(Host.IsEnabled(TCommand::Replaceagaindown1));
        ASSERT_EQ(Host.Progresses.size(), 1u);
        EXPECT_EQ(Host.Progresses[0].Caption, "Replacing...");
        EXPECT_EQ(Host.Progresses[0].Label, "Searching...");
        F4();
        EXPECT_EQ(Bytes(), B(c.second));
        EXPECT_EQ(CurrentAddress(TestDoc()), c.cursor2);
        F4();
        EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{"String not found"});
        EXPECT_EQ(Bytes(), B(c.second));
        EXPECT_EQ(Host.BusyDepth, 0);
    }
}

TEST_F(ReplaceTest, StepsNeverReplaceInsideAReplacement) {
    OpenBytes(B("aaa"));
    Request(B("a"), B("ba"));
    PutCursorOn(1);
    Dialog(R::Ok);
    F4();
    F4();
    EXPECT_EQ(Bytes(), B("bababa"));
    EXPECT_EQ(CurrentAddress(TestDoc()), 6);
    F4();
    EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{"String not found"});
}

// Address 0 is "none": with nothing replaced yet, a 2-byte replacement must not push the start past a hit
// at address 1.
TEST_F(ReplaceTest, FirstReplaceWithTheCursorOnAHitAtAddressOne) {
    OpenBytes(B("abcabc"));
    Request(B("abc"), B("xy"));
    PutCursorOn(1);
    Dialog(R::Ok);
    EXPECT_EQ(Bytes(), B("xyabc"));
    EXPECT_EQ(CurrentAddress(TestDoc()), 2);
}

// After a hit was deleted, F3 finds the next one at the cursor once and then moves on.
TEST_F(ReplaceTest, FindAfterADeletionFindsTheHitAtTheCursorOnce) {
    OpenBytes(B("xxabcabc"));
    Request(B("abc"), {});
    PutCursorOn(1);
    Dialog(R::Ok);
    ASSERT_EQ(Bytes(), B("xxabc"));
    Host.ForgetRecords();
    Findagaindown1Click(TestDoc());
    EXPECT_TRUE(Host.Messages.empty());
    EXPECT_EQ(CurrentAddress(TestDoc()), 3);
    Host.ForgetRecords();
    Findagaindown1Click(TestDoc());
    EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{"String not found"});
}

TEST_F(ReplaceTest, CancelBeforeTheHitChangesNothing) {
    TBytes file(1 << 20, 'x');
    std::copy_n("abc", 3, file.end() - 3);
    OpenBytes(file);
    Request(B("abc"), B("xy"));
    Host.CancelAfterShownProgress = 2;
    Dialog(R::Ok);
    EXPECT_TRUE(Host.Messages.empty());
    EXPECT_EQ(Bytes(), file);
    EXPECT_FALSE(TestDoc().Modified);
    EXPECT_FALSE(UndoOffered());
}

// --- Replace undo
// ----------------------------------------------------------------------------------------------

TEST_F(ReplaceTest, UndoRestoresTheReplacedBytes) {
    for (std::string replacement : {"xyz", "xy", "wxyz", ""}) {
        SCOPED_TRACE(replacement);
        OpenBytes(B("xxabcabcQQQQ"));
        TestDoc().Search.LastFoundAddress = TestDoc().Search.LastReplaceAddress = 0;
        Request(B("abc"), B(replacement));
        PutCursorOn(1);
        Dialog(R::Ok);
        MarkFromTo(7, 9);
        TestDoc().Modified = false; // as if saved since
        PutCursorOn(1);   // the cursor wandered off
        Undo();
        EXPECT_EQ(Bytes(), B("xxabcabcQQQQ"));
        EXPECT_EQ(CurrentAddress(TestDoc()), replacement.empty() ? 3 : 5); // on the last restored byte
        EXPECT_EQ(TestDoc().Search.LastReplaceAddress, 0);
        EXPECT_FALSE(UndoOffered());
        EXPECT_TRUE(TestDoc().Modified);
        // A change of length moves the bytes under the block.
        bool dropped = replacement.size() != 3;
        EXPECT_EQ(Host.InfoTexts(),
                  dropped ? std::vector<std::string>{"Block no longer valid"} : std::vector<std::string>{});
        EXPECT_EQ(TestDoc().Block.BlockBegin != 0, !dropped);
    }
}

TEST_F(ReplaceTest, UndoAfterTwoStepsRestoresOnlyTheSecond) {
    OpenBytes(B("xxabcabc"));
    Request(B("abc"), B("xy"));
    PutCursorOn(1);
    Dialog(R::Ok);
    F4();
    ASSERT_EQ(Bytes(), B("xxxyxy"));
    Undo();
    EXPECT_EQ(Bytes(), B("xxxyabc"));
    EXPECT_EQ(CurrentAddress(TestDoc()), 7);
    Undo(); // disabled in the menu; called anyway, it has nothing left to undo
    EXPECT_EQ(Bytes(), B("xxxyabc"));
}

TEST_F(ReplaceTest, UndoActsOnlyWhileTheReplacementStillStands) {
    OpenBytes(B("xxabcQxy"));
    Request(B("abc"), B("xy"));
    PutCursorOn(1);
    Dialog(R::Ok);
    ASSERT_EQ(Bytes(), B("xxxyQxy"));
    TestDoc().Store.WriteByte(3, 'z'); // typed over
    TestDoc().Modified = false;
    Undo();
    EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{"String not found"});
    EXPECT_EQ(Bytes(), B("xxzyQxy"));
    EXPECT_FALSE(TestDoc().Modified);
    EXPECT_FALSE(UndoOffered());
}

// New bytes in the dialog: the old replacement can no longer be undone, even when the new one finds nothing.
TEST_F(ReplaceTest, UndoBelongsToTheLastReplacementOnly) {
    OpenBytes(B("xxabcabc"));
    Request(B("abc"), B("xy"));
    PutCursorOn(1);
    Dialog(R::Ok);
    ASSERT_TRUE(UndoOffered());
    Request(B("zzz"), B("q"));
    Dialog(R::Ok);
    EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{"String not found"});
    EXPECT_FALSE(UndoOffered());
}

// --- Replace all
// -----------------------------------------------------------------------------------------------

TEST_F(ReplaceTest, ReplaceAllExamples) {
    struct {
        std::string file, pattern, replacement;
        int32_t cursor;
        std::string expected;
        int count;
        int32_t cursorAfter;
    } cases[] = {
        {"abcXabc", "abc", "", 1, "X", 2, 1},
        {"aaa", "a", "bb", 1, "bbbbbb", 3, 6}, // a stored 0 does not move the start past address 1
        {"abcabc", "abc", "", 1, "", 2, 1},    // the file is emptied
        {"xaaaa", "aa", "b", 3, "xaba", 1, 3},
        {"aaaa", "aa", "aaa", 1, "aaaaaa", 2, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file + " " + c.pattern + " -> " + c.replacement);
        OpenBytes(B(c.file));
        TestDoc().Search.LastFoundAddress = TestDoc().Search.LastReplaceAddress = 0;
        Request(B(c.pattern), B(c.replacement));
        PutCursorOn(c.cursor);
        Dialog(R::All);
        EXPECT_EQ(Bytes(), B(c.expected));
        EXPECT_EQ(TestDoc().Store.FileSize(), static_cast<int32_t>(c.expected.size()));
        EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{Replaced(c.count)});
        EXPECT_EQ(CurrentAddress(TestDoc()), c.cursorAfter);
        EXPECT_TRUE(TestDoc().Modified);
        EXPECT_FALSE(UndoOffered());
        ASSERT_EQ(Host.Progresses.size(), 1u);
        EXPECT_EQ(Host.Progresses[0].Caption, "Replacing...");
    }
}

// A cursor on the last byte of the last replacement starts one byte further on.
TEST_F(ReplaceTest, ReplaceAllAfterAStepStartsBehindTheReplacement) {
    OpenBytes(B("aaa"));
    Request(B("a"), B("ba"));
    PutCursorOn(1);
    Dialog(R::Ok);
    ASSERT_EQ(CurrentAddress(TestDoc()), 2);
    Dialog(R::All);
    EXPECT_EQ(Bytes(), B("bababa"));
    EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{Replaced(2)});
}

TEST_F(ReplaceTest, ReplaceAllDropsABlockFromTheFirstReplacementOn) {
    const struct {
        int32_t begin, end;
        bool dropped;
    } cases[] = {{1, 4, false}, {2, 5, true}, {10, 12, true}};
    for (auto [begin, end, dropped] : cases) {
        OpenBytes(B("QQQQabcQQabc"));
        MarkFromTo(begin, end);
        Request(B("abc"), B("xy"));
        PutCursorOn(1);
        Dialog(R::All);
        EXPECT_EQ(Bytes(), B("QQQQxyQQxy"));
        std::vector<std::string> expected;
        if (dropped) expected.push_back("Block no longer valid");
        expected.push_back(Replaced(2));
        EXPECT_EQ(Host.InfoTexts(), expected) << begin;
    }
}

// All three passes against the model, with random files, patterns, replacements, cursors and settings.
TEST_F(ReplaceTest, ReplaceAllAgreesWithTheReference) {
    TTestRandom random(4711);
    auto pick = [&](int lo, int hi) { return random.Pick(lo, hi); };
    const TBytes alphabet = {'a', 'A', 'b', '.', 0xF0, 0xD0};
    auto randomBytes = [&](int n) { return random.Bytes(n, alphabet); };
    for (int round = 0; round < 300; ++round) {
        const TBytes file = randomBytes(pick(1, round % 10 == 0 ? 3000 : 300));
        const int p = pick(1, 4);
        const int r = round % 3 == 0 ? p : round % 3 == 1 ? pick(p + 1, p + 4) : pick(0, p - 1);
        Request(randomBytes(p), randomBytes(r), pick(0, 1) == 0, pick(0, 2) == 0);
        OpenBytes(file);
        TestDoc().Search.LastFoundAddress = TestDoc().Search.LastReplaceAddress = 0;
        TestDoc().Search.EmptyReplacementPending = false;
        const int32_t cursor = pick(1, 3) == 1 ? pick(1, TestDoc().Store.FileSize()) : 1;
        PutCursorOn(cursor);
        int32_t start = cursor;
        if (r > 0 && cursor - r + 1 >= 1 && pick(0, 3) == 0) {
            TestDoc().Search.LastReplaceAddress =
                cursor - r + 1; // the cursor is on the last byte of a replacement
            start = cursor + 1;
        }
        const TModel expected = NaiveReplaceAll(file, start);

        SCOPED_TRACE(testing::Message()
                     << "round " << round << " P " << p << " R " << r << " start " << start);
        Dialog(R::All);
        EXPECT_EQ(Bytes(), expected.Bytes);
        EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{Replaced(expected.Count)});
        EXPECT_EQ(TestDoc().Modified, expected.Count > 0);
        if (expected.Count > 0) {
            EXPECT_EQ(TestDoc().Search.LastReplaceAddress, expected.LastAt);
            EXPECT_EQ(TestDoc().Search.LastFoundAddress, expected.LastAt);
            EXPECT_EQ(TestDoc().Search.ReplacedBytes, expected.LastHit);
            if (TestDoc().Store.FileSize() > 0) {
                EXPECT_EQ(CurrentAddress(TestDoc()),
                          std::min<TAddress>(TestDoc().Store.FileSize(), expected.LastAt + std::max(r, 1) - 1));
            }
        } else {
            EXPECT_EQ(CurrentAddress(TestDoc()), cursor);
        }
        if (HasFailure()) break;
    }
}

// Cancel after any complete replacement of the in-place passes leaves exactly the first c replacements;
// the growing pass can be cancelled only while counting, so it changes nothing or everything.
TEST_F(ReplaceTest, CancelledReplaceAllKeepsAConsistentFile) {
    TTestRandom random(31337);
    auto pick = [&](int lo, int hi) { return random.Pick(lo, hi); };
    int partial = 0;
    for (int round = 0; round < 60; ++round) {
        TBytes file = random.Bytes(pick(20000, 60000));
        TBytes pattern = {'n', 'e', 'e', 'd', 'l', 'e'};
        for (size_t at = static_cast<size_t>(pick(0, 2000)); at + 6 <= file.size();
             at += static_cast<size_t>(pick(300, 2000)))
            std::copy(pattern.begin(), pattern.end(), file.begin() + static_cast<std::ptrdiff_t>(at));
        const int kind = round % 3; // same length, shrinking, growing
        TBytes replacement = kind == 0 ? B("NEEDLE") : kind == 1 ? B("pin") : B("haystack");
        OpenBytes(file);
        TestDoc().Search.LastFoundAddress = TestDoc().Search.LastReplaceAddress = 0;
        Request(pattern, replacement);
        const TModel all = NaiveReplaceAll(file, 1);
        Host.CancelAfterProgressCalls = pick(1, 200);

        SCOPED_TRACE(testing::Message()
                     << "round " << round << " cancel after " << Host.CancelAfterProgressCalls);
        Dialog(R::All);
        Host.CancelAfterProgressCalls = -1;
        // How many were made: told by the size, or for the same length by the hits that now hold R.
        int done = 0;
        const int growth = static_cast<int>(replacement.size()) - static_cast<int>(pattern.size());
        if (growth != 0) {
            done = (TestDoc().Store.FileSize() - static_cast<int32_t>(file.size())) / growth;
        } else {
            while (done < all.Count &&
                   std::equal(replacement.begin(), replacement.end(),
                              Bytes().begin() + all.Hits[static_cast<size_t>(done)] - 1))
                ++done;
        }
        ASSERT_TRUE(done >= 0 && done <= all.Count) << done;
        ASSERT_EQ(Bytes(), NaiveReplaceAll(file, 1, done).Bytes)
            << "the file holds no prefix of the replacements";
        EXPECT_EQ(TestDoc().Modified, done > 0);
        if (!Host.InfoTexts().empty()) {
            EXPECT_EQ(done, all.Count);
            EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{Replaced(done)});
        }
        if (done > 0 && done < all.Count) ++partial;
    }
    EXPECT_GT(partial, 5) << "too few cancels in the middle of a pass";
}

// --- The memory question of the growing pass
// ------------------------------------------------------------------

TEST_F(ReplaceTest, MemoryForOnlySomeReplacementsAsksFirst) {
    const TBytes file = PlantedAb(10);
    for (int answer : {mrYes, mrNo}) {
        OpenBytes(file);
        TestDoc().Search.LastFoundAddress = TestDoc().Search.LastReplaceAddress = 0;
        Request(B("ab"), TBytes(52, 'R'));
        AvailableMemoryHook = [] { return MemoryMargin + 4 * ReplacedHitCost + 25; };
        const TBytes before = Bytes();
        const TModel four = NaiveReplaceAll(before, 1, 4);
        Host.YesNoAnswers.push_back(answer);
        PutCursorOn(1);
        Dialog(R::All);
        EXPECT_EQ(Host.QuestionTexts(),
                  std::vector<std::string>{"Occurences to replace: 10;\nmemory sufficient "
                                           "for\n4 replacements.\nReplace them?"});
        if (answer == mrYes) {
            EXPECT_EQ(Bytes(), four.Bytes);
            EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{Replaced(4)});
        } else {
            EXPECT_EQ(Bytes(), before);
            EXPECT_FALSE(TestDoc().Modified);
            EXPECT_TRUE(Host.InfoTexts().empty()) << "a No needs no count box";
        }
    }
}

TEST_F(ReplaceTest, NoMemoryForEvenOneReplacement) {
    OpenBytes(PlantedAb(3));
    Request(B("ab"), TBytes(202, 'R'));
    AvailableMemoryHook = [] { return int64_t{0}; };
    const TBytes before = Bytes();
    Dialog(R::All);
    EXPECT_EQ(Host.ErrorTexts(),
              std::vector<std::string>{"Can't allcate additional memory\nto perform operation"});
    EXPECT_TRUE(Host.QuestionTexts().empty());
    EXPECT_TRUE(Host.InfoTexts().empty()) << "the error box is the only report";
    EXPECT_EQ(Bytes(), before);
    EXPECT_FALSE(TestDoc().Modified);
}

// More hits than the growing pass lists: it counts them, opens the room in front and sweeps; with memory
// for all of them and for only the first ones.
TEST_F(ReplaceTest, GrowingPassOverTooManyHitsToListAgreesWithTheModel) {
    TBytes file;
    for (int i = 0; i < 70000; ++i)
        file.insert(file.end(), {'a', 'b'});
    const TBytes replacement = B("ab" + std::string(40, 'R'));
    for (bool enoughMemory : {true, false}) {
        OpenBytes(file);
        TestDoc().Search.LastFoundAddress = TestDoc().Search.LastReplaceAddress = 0;
        Request(B("ab"), replacement);
        if (!enoughMemory) AvailableMemoryHook = [] { return MemoryMargin + 1000 * ReplacedHitCost; };
        if (!enoughMemory) Host.YesNoAnswers.push_back(mrYes);
        PutCursorOn(1);
        const TModel expected = NaiveReplaceAll(file, 1, enoughMemory ? INT64_MAX : 1000);
        Dialog(R::All);
        EXPECT_EQ(Host.QuestionTexts().size(), enoughMemory ? 0u : 1u);
        EXPECT_EQ(Bytes(), expected.Bytes) << enoughMemory;
        EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{Replaced(expected.Count)});
        EXPECT_EQ(TestDoc().Search.LastReplaceAddress, expected.LastAt);
        EXPECT_EQ(TestDoc().Search.ReplacedBytes, expected.LastHit);
        AvailableMemoryHook = [] { return int64_t{1} << 32; };
        Host.ForgetRecords();
    }
}

// (R - P) x n past 2^32: the question shows the true count and what fits in the memory there is.
TEST_F(ReplaceTest, GrowthPastFourGibIsNeverAWrappedNumber) {
    OpenBytes(TBytes(40000, 'a'));
    Request(B("a"), TBytes(140001, 'b'));
    Host.YesNoAnswers.push_back(mrNo);
    AvailableMemoryHook = [] { return MemoryMargin + 1000 * ReplacedHitCost; };
    Dialog(R::All);
    const int64_t fits = 1000;
    EXPECT_EQ(Host.QuestionTexts(),
              std::vector<std::string>{FormatText(Texts::MemorySufficientFor, {int64_t{40000}, fits})});
    ASSERT_FALSE(Host.QuestionTexts().empty());
    EXPECT_NE(Host.QuestionTexts()[0].find("40,000;"), std::string::npos);
    EXPECT_TRUE(Host.ErrorTexts().empty());
    EXPECT_EQ(TestDoc().Store.FileSize(), 40000);
    EXPECT_FALSE(TestDoc().Modified);
}

// --- The executable patch
// --------------------------------------------------------------------------------------

TEST_F(ReplaceTest, PatchChangesTheFirstSequenceOnly) {
    TBytes file(8000, 0);
    std::copy(PatchFrom.begin(), PatchFrom.end(), file.begin() + 999);
    std::copy(PatchFrom.begin(), PatchFrom.end(), file.begin() + 4999);
    OpenBytes(file);
    Request(B("old"), B("new"));
    PutCursorOn(20);
    EnableReplaceUndo(TestDoc(), true);
    Host.ForgetRecords();
    Patch1Click(TestDoc());
    TBytes expected = file;
    expected[1004] = 0x7E;
    EXPECT_EQ(Bytes(), expected);
    EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{"File successfully patched"});
    EXPECT_EQ(CurrentAddress(TestDoc()), 20);
    EXPECT_TRUE(TestDoc().Modified);
    EXPECT_FALSE(UndoOffered());
    EXPECT_FALSE(Host.IsEnabled(TCommand::Replaceagaindown1));
    EXPECT_GT(Host.Refreshes, 0);
    EXPECT_GT(Host.StatusUpdates, 0);
    EXPECT_EQ(TestApp().SearchRequest.Pattern, PatchFrom);
    // Find again down now looks for the patch sequence.
    Host.ForgetRecords();
    Findagaindown1Click(TestDoc());
    EXPECT_EQ(CurrentAddress(TestDoc()), 5000);
}

TEST_F(ReplaceTest, PatchWithoutTheSequence) {
    TBytes file(3000, 0);
    std::copy(PatchTo.begin(), PatchTo.end(), file.begin() + 100); // already patched
    OpenBytes(file);
    Host.ForgetRecords();
    Patch1Click(TestDoc());
    EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{"File is not a\nBorland Pascal 7.0 executable"});
    EXPECT_EQ(Bytes(), file);
    EXPECT_FALSE(TestDoc().Modified);
}

// The patch looks from address 1 whatever the last find left behind.
TEST_F(ReplaceTest, PatchFindsTheSequenceAtAddressOneAfterAFind) {
    TBytes file(100, 0);
    std::copy(PatchFrom.begin(), PatchFrom.end(), file.begin());
    OpenBytes(file);
    Request(PatchFrom, {});
    PutCursorOn(1);
    Findagaindown1Click(TestDoc());
    ASSERT_EQ(TestDoc().Search.LastFoundAddress, 1);
    Host.ForgetRecords();
    Patch1Click(TestDoc());
    EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{"File successfully patched"});
    EXPECT_EQ(uint8_t(TestDoc().Store.ByteAt(6)), 0x7E);
}

TEST_F(ReplaceTest, PatchFollowsTheCaseSetting) {
    const TBytes folded = {0xF7, 0xF0, 0xF7, 0xF2, 0xB9, 0x37};
    for (bool caseSensitive : {true, false}) {
        TBytes file(200, 0);
        std::copy(folded.begin(), folded.end(), file.begin() + 50);
        OpenBytes(file);
        TestDoc().Modified = false;
        TestApp().SearchRequest.CaseSensitive = caseSensitive;
        Host.ForgetRecords();
        Patch1Click(TestDoc());
        TBytes expected = file;
        if (!caseSensitive) std::copy(PatchTo.begin(), PatchTo.end(), expected.begin() + 50);
        EXPECT_EQ(Bytes(), expected) << caseSensitive;
        EXPECT_EQ(TestDoc().Modified, !caseSensitive);
    }
}

// On a hit every 16 bytes, Replace all notices Cancel by position between hits, whatever the lengths:
// nothing is shown, and the hits found before the click are replaced.
TEST_F(ReplaceTest, ReplaceAllOnDenseHitsCanBeCancelled) {
    TBytes file(1 << 20, 'x');
    for (size_t i = 0; i + 1 < file.size(); i += 16)
        file[i] = 'a', file[i + 1] = 'b';
    for (const char* replacement : {"cd", "c", "cde"}) {
        OpenBytes(file);
        Request(B("ab"), B(replacement));
        Host.CancelAfterProgressCalls = 4;
        Dialog(R::All);
        Host.CancelAfterProgressCalls = -1;
        EXPECT_TRUE(Host.Messages.empty()) << replacement;
        ASSERT_EQ(Host.Progresses.size(), 1u);
        EXPECT_EQ(Host.Progresses[0].Calls, 4) << replacement;
        const TBytes now = Bytes();
        const int64_t left = std::count(now.begin(), now.end(), 'a');
        EXPECT_GT(left, 0) << replacement;
        EXPECT_LT(left, 65536) << replacement;
    }
}

} // namespace
