// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"
#include "common/TestDocument.h"

#include "common/NaiveSearch.h"
#include "common/TestRandom.h"
#include "engine/store/PieceStore.h"
#include "engine/search/CaseTable.h"
#include "engine/document/EngineState.h"
#include "engine/search/QSearch.h"
#include "engine/search/ScanFilter.h"
#include "engine/search/Search.h"
#include "engine/search/SearchRequest.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "engine/document/View.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>

using namespace Engine;

namespace {

using TBytes = std::vector<uint8_t>;

TBytes B(const std::string& text) {
    return TBytes(text.begin(), text.end());
}

using TSettings = NaiveSearch::TRule;
using NaiveSearch::Down;
using NaiveSearch::Up;

// Runs the fast scan, the plain quick search and the reference from every hit to the next, in both
// directions, and demands the same hits. The buffer ends exactly at `last`, so that a read past the end
// is caught by the address sanitizer.
void CheckScans(TQSearch& q, const TBytes& file, const TBytes& pattern, const TSettings& s, TAddress first,
                TAddress last, TAddress start) {
    SCOPED_TRACE(testing::Message() << "size " << file.size() << " pattern length " << pattern.size()
                                    << " case " << s.CaseSensitive << " joker " << s.JokerOn << " first "
                                    << first << " last " << last << " start " << start);
    const TBytes exact(file.begin(), file.begin() + last);
    const uint8_t* bytes = exact.data();
    const TCount length = static_cast<TCount>(pattern.size());

    std::vector<TAddress> naive, fast, quick;
    for (TAddress a = start;;) {
        TAddress hit = Down(bytes, pattern, s, last, a);
        naive.push_back(hit);
        if (hit < 0) break;
        a = hit + 1;
    }
    for (TAddress a = start;;) {
        TAddress hit = q.ScanDown(pattern, bytes, last, s.CaseSensitive, s.JokerOn, s.Joker, a, {});
        fast.push_back(hit);
        if (hit < 0 || fast.size() > naive.size()) break;
        a = hit + 1;
    }
    q.Prepare(pattern, s.CaseSensitive, s.JokerOn, s.Joker);
    for (TAddress a = start;;) {
        TAddress hit = q.QuickScanDown(bytes, last, a, {});
        quick.push_back(hit);
        if (hit < 0 || quick.size() > naive.size()) break;
        a = hit + 1;
    }
    EXPECT_EQ(fast, naive) << "ScanDown";
    EXPECT_EQ(quick, naive) << "QuickScanDown";

    // Up from the last byte, or from the mirror image of a start inside the range.
    const TAddress upStart = start == 1 ? last : std::max<TAddress>(1, last - start + 1);
    naive.clear();
    fast.clear();
    quick.clear();
    for (TAddress e = upStart;;) {
        TAddress hit = Up(bytes, pattern, s, first, e);
        naive.push_back(hit);
        if (hit < 0) break;
        e = hit + length - 2; // the next one ends before this one's last byte
    }
    for (TAddress e = upStart;;) {
        TAddress hit = q.ScanUp(pattern, bytes, first, s.CaseSensitive, s.JokerOn, s.Joker, e, {});
        fast.push_back(hit);
        if (hit < 0 || fast.size() > naive.size()) break;
        e = hit + length - 2;
    }
    q.Prepare(pattern, s.CaseSensitive, s.JokerOn, s.Joker);
    for (TAddress e = upStart;;) {
        TAddress hit = q.QuickScanUp(bytes, first, e, {});
        quick.push_back(hit);
        if (hit < 0 || quick.size() > naive.size()) break;
        e = hit + length - 2;
    }
    EXPECT_EQ(fast, naive) << "ScanUp from " << upStart;
    EXPECT_EQ(quick, naive) << "QuickScanUp from " << upStart;
}

// Bytes from a few case pairs and a joker-like dot, so that folded and joker hits are frequent.
const TBytes Dense = {'a', 'A', 'b', 'B', '.', 0xF0, 0xD0, 0xFF, 0x9F, 0xF7, 0xD7, 0x00};

class SearchTest : public TEngineTest {
  protected:
    void Request(const TBytes& pattern, TSettings s = {}) {
        TestApp().SearchRequest.Pattern = pattern;
        TestApp().SearchRequest.CaseSensitive = s.CaseSensitive;
        TestApp().SearchRequest.JokerEnabled = s.JokerOn;
        TestApp().SearchRequest.JokerChar = s.Joker;
    }
    void Find(bool down) {
        Host.ForgetRecords();
        down ? Findagaindown1Click(TestDoc()) : Findagainup1Click(TestDoc());
    }
    std::string LastMessage() const { return Host.Messages.empty() ? "" : Host.Messages.back().Text; }
};

// --- The scans against the reference -----------------------------------------------------------------------

TEST(QSearchTest, RandomBuffersAndPatternsAgreeWithTheReference) {
    TTestRandom random(20240611);
    TQSearch q;
    auto pick = [&](int lo, int hi) { return random.Pick(lo, hi); };
    for (int round = 0; round < 600; ++round) {
        const bool dense = round % 2 == 0;
        // Small files try the edges; large ones run the vector filter over whole blocks of windows, since a
        // scan checks about 1/128 of the file between progress calls.
        const int big = round % 10 == 0 ? 60000 : round % 10 == 5 ? 8000 : 400;
        TBytes file = dense ? random.Bytes(pick(1, big), Dense) : random.Bytes(pick(1, big));
        TSettings s;
        s.CaseSensitive = pick(0, 1) == 0;
        s.JokerOn = pick(0, 2) != 0;
        s.Joker = pick(0, 3) == 0 ? static_cast<uint8_t>(pick(0, 255)) : '.';
        // A piece of the file, so that there are hits, then changed: case flipped, jokers put in.
        const TCount size = static_cast<TCount>(file.size());
        const TAddress last = pick(1, 4) == 1 ? pick(1, size) : size;
        const TCount length = std::min<TCount>(last, pick(1, round % 7 == 0 ? 40 : 12));
        TAddress from = pick(0, size - length);
        if (round % 13 == 4) from = 0;             // a hit at address 1
        if (round % 13 == 5) from = last - length; // one ending on the last byte
        TBytes pattern(file.begin() + from, file.begin() + from + length);
        for (auto& b : pattern) {
            int change = pick(0, 9);
            if (change == 0) b = UpperCase1252(b);
            if (change == 1) b = LowerCase1252(b);
            if (change == 2) b = s.Joker;
            if (change == 3) b = static_cast<uint8_t>(pick(0, 255));
        }
        switch (round % 13) {
        case 0:
            pattern.assign(static_cast<size_t>(pick(1, 5)), s.Joker);
            break; // only jokers
        case 1:
            pattern.front() = s.Joker;
            break;
        case 2:
            pattern.back() = s.Joker;
            break;
        case 3:
            pattern.resize(1);
            break;
        }
        if (round % 13 < 3) s.JokerOn = round % 26 < 13; // also the same bytes with the joker off
        const TAddress first =
            pick(1, 4) == 1 ? pick(1, static_cast<int>(std::max<TAddress>(1, last / 2))) : 1;
        const TAddress start = pick(1, 3) == 1 ? pick(1, last) : 1;
        CheckScans(q, file, pattern, s, first, last, start);
        if (HasFailure()) break;
    }
}

TEST(QSearchTest, CaseFoldingOverEveryByteValue) {
    // Every byte value, twice, in shuffled order: each one-byte and two-byte pattern finds exactly the bytes
    // of the same upper case, and each case-sensitive one only itself.
    TBytes file;
    for (int round = 0; round < 2; ++round)
        for (int c = 0; c < 256; ++c)
            file.push_back(static_cast<uint8_t>(c));
    std::mt19937 rng(7);
    std::shuffle(file.begin(), file.end(), rng);
    const TCount size = static_cast<TCount>(file.size());
    TQSearch q;
    for (int c = 0; c < 256; ++c) {
        for (bool caseSensitive : {false, true}) {
            TSettings s{caseSensitive, false, '.'};
            CheckScans(q, file, {static_cast<uint8_t>(c)}, s, 1, size, 1);
            CheckScans(q, file, {static_cast<uint8_t>(c), file[100]}, s, 1, size, 1);
            CheckScans(q, file, {file[300], static_cast<uint8_t>(c)}, s, 1, size, 1);
        }
    }
    // The pairs that matter most in a Western code page.
    const std::pair<uint8_t, uint8_t> pairs[] = {{0xF0, 0xD0}, {0xFF, 0x9F}, {0x9A, 0x8A}, {'a', 'A'}};
    for (auto [lower, upper] : pairs) {
        TBytes one = {upper};
        EXPECT_EQ(q.ScanDown({lower}, one.data(), 1, false, false, '.', 1, {}), 1) << int{lower};
    }
    TBytes divide = {0xD7};
    EXPECT_EQ(q.ScanDown({0xF7}, divide.data(), 1, false, false, '.', 1, {}), -1) << "F7 has no case partner";
}

TEST(QSearchTest, JokerIsTheByteAsEnteredBeforeFolding) {
    TQSearch q;
    TBytes file = B("xAyzaQ");
    // Joker 'a': the pattern byte 'a' matches anything, 'A' only a or A.
    EXPECT_EQ(q.ScanDown(B("ay"), file.data(), 6, false, true, 'a', 1, {}), 2);
    EXPECT_EQ(q.ScanDown(B("Az"), file.data(), 6, false, true, 'a', 1, {}), -1);
    EXPECT_EQ(q.ScanDown(B("AQ"), file.data(), 6, false, true, 'a', 1, {}), 5);
}

TEST(QSearchTest, EmptyPatternAndPatternLongerThanTheRange) {
    TQSearch q;
    TBytes file = B("abc");
    EXPECT_EQ(q.ScanDown({}, file.data(), 3, true, false, '.', 1, {}), -2);
    EXPECT_EQ(q.ScanUp({}, file.data(), 1, true, false, '.', 3, {}), -2);
    EXPECT_EQ(q.ScanDown(B("abcd"), file.data(), 3, true, false, '.', 1, {}), -1);
    EXPECT_EQ(q.ScanUp(B("abcd"), file.data(), 1, true, false, '.', 3, {}), -1);
    EXPECT_EQ(q.ScanDown(B("...."), file.data(), 3, true, true, '.', 1, {}), -1);
}

// A hook that cancels on its n-th call ends the scan at once with -1, though a hit lies further on.
TEST(QSearchTest, CancelEndsTheScanAtOnce) {
    TBytes file(200000, 'x');
    std::copy_n("needle", 6, file.begin() + 150000);
    std::copy_n("needle", 6, file.begin() + 40000);
    const TCount size = static_cast<TCount>(file.size());
    TQSearch q;
    for (int n : {1, 5, 20}) {
        int calls = 0;
        auto hook = [&](TAddress) { return ++calls >= n; };
        EXPECT_EQ(q.ScanDown(B("needle"), file.data(), size, true, false, '.', 50000, hook), -1);
        EXPECT_EQ(calls, n);
        calls = 0;
        EXPECT_EQ(q.ScanUp(B("needle"), file.data(), 1, true, false, '.', 140000, hook), -1);
        EXPECT_EQ(calls, n);
        q.Prepare(B("needle"), true, false, '.');
        calls = 0;
        EXPECT_EQ(q.QuickScanDown(file.data(), size, 50000, hook), -1);
        EXPECT_EQ(calls, n);
        calls = 0;
        EXPECT_EQ(q.QuickScanUp(file.data(), 1, 140000, hook), -1);
        EXPECT_EQ(calls, n);
    }
    // Never cancelled: found.
    auto never = [](TAddress) { return false; };
    EXPECT_EQ(q.ScanDown(B("needle"), file.data(), size, true, false, '.', 50000, never), 150001);
    EXPECT_EQ(q.ScanUp(B("needle"), file.data(), 1, true, false, '.', 140000, never), 40001);
}

// The walks of CountDown, CountUp and EachDown, hit after hit without overlaps, against the reference.
void CheckCounts(TQSearch& q, const TBytes& exact, const TBytes& pattern, const TSettings& s, TAddress first,
                 TAddress start, TAddress upStart) {
    const auto last = static_cast<TCount>(exact.size());
    const auto length = static_cast<TCount>(pattern.size());
    std::vector<TAddress> down, up, each;
    for (TAddress a = start; (a = Down(exact.data(), pattern, s, last, a)) > 0; a += length)
        down.push_back(a);
    for (TAddress e = upStart; (e = Up(exact.data(), pattern, s, first, e)) > 0; --e)
        up.push_back(e);
    q.Prepare(pattern, s.CaseSensitive, s.JokerOn, s.Joker);
    const TQSearch::TTally countedDown = q.CountDown(exact.data(), last, start, {});
    const TQSearch::TTally countedUp = q.CountUp(exact.data(), first, upStart, {});
    q.EachDown(exact.data(), last, start, {}, [&](TAddress hit) {
        each.push_back(hit);
        return true;
    });
    EXPECT_EQ(countedDown.Count, static_cast<TCount>(down.size())) << "CountDown";
    EXPECT_EQ(countedDown.Last, down.empty() ? -1 : down.back()) << "CountDown";
    EXPECT_EQ(countedUp.Count, static_cast<TCount>(up.size())) << "CountUp from " << upStart;
    EXPECT_EQ(countedUp.Last, up.empty() ? -1 : up.back()) << "CountUp from " << upStart;
    EXPECT_EQ(each, down) << "EachDown";
}

// Every set of vector loops this processor has, over patterns that use each way of filtering and checking:
// one or two values per anchor, two or three anchors, jokers skipped by the anchors, patterns longer than one
// vector check, a byte whose case partner differs in two bits. Hits and near misses stand at every offset
// around the 32, 64 and 128-window blocks, and the scans are limited at odd places; the files are large
// enough that the loops run over whole blocks between progress calls.
TEST(QSearchTest, EveryVectorKindAgreesWithTheReferenceAroundBlockEdges) {
    struct TCase {
        std::string Pattern;
        bool CaseSensitive;
        bool JokerOn;
    };
    const TCase cases[] = {
        {"ab", true, false},
        {"needle!!", true, false},
        {"NeEdle", false, false},
        {"\xFFx\x9F", false, false},
        {".ee.l.", true, true},
        {"n.e.le", false, true},
        {"a", true, false},
        {"...", true, true},
        {std::string(32, 'q') + "", true, false},
        {std::string(33, 'Q'), false, false},
        {"abcdefghijklmnopqrstuvwxyz0123456789ABCD", true, false},
        {"aa", true, false},
    };
    TTestRandom random(31337);
    auto pick = [&](int lo, int hi) { return random.Pick(lo, hi); };
    const TScanKernel kernels[] = {TScanKernel::Best, TScanKernel::Sse2, TScanKernel::Portable};
    for (const TCase& c : cases) {
        const TBytes pattern(c.Pattern.begin(), c.Pattern.end());
        const TSettings s{c.CaseSensitive, c.JokerOn, '.'};
        const auto length = static_cast<TCount>(pattern.size());
        // A hit: the pattern with jokers filled and, when folding, some letters in the other case.
        auto plant = [&](TBytes& file, size_t at, bool miss) {
            for (int32_t i = 0; i < length; ++i) {
                uint8_t b = pattern[static_cast<size_t>(i)];
                if (c.JokerOn && b == '.') b = static_cast<uint8_t>(pick(0, 255));
                if (!c.CaseSensitive && pick(0, 1)) b = pick(0, 1) ? UpperCase1252(b) : LowerCase1252(b);
                file[at + static_cast<size_t>(i)] = b;
            }
            if (miss) file[at + static_cast<size_t>(pick(0, length - 1))] ^= 0x40; // most often a miss
        };
        TBytes file(static_cast<size_t>(65536 + pick(0, 300)));
        for (auto& b : file)
            b = pick(0, 3) == 0 ? pattern[static_cast<size_t>(pick(0, length - 1))]
                                : static_cast<uint8_t>(pick(0, 255));
        for (size_t at = static_cast<size_t>(pick(0, 3)); at + static_cast<size_t>(length) <= file.size();
             at += static_cast<size_t>(length + pick(0, 70)))
            plant(file, at, pick(0, 3) == 0);
        const auto size = static_cast<TCount>(file.size());
        // Limits: the whole file, and starts and ends that put the block edges elsewhere.
        const struct {
            TAddress First, Last, Start;
        } limits[] = {{1, size, 1}, {33, size - 5, 31}, {64, size - 61, 65}, {100, size - 1, 129}};
        for (TScanKernel kernel : kernels) {
            if (!ScanKernelAvailable(kernel)) continue;
            UseScanKernel(kernel);
            SCOPED_TRACE(testing::Message()
                         << "kernel " << static_cast<int>(kernel) << " pattern " << c.Pattern);
            TQSearch q;
            for (auto [first, last, start] : limits) {
                CheckScans(q, file, pattern, s, first, last, start);
                const TBytes exact(file.begin(), file.begin() + last);
                CheckCounts(q, exact, pattern, s, first, start, last - start + 1);
            }
        }
        UseScanKernel(TScanKernel::Best);
        if (testing::Test::HasFailure()) break;
    }
}

// --- Find and count in the editor
// ----------------------------------------------------------------------------

TEST_F(SearchTest, FindAgainDownStepsOverEachHit) {
    OpenBytes(B("xxabcabc"));
    Request(B("abc"));
    PutCursorOn(1);
    Find(true);
    EXPECT_EQ(CurrentAddress(TestDoc()), 3);
    Find(true);
    EXPECT_EQ(CurrentAddress(TestDoc()), 6);
    EXPECT_EQ(TestDoc().Search.LastFoundAddress, 6);
    Find(true);
    EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{"String not found"});
    EXPECT_EQ(CurrentAddress(TestDoc()), 6);
    ASSERT_EQ(Host.Progresses.size(), 1u);
    EXPECT_EQ(Host.Progresses[0].Caption, "Searching...");
    EXPECT_EQ(Host.Progresses[0].Label, "Current file position");
    EXPECT_TRUE(Host.Progresses[0].Closed);
}

