// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/CompareCheck.h"
#include "common/MemorySource.h"
#include "common/TestRandom.h"
#include "engine/compare/AlignCompare.h"
#include "engine/compare/ByteCompare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>

using namespace Compare;
using TBytes = std::vector<uint8_t>;

namespace {

// Byte i against byte i, one byte at a time.
std::vector<TDiffRun> NaiveByteRuns(const TBytes& a, const TBytes& b) {
    std::vector<TDiffRun> runs;
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        if (a[i] == b[i]) continue;
        const auto at = static_cast<TAddress>(i + 1);
        if (!runs.empty() && runs.back().A + runs.back().Length == at)
            ++runs.back().Length;
        else
            runs.push_back({TDiffKind::Changed, at, at, 1});
    }
    const auto end = static_cast<TAddress>(common + 1);
    if (a.size() > common)
        runs.push_back({TDiffKind::Deleted, end, end, static_cast<TCount>(a.size() - common)});
    if (b.size() > common)
        runs.push_back({TDiffKind::Inserted, end, end, static_cast<TCount>(b.size() - common)});
    return runs;
}

struct TPlanted {
    TBytes B;
    TCount Size = 0; // bytes overwritten + inserted + deleted
};

// B: a with edits random overwrites, insertions and deletions of 1 .. maxLength bytes at random places.
TPlanted Plant(const TBytes& a, int edits, int maxLength, TTestRandom& random) {
    TPlanted planted{a, 0};
    TBytes& b = planted.B;
    for (int i = 0; i < edits; ++i) {
        const int32_t length = random.Pick(1, maxLength);
        const auto at = static_cast<size_t>(random.Pick(0, static_cast<int32_t>(b.size())));
        const TBytes bytes = random.Bytes(length);
        switch (random.Pick(0, 2)) {
        case 0: {
            const size_t n = std::min(b.size() - at, static_cast<size_t>(length));
            std::copy_n(bytes.begin(), n, b.begin() + static_cast<std::ptrdiff_t>(at));
            planted.Size += static_cast<TCount>(n);
            break;
        }
        case 1:
            b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin(), bytes.end());
            planted.Size += length;
            break;
        default: {
            const size_t n = std::min(b.size() - at, static_cast<size_t>(length));
            b.erase(b.begin() + static_cast<std::ptrdiff_t>(at),
                    b.begin() + static_cast<std::ptrdiff_t>(at + n));
            planted.Size += static_cast<TCount>(n);
        }
        }
    }
    return planted;
}

// The result must turn a into b, count what it holds, and report itself done.
void ExpectExact(const TBytes& a, const TBytes& b, const TCompareResult& result) {
    ASSERT_EQ(result.Status, TCompareStatus::Done);
    EXPECT_EQ(result.ReachedA, static_cast<TAddress>(a.size() + 1));
    EXPECT_EQ(result.ReachedB, static_cast<TAddress>(b.size() + 1));
    EXPECT_EQ(result.Ranges, static_cast<TCount>(result.Runs.size()));
    EXPECT_EQ(result.Bytes, ScriptSize(result.Runs));
    const auto made = ApplyScript(a, b, result.Runs);
    ASSERT_TRUE(made.has_value()) << "runs out of order or of unequal stretches";
    EXPECT_TRUE(*made == b) << "the script does not turn A into B";
}

} // namespace

TEST(CompareTest, ByteByByteMatchesAByteLoopOverPiecedSides) {
    TTestRandom random(38);
    const std::array<uint8_t, 2> pair{'a', 'b'};
    for (int round = 0; round < 40; ++round) {
        const int32_t size = random.Pick(0, 70000);
        const TBytes a = random.Bytes(size);
        TBytes b = a;
        // Sparse runs, dense ones (one byte in two differs), or unrelated sides; sizes that differ now and
        // then.
        const int kind = round % 3;
        for (auto& byte : b)
            if (kind == 2 || random.Pick(0, kind == 0 ? 5000 : 1) == 0)
                byte = kind == 1 ? pair[random.Pick(0, 1)] : static_cast<uint8_t>(random.Pick(0, 255));
        b.resize(static_cast<size_t>(std::max(0, size + (round % 4 == 0 ? random.Pick(-300, 300) : 0))));
        const TCompareResult result = CompareBytes(PiecedSnapshot(a, round), PiecedSnapshot(b, round + 1000));
        EXPECT_EQ(result.Runs, NaiveByteRuns(a, b)) << "round " << round;
        ExpectExact(a, b, result);
    }
}

