// SPDX-License-Identifier: GPL-3.0-or-later
// The recovery journal: what its hash costs a load, the bytes it writes for typed bytes, and its replay
// against making the same changes. Engine and baseline by turns; a ratio is the median of the rounds'.
#include "BenchSupport.h"
#include "common/TestDocument.h"
#include "RoundRatio.h"

#include "common/EngineSetup.h"
#include "common/TestRandom.h"
#include "engine/store/PieceStore.h"
#include "engine/editing/Editing.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileCommands.h"
#include "engine/files/FileIo.h"
#include "engine/editing/PaneEditing.h"
#include "engine/recovery/Recovery.h"
#include "engine/recovery/RecoveryReplay.h"
#include "engine/editing/Undo.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

namespace {

constexpr int64_t BigSize = int64_t{256} << 20;

void Check(bool right, const char* what) {
    if (right) return;
    std::fprintf(stderr, "recovery benchmark: %s went wrong\n", what);
    std::exit(1);
}

// A fresh engine holding the bench file as the program loads it, the hash made when recovery is on.
void Load(int64_t size, bool recovery) {
    ResetBenchEngine();
    if (recovery) TestApp().RecoveryFolder = BenchRecoveryFolder();
    Check(Engine::OpenFile(TestDoc(), BenchFile(size), false), "loading the bench file");
}

std::vector<uint8_t> JournalBytes() {
    Engine::RecoveryDrain(TestDoc());
    std::ifstream in(Engine::RecoveryJournalPath(TestDoc()), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Loading 256 MiB with the hash of its contents made on the side, against the same load without it.
double LoadHashRatio() {
    BenchFile(BigSize);
    auto load = [](bool recovery) {
        return [recovery] {
            ResetBenchEngine();
            if (recovery) TestApp().RecoveryFolder = BenchRecoveryFolder();
            const double start = NowSeconds();
            const bool loaded = Engine::LoadFile(TestDoc(), BenchFile(BigSize), false, 1);
            const double seconds = NowSeconds() - start;
            uint64_t hash = 0;
            Check(loaded && Engine::RecoveryLoadedHash(TestDoc(), hash) == recovery, "the load");
            return seconds;
        };
    };
    const double ratio = InterleavedRatio(load(true), load(false), 9);
    ResetBenchEngine();
    return ratio;
}

// 10,000 bytes typed a key every 100 microseconds, so that they reach the disk in many writes: the
// journal's bytes per typed byte, less its header and the record head (60 bytes) each write starts with.
double BytesPerTypedByte() {
    constexpr int Typed = 10000;
    Load(int64_t{1} << 20, true);
    TestApp().OverwriteMode = true;
    EngineSetup::PutCursorOn(1);
    Engine::SealUndoStep(TestDoc());
    for (int i = 0; i < Typed; ++i) {
        Engine::PaneKeyPress(TestDoc(), uint8_t('a' + i % 26));
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    const std::vector<uint8_t> journal = JournalBytes();
    Engine::TJournalReader reader(journal);
    Engine::TJournalHeader header;
    Check(reader.ReadHeader(header), "the journal's header");
    const int64_t headerLength = reader.ValidLength();
    int64_t records = 0, typed = 0;
    Engine::TRecordView record;
    while (reader.Next(record)) {
        ++records;
        typed += record.Head.NewLength;
    }
    Check(typed == Typed && reader.ValidLength() == int64_t(journal.size()), "the journal's records");
    const int64_t heads = records * Engine::EncodedRecordSize(1, 0);
    std::printf(
        "  (%zu journal bytes for %d typed bytes: a header of %lld, %lld writes of a %lld-byte head)\n",
        journal.size(), Typed, (long long)headerLength, (long long)records,
        (long long)Engine::EncodedRecordSize(1, 0));
    ResetBenchEngine();
    return double(int64_t(journal.size()) - headerLength - heads) / Typed;
}

// 100,000 one-byte overwrites of 256 MiB, each a step of its own: replayed from their journal against
// making them (both record the undo steps). The file is loaded afresh before each, untimed.
double ReplayRatio() {
    constexpr int Steps = 100000;
    TTestRandom random(7);
    std::vector<TAddress> at(Steps);
    std::vector<uint8_t> value(Steps);
    for (int i = 0; i < Steps; ++i) {
        at[size_t(i)] = 1 + int64_t(random.Generator() % uint64_t(BigSize));
        value[size_t(i)] = uint8_t(random.Generator());
    }
    auto make = [&] {
        for (int i = 0; i < Steps; ++i) {
            Engine::TUndoStep step(TestDoc(), Engine::TStepName::Change);
            Engine::OverwriteBytesAt(TestDoc(), at[size_t(i)], {&value[size_t(i)], 1});
        }
        TestDoc().Modified = true;
    };
    Load(BigSize, true);
    make();
    const std::vector<uint8_t> journal = JournalBytes();
    std::vector<uint8_t> expected, replayed;
    Check(TestDoc().Store.Read(1, 4096, expected), "reading the made steps");
    bool right = true;
    auto direct = [&] {
        Load(BigSize, false);
        const double start = NowSeconds();
        make();
        return NowSeconds() - start;
    };
    auto replay = [&] {
        Load(BigSize, false);
        const double start = NowSeconds();
        Engine::TJournalReader reader(journal);
        Engine::TJournalHeader header;
        right = right && reader.ReadHeader(header);
        const Engine::TReplayOutcome outcome = Engine::ReplayJournal(TestDoc(), reader, Steps, "bench");
        const double seconds = NowSeconds() - start;
        right = right && outcome.Complete && outcome.Changes == Steps &&
                TestDoc().Undo.Journal.Steps.size() == size_t(Steps) &&
                TestDoc().Store.Read(1, 4096, replayed) && replayed == expected;
        return seconds;
    };
    const double ratio = InterleavedRatio(replay, direct, 5);
    ResetBenchEngine();
    Check(right, "the replay");
    return ratio;
}

[[maybe_unused]] const bool Registered = [] {
    RegisterGoal("load 256 MiB in-process: recovery hash on / off", 1.05, LoadHashRatio);
    RegisterGoal("recovery journal bytes per typed byte (10,000, less heads)", 2, BytesPerTypedByte);
    RegisterGoal("replay 100,000 1-byte steps on 256 MiB / making them", 1.2, ReplayRatio);
    return true;
}();

} // namespace