TEST_F(SearchTest, CaseAndJokerExamples) {
    OpenBytes(B("AbC abc ABC aBc a.c aZc axc"));
    TestDoc().Store.WriteByte(22, 0);
    auto hits = [&](const TBytes& pattern, TSettings s) {
        Request(pattern, s);
        std::vector<TAddress> found;
        TestDoc().Search.LastFoundAddress = 0;
        PutCursorOn(1);
        for (int i = 0; i < 10; ++i) {
            Find(true);
            if (!Host.InfoTexts().empty()) break;
            found.push_back(CurrentAddress(TestDoc()));
        }
        return found;
    };
    EXPECT_EQ(hits(B("AbC"), {false, false, '.'}), (std::vector<TAddress>{1, 5, 9, 13}));
    EXPECT_EQ(hits(B("AbC"), {true, false, '.'}), (std::vector<TAddress>{1}));
    EXPECT_EQ(hits(B("a.c"), {true, true, '.'}), (std::vector<TAddress>{5, 13, 17, 21, 25})); // 21: 61 00 63
    EXPECT_EQ(hits(B("a.c"), {true, false, '.'}), (std::vector<TAddress>{17}));
}

TEST_F(SearchTest, FindAgainUpFindsHitsThatEndAtOrBeforeTheCursor) {
    //              1234567890123
    OpenBytes(B("abcxxabcxxabc"));
    Request(B("abc"));
    PutCursorOn(12); // inside the last hit: it ends after the cursor, so the one at 6 is next
    Find(false);
    EXPECT_EQ(CurrentAddress(TestDoc()), 6);
    Find(false); // on the first byte of the last hit: the next one must end before it
    EXPECT_EQ(CurrentAddress(TestDoc()), 1);
    Find(false);
    EXPECT_EQ(LastMessage(), "String not found");
    EXPECT_EQ(CurrentAddress(TestDoc()), 1);
    PutCursorOn(13); // ends exactly on the cursor byte, and on the file's last byte
    Find(false);
    EXPECT_EQ(CurrentAddress(TestDoc()), 11);
    PutCursorOn(8); // a cursor on the hit's last byte, not on the remembered first byte
    Find(false);
    EXPECT_EQ(CurrentAddress(TestDoc()), 6);
}