TEST(CompareTest, AcrossInsertionsTheScriptTurnsAIntoBAndStaysNearThePlantedEdits) {
    TTestRandom random(3838);
    const std::array<uint8_t, 3> few{0, 1, 0xFF};
    for (int round = 0; round < 40; ++round) {
        // Random content, and content of three values where chunks and short matches repeat everywhere.
        const bool repetitive = round % 5 == 4;
        const int32_t size = random.Pick(0, repetitive ? 60000 : 400000);
        const TBytes a = repetitive ? random.Bytes(size, few) : random.Bytes(size);
        const bool sparse = round % 3 != 2 && !repetitive;
        const TPlanted planted = sparse ? Plant(a, random.Pick(1, 1 + size / 20000), 40, random)
                                        : Plant(a, random.Pick(1, 60), random.Pick(1, 3000), random);
        const TCompareResult result =
            CompareAligned(PiecedSnapshot(a, round), PiecedSnapshot(planted.B, round + 7));
        SCOPED_TRACE("round " + std::to_string(round));
        ExpectExact(a, planted.B, result);
        if (sparse) {
            EXPECT_LE(ScriptSize(result.Runs), planted.Size * 11 / 10);
        }
    }
}

TEST(CompareTest, EdgeCasesGiveOneRunOrNone) {
    TTestRandom random(6);
    const TBytes text = random.Bytes(1 << 20);
    TBytes front = text;
    front.insert(front.begin(), 'x');
    const TBytes same(100000, 'z');
    const TBytes shorter(same.begin() + 7, same.end());
    struct TCase {
        const char* Name;
        TBytes A, B;
        std::vector<TDiffRun> Aligned, Bytes;
    };
    const std::vector<TCase> cases{
        {"equal", text, text, {}, {}},
        {"both empty", {}, {}, {}, {}},
        {"left empty",
         {},
         same,
         {{TDiffKind::Inserted, 1, 1, 100000}},
         {{TDiffKind::Inserted, 1, 1, 100000}}},
        {"right empty", same, {}, {{TDiffKind::Deleted, 1, 1, 100000}}, {{TDiffKind::Deleted, 1, 1, 100000}}},
        {"one byte before all", text, front, {{TDiffKind::Inserted, 1, 1, 1}}, NaiveByteRuns(text, front)},
        {"one value shifted",
         same,
         shorter,
         {{TDiffKind::Deleted, 99994, 99994, 7}},
         {{TDiffKind::Deleted, 99994, 99994, 7}}},
        {"one value shifted back",
         shorter,
         same,
         {{TDiffKind::Inserted, 99994, 99994, 7}},
         {{TDiffKind::Inserted, 99994, 99994, 7}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const auto a = PiecedSnapshot(c.A, 1), b = PiecedSnapshot(c.B, 2);
        const TCompareResult aligned = CompareAligned(a, b);
        EXPECT_EQ(aligned.Runs, c.Aligned);
        ExpectExact(c.A, c.B, aligned);
        const TCompareResult bytes = CompareBytes(a, b);
        EXPECT_EQ(bytes.Runs, c.Bytes);
        ExpectExact(c.A, c.B, bytes);
    }
}

TEST(CompareTest, ACancelledComparisonKeepsTheRunsBeforeWhereItStopped) {
    TTestRandom random(9);
    const TBytes a = random.Bytes(600000);
    const TPlanted planted = Plant(a, 60, 20, random);
    using TCompare = TCompareResult (*)(const Engine::TStoreSnapshot&, const Engine::TStoreSnapshot&,
                                        const TCompareOptions&);
    for (const TCompare compare : {TCompare{CompareBytes}, TCompare{CompareAligned}}) {
        const auto sa = PiecedSnapshot(a, 3), sb = PiecedSnapshot(planted.B, 4);
        const TCompareResult whole = compare(sa, sb, {});
        int calls = 0;
        TCount lastDone = -1;
        TCompareOptions options;
        options.ProgressStride = 50000;
        options.Progress = [&](TCount done, TCount total) {
            EXPECT_GT(done, lastDone);
            EXPECT_LE(done, total);
            lastDone = done;
            return ++calls < 6;
        };
        const TCompareResult part = compare(sa, sb, options);
        EXPECT_EQ(calls, 6);
        ASSERT_EQ(part.Status, TCompareStatus::Cancelled);
        EXPECT_LT(part.ReachedA, whole.ReachedA);
        // Every run kept is one of the whole comparison's, the last perhaps still growing; every run that
        // starts before where it stopped is kept.
        ASSERT_LE(part.Runs.size(), whole.Runs.size());
        for (size_t i = 0; i < part.Runs.size(); ++i) {
            TDiffRun run = part.Runs[i];
            if (i + 1 == part.Runs.size()) run.Length = whole.Runs[i].Length;
            EXPECT_EQ(run, whole.Runs[i]);
        }
        const auto before = std::count_if(whole.Runs.begin(), whole.Runs.end(),
                                          [&](const TDiffRun& run) { return run.A < part.ReachedA; });
        EXPECT_EQ(part.Runs.size(), static_cast<size_t>(before));
    }
}

TEST(CompareTest, AWorkerComparesSnapshotsWhileTheStoresGoOnChanging) {
    TTestRandom random(11);
    const TBytes a = random.Bytes(300000);
    const TPlanted planted = Plant(a, 20, 30, random);
    Engine::TPieceStore store;
    store.Load(std::make_shared<TMemorySource>(planted.B), static_cast<TCount>(planted.B.size()));
    auto worker = std::async(std::launch::async, [sa = PiecedSnapshot(a, 1), sb = store.Snapshot()] {
        return CompareAligned(sa, sb);
    });
    for (int i = 0; i < 2000; ++i) {
        const TBytes typed = random.Bytes(3);
        store.Insert(random.Pick(1, static_cast<int32_t>(store.FileSize())), typed);
        store.RemoveBytes(random.Pick(1, static_cast<int32_t>(store.FileSize()) - 10), 4);
    }
    ExpectExact(a, planted.B, worker.get());
}

TEST(CompareTest, ASideThatCannotBeReadEndsTheComparisonUnreadable) {
    TTestRandom random(10);
    const TBytes a = random.Bytes(200000);
    TBytes b = a;
    b[150000] ^= 1;
    auto source = std::make_shared<TMemorySource>(b);
    source->Readable = 100000; // shortened behind our back
    Engine::TPieceStore store;
    store.Load(source, static_cast<TCount>(b.size()));
    const auto whole = PiecedSnapshot(a, 1), shortened = store.Snapshot();
    for (const bool leftShortened : {false, true}) {
        const auto& sa = leftShortened ? shortened : whole;
        const auto& sb = leftShortened ? whole : shortened;
        for (const TCompareResult& result : {CompareBytes(sa, sb), CompareAligned(sa, sb)}) {
            EXPECT_EQ(result.Status, TCompareStatus::Unreadable);
            EXPECT_TRUE(result.Runs.empty());
            EXPECT_LE(leftShortened ? result.ReachedA : result.ReachedB, 100001);
        }
    }
}

TEST(CompareTest, NextAndPreviousDifferenceStepOnEitherSide) {
    // Changed 11..13; inserted 5 bytes before A 21 (B 21..25); deleted A 31..32 (at B 36).
    const std::vector<TDiffRun> runs{
        {TDiffKind::Changed, 11, 11, 3}, {TDiffKind::Inserted, 21, 21, 5}, {TDiffKind::Deleted, 31, 36, 2}};
    struct TStep {
        TSide Side;
        TAddress From;
        std::optional<size_t> Next, Previous;
    };
    const std::vector<TStep> steps{
        {TSide::A, 1, 0, std::nullopt},
        {TSide::A, 11, 1, std::nullopt},
        {TSide::A, 12, 1, 0},
        {TSide::A, 21, 2, 0},
        {TSide::A, 31, std::nullopt, 1},
        {TSide::A, 99, std::nullopt, 2},
        {TSide::B, 20, 1, 0},
        {TSide::B, 30, 2, 1},
        {TSide::B, 37, std::nullopt, 2},
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(std::to_string(step.From));
        EXPECT_EQ(NextDifference(runs, step.Side, step.From), step.Next);
        EXPECT_EQ(PreviousDifference(runs, step.Side, step.From), step.Previous);
    }
    EXPECT_EQ(NextDifference({}, TSide::A, 1), std::nullopt);
}

TEST(CompareTest, PastTheRunLimitRunsAreCountedButNotKept) {
    const TBytes a(1000, 0);
    TBytes b = a;
    for (size_t i = 0; i < b.size(); i += 10)
        b[i] = 1;
    TCompareOptions options;
    options.MaxRuns = 30;
    const TCompareResult result = CompareBytes(PiecedSnapshot(a, 1), PiecedSnapshot(b, 2), options);
    EXPECT_EQ(result.Runs.size(), 30u);
    EXPECT_TRUE(result.RunsCut);
    EXPECT_EQ(result.Ranges, 100);
    EXPECT_EQ(result.Bytes, 100);
}