// Find again from hit to hit in either direction, against the reference. With a one-byte pattern the
// cursor on a hit is also the hit's last byte: going up, the next hit must still be an earlier one.
TEST_F(SearchTest, FindAgainWalksFromHitToHitLikeTheReference) {
    TTestRandom random(5);
    auto pick = [&](int lo, int hi) { return random.Pick(lo, hi); };
    for (int round = 0; round < 120; ++round) {
        TBytes file = random.Bytes(pick(1, 120), std::span(Dense).first(5));
        TSettings s{pick(0, 1) == 0, pick(0, 1) == 0, '.'};
        TBytes pattern = random.Bytes(pick(1, 3), std::span(Dense).first(5));
        const TCount size = static_cast<TCount>(file.size());
        const TCount length = static_cast<TCount>(pattern.size());
        const TAddress start = pick(1, size);
        std::vector<TAddress> expectedDown, expectedUp;
        for (TAddress a = start; (a = Down(file.data(), pattern, s, size, a)) > 0; a += length)
            expectedDown.push_back(a);
        for (TAddress e = start; (e = Up(file.data(), pattern, s, 1, e)) > 0; --e)
            expectedUp.push_back(e);

        SCOPED_TRACE(testing::Message() << "round " << round << " pattern length " << length);
        OpenBytes(file);
        Request(pattern, s);
        for (bool down : {true, false}) {
            const std::vector<TAddress>& expected = down ? expectedDown : expectedUp;
            TestDoc().Search.LastFoundAddress = 0;
            PutCursorOn(start);
            std::vector<TAddress> visited;
            for (size_t i = 0; i <= expected.size(); ++i) {
                Find(down);
                if (!Host.InfoTexts().empty()) break;
                visited.push_back(CurrentAddress(TestDoc()));
            }
            EXPECT_EQ(visited, expected) << (down ? "down" : "up");
            EXPECT_EQ(LastMessage(), "String not found") << (down ? "down" : "up");
        }
        if (HasFailure()) break;
    }
}

TEST_F(SearchTest, HitsAtTheFirstAndLastByteAreFoundBothWays) {
    OpenBytes(B("abcxyzabc"));
    Request(B("abc"));
    PutCursorOn(1);
    Find(true);
    EXPECT_EQ(CurrentAddress(TestDoc()), 1);
    Find(true);
    EXPECT_EQ(CurrentAddress(TestDoc()), 7);
    PutCursorOn(9);
    TestDoc().Search.LastFoundAddress = 0;
    Find(false);
    EXPECT_EQ(CurrentAddress(TestDoc()), 7);
    Find(false);
    EXPECT_EQ(CurrentAddress(TestDoc()), 1);
}

// Bytes past the end of the file still sit in the buffer; a cursor past the end must not reach them.
TEST_F(SearchTest, FindUpStartsAtTheLastByteOfTheFile) {
    OpenBytes(B("xxxa"));
    TestDoc().Store.WriteByte(5, 'b');
    Request(B("ab"));
    PutCursorOn(5);
    Find(false);
    EXPECT_EQ(LastMessage(), "String not found");
    OpenBytes({});
    Find(false);
    EXPECT_EQ(LastMessage(), "String not found");
    Find(true);
    EXPECT_EQ(LastMessage(), "String not found");
}

// A stored address of 0 means "none", not a hit at address 0 whose last byte would be address 1.
TEST_F(SearchTest, FirstFindWithTheCursorOnAHitAtAddressOne) {
    OpenBytes(B("abcabc"));
    Request(B("abc"));
    TestApp().SearchRequest.Replacement = B("xy");
    PutCursorOn(1);
    Find(true);
    EXPECT_EQ(CurrentAddress(TestDoc()), 1);
    EXPECT_TRUE(Host.Messages.empty());
}

TEST_F(SearchTest, CountExamples) {
    OpenBytes(B("aaaa"));
    Request(B("aa"));
    TestApp().SearchRequest.SearchDown = true;
    PutCursorOn(1);
    Host.ForgetRecords();
    CountDialogDone(TestDoc());
    EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{"Occurences found:\n2"});
    EXPECT_EQ(CurrentAddress(TestDoc()), 3); // the last hit counted

    OpenBytes(B("abab"));
    Request(B("ab"));
    TestApp().SearchRequest.SearchDown = false;
    TestDoc().Search.LastFoundAddress = 0;
    PutCursorOn(4);
    Host.ForgetRecords();
    CountDialogDone(TestDoc());
    EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{"Occurences found:\n2"});
    EXPECT_EQ(CurrentAddress(TestDoc()), 1);

    Request(B("zz"));
    PutCursorOn(2);
    Host.ForgetRecords();
    CountDialogDone(TestDoc());
    EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{"Occurences found:\n0"});
    EXPECT_EQ(CurrentAddress(TestDoc()), 2);
}

TEST_F(SearchTest, CountsAgreeWithTheReferenceInBothDirections) {
    TTestRandom random(99);
    auto pick = [&](int lo, int hi) { return random.Pick(lo, hi); };
    for (int round = 0; round < 150; ++round) {
        TBytes file = random.Bytes(pick(1, 600), std::span(Dense).first(5));
        TSettings s{pick(0, 1) == 0, pick(0, 1) == 0, '.'};
        TBytes pattern = random.Bytes(pick(1, 4), std::span(Dense).first(5));
        const TCount size = static_cast<TCount>(file.size());
        const TAddress start = pick(1, size);
        const TCount length = static_cast<TCount>(pattern.size());
        // Greedy and non-overlapping, from the start in the direction of the count.
        int32_t downCount = 0, upCount = 0, lastDown = 0, lastUp = 0;
        for (TAddress a = start; (a = Down(file.data(), pattern, s, size, a)) > 0; a += length, ++downCount)
            lastDown = a;
        for (TAddress e = start; (e = Up(file.data(), pattern, s, 1, e)) > 0; --e, ++upCount)
            lastUp = e;

        SCOPED_TRACE(testing::Message() << "round " << round);
        OpenBytes(file);
        Request(pattern, s);
        TestDoc().Search.LastFoundAddress = 0;
        Host.ProgressOpen("", "");
        TCountResult down = CountMatches(TestDoc(), true, start);
        EXPECT_EQ(TestDoc().Search.LastFoundAddress, lastDown);
        TestDoc().Search.LastFoundAddress = 0;
        TCountResult up = CountMatches(TestDoc(), false, start);
        EXPECT_EQ(TestDoc().Search.LastFoundAddress, lastUp);
        Host.ProgressClose();
        EXPECT_EQ(down.Count, downCount);
        EXPECT_EQ(up.Count, upCount);
        EXPECT_TRUE(down.Completed && up.Completed);
        if (HasFailure()) break;
    }
}

// --- Progress and Cancel
// --------------------------------------------------------------------------------------

TEST_F(SearchTest, LongScansShowEveryFivePercentStep) {
    OpenBytes(TBytes(1 << 20, 'x'));
    Request(B("needle"));
    for (bool down : {true, false}) {
        PutCursorOn(down ? 1 : TestDoc().Store.FileSize());
        Find(down);
        EXPECT_EQ(LastMessage(), "String not found");
        ASSERT_EQ(Host.Progresses.size(), 1u);
        std::set<int> seen(Host.Progresses[0].Values.begin(), Host.Progresses[0].Values.end());
        for (int percent = 5; percent <= 95; percent += 5)
            EXPECT_TRUE(seen.contains(percent)) << (down ? "down " : "up ") << percent;
        EXPECT_TRUE(std::is_sorted(Host.Progresses[0].Values.begin(), Host.Progresses[0].Values.end()));
    }
}

TEST_F(SearchTest, CancelEndsFindAndCountWithoutAMessage) {
    TBytes file(1 << 20, 'x');
    std::copy_n("needle", 6, file.end() - 6);
    std::copy_n("needle", 6, file.begin());
    OpenBytes(file);
    Request(B("needle"));
    Host.CancelAfterShownProgress = 3;
    PutCursorOn(2);
    Find(true);
    EXPECT_TRUE(Host.Messages.empty());
    EXPECT_EQ(CurrentAddress(TestDoc()), 2);
    EXPECT_EQ(TestDoc().Search.LastFoundAddress, 0);
    EXPECT_TRUE(Host.Progresses.at(0).Closed);

    PutCursorOn(TestDoc().Store.FileSize() - 1);
    Find(false);
    EXPECT_TRUE(Host.Messages.empty());
    EXPECT_EQ(CurrentAddress(TestDoc()), TestDoc().Store.FileSize() - 1);

    PutCursorOn(2);
    TestApp().SearchRequest.SearchDown = true;
    Host.ForgetRecords();
    CountDialogDone(TestDoc());
    EXPECT_TRUE(Host.Messages.empty());
    EXPECT_EQ(CurrentAddress(TestDoc()), 2);

    Host.CancelAfterShownProgress = -1;
    Find(true);
    EXPECT_EQ(CurrentAddress(TestDoc()), TestDoc().Store.FileSize() - 5);
}

// A hit every 16 bytes: the scans never cross a stretch long enough to report from, so Count reports by
// position between hits, every step of the gauge in order, and notices Cancel there.
TEST_F(SearchTest, CountOnDenseHitsShowsProgressAndCanBeCancelled) {
    TBytes file(1 << 20, 'x');
    for (size_t i = 0; i + 1 < file.size(); i += 16)
        file[i] = 'a', file[i + 1] = 'b';
    OpenBytes(file);
    Request(B("ab"));
    for (bool down : {true, false}) {
        TestApp().SearchRequest.SearchDown = down;
        PutCursorOn(down ? 1 : TestDoc().Store.FileSize());
        Host.ForgetRecords();
        CountDialogDone(TestDoc());
        EXPECT_EQ(Host.InfoTexts(), std::vector<std::string>{"Occurences found:\n65,536"}) << down;
        ASSERT_EQ(Host.Progresses.size(), 1u);
        const std::vector<int>& shown = Host.Progresses[0].Values;
        std::set<int> seen(shown.begin(), shown.end());
        for (int percent = 5; percent <= 95; percent += 5)
            EXPECT_TRUE(seen.contains(percent)) << (down ? "down " : "up ") << percent;
        EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
        EXPECT_LT(Host.Progresses[0].Calls, 2000); // by position, not once per hit

        Host.CancelAfterShownProgress = 3;
        PutCursorOn(down ? 1 : TestDoc().Store.FileSize());
        Host.ForgetRecords();
        CountDialogDone(TestDoc());
        EXPECT_TRUE(Host.Messages.empty());
        EXPECT_EQ(Host.Progresses.at(0).Values.size(), 3u);
        Host.CancelAfterShownProgress = -1;
    }
}

} // namespace
