// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"

#include "common/TestRandom.h"
#include "engine/files/StoreSave.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <unistd.h>

using namespace Engine;
using namespace FileAccess;

namespace {

using TBytes = std::vector<uint8_t>;

// Thrown by the fault seam: everything stops at that step, as in a power cut.
struct TPowerCut {};

TBytes Contents(const TStoreSnapshot& snapshot) {
    TBytes bytes(static_cast<size_t>(snapshot.Size()));
    EXPECT_TRUE(snapshot.CopyOut(1, bytes).Readable());
    return bytes;
}

class StoreSaveTest : public ::testing::Test {
  protected:
    // The file at Path opened into Store.
    void Open(const TDeviceProbe& probe = SystemDeviceProbe()) {
        ASSERT_EQ(TFileSource::Open(Path, Source, probe), 0);
        Store.Load(Source, Source->Size());
    }
    // Overwrites at a few places, two of them side by side and one over the file's first byte; the same
    // on the model.
    TBytes Overwrite(const TBytes& model, uint32_t seed) {
        TTestRandom random(seed);
        TBytes bytes = model;
        for (const TAddress at : {TAddress{1}, TAddress{700}, TAddress{705}, TAddress{9000}, TAddress{15000}}) {
            const TBytes typed = random.Bytes(5);
            EXPECT_TRUE(Store.Overwrite(at, typed));
            std::copy(typed.begin(), typed.end(), bytes.begin() + (at - 1));
        }
        // Bytes of the file itself carried over a changed range: read as they were, not as just written.
        EXPECT_TRUE(Store.RemoveBytes(9001, 3));
        EXPECT_TRUE(Store.InsertFrom(9001, Store.Snapshot(), 701, 3));
        std::copy_n(bytes.begin() + 700, 3, bytes.begin() + 9000);
        return bytes;
    }
    // Journals still in force (a wiped one, its first bytes zero, is only kept for the next save).
    size_t JournalsLeft() const {
        std::error_code error;
        size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(Journals, error)) {
            const TBytes bytes = TTempDir::Read(entry.path().string());
            count += bytes.size() >= 8 && std::any_of(bytes.begin(), bytes.begin() + 8, [](uint8_t b) { return b; });
        }
        return count;
    }

    TTempDir Dir;
    std::string Path = Dir.PathOf("file.bin");
    std::string Journals = Dir.PathOf("journals");
    std::shared_ptr<TFileSource> Source;
    TPieceStore Store;
    // The program's journal; reset where the program ends (a power cut).
    std::unique_ptr<TRollbackJournal> Journal = std::make_unique<TRollbackJournal>(Journals);
};

TEST_F(StoreSaveTest, InPlaceSaveEndsOldOrNewWhereverAWriteOrFlushFailsOrThePowerGoes) {
    const TBytes old = TTestRandom(1).Bytes(20000);
    Dir.Write("file.bin", old);
    Open();
    const TStoreSnapshot saved = Store.Snapshot();
    const TBytes fresh = Overwrite(old, 2);
    std::vector<TJournalStep> steps;
    ASSERT_TRUE(SaveChangedInPlace(*Source, Store.Snapshot(), Store.Snapshot().ChangedSince(saved), *Journal,
                                   [&](TJournalStep step) {
                                       steps.push_back(step);
                                       return 0;
                                   })
                    .Ok());
    ASSERT_EQ(TTempDir::Read(Path), fresh);
    EXPECT_EQ(JournalsLeft(), 0u);
    // The new bytes are on disk once the file's flush is done.
    const size_t flushed = std::find(steps.begin(), steps.end(), TJournalStep::FileSync) - steps.begin();
    ASSERT_LT(flushed, steps.size());

    enum class TMode { Fail, PowerCut, FailThenPowerCut };
    for (size_t k = 0; k < steps.size(); ++k) {
        for (const TMode mode : {TMode::Fail, TMode::PowerCut, TMode::FailThenPowerCut}) {
            SCOPED_TRACE(testing::Message() << "step " << k << " mode " << static_cast<int>(mode));
            Dir.Write("file.bin", old);
            Open();
            Journal = std::make_unique<TRollbackJournal>(Journals);
            const TStoreSnapshot before = Store.Snapshot();
            Overwrite(old, 2);
            size_t calls = 0;
            const TJournalFaults faults = [&](TJournalStep) {
                const size_t call = calls++;
                if ((call == k && mode == TMode::PowerCut) || (call == k + 1 && mode == TMode::FailThenPowerCut))
                    throw TPowerCut{};
                return call == k ? EIO : 0;
            };
            TInPlaceResult result;
            bool cut = false;
            try {
                result = SaveChangedInPlace(*Source, Store.Snapshot(), Store.Snapshot().ChangedSince(before), *Journal,
                                            faults);
            } catch (const TPowerCut&) {
                cut = true;
            }
            const TBytes after = TTempDir::Read(Path);
            if (!cut) {
                // A failure the save lived through: it says so and put the old bytes back, or it had finished.
                EXPECT_TRUE(result.Ok() ? after == fresh : (after == old && result.FileIntact));
                EXPECT_EQ(!result.JournalLeft.empty(), JournalsLeft() > 0);
            }
            // The next start: whatever was left, the file is wholly old or wholly new, and no journal stays.
            Journal.reset();
            for (const TRepair& repair : RepairFromJournals(Journals))
                EXPECT_NE(repair.Outcome, TRepairOutcome::Failed);
            // New once every byte was written; a save that lives through a failed flush puts the old ones back.
            const bool written = k > flushed || (k == flushed && mode != TMode::Fail);
            EXPECT_EQ(TTempDir::Read(Path), written ? fresh : old);
            EXPECT_EQ(JournalsLeft(), 0u);
            // The snapshot before the save still reads the old bytes, whatever the disk now holds.
            EXPECT_EQ(Contents(before), old);
        }
    }
}

TEST_F(StoreSaveTest, ARepairThatFailsKeepsItsJournalAndAJournalForAnotherFileTouchesNothing) {
    const TBytes old = TTestRandom(3).Bytes(20000);
    Dir.Write("file.bin", old);
    Open();
    const TStoreSnapshot before = Store.Snapshot();
    Overwrite(old, 4);
    bool written = false;
    EXPECT_THROW(SaveChangedInPlace(*Source, Store.Snapshot(), Store.Snapshot().ChangedSince(before), *Journal,
                                    [&](TJournalStep step) {
                                        if (step == TJournalStep::FileWrite && written) throw TPowerCut{};
                                        if (step == TJournalStep::FileWrite) {
                                            // Another instance starting meanwhile leaves the running save alone.
                                            const std::vector<TRepair> repairs = RepairFromJournals(Journals);
                                            EXPECT_EQ(repairs.size(), 1u);
                                            EXPECT_EQ(repairs.at(0).Outcome, TRepairOutcome::InUse);
                                        }
                                        written = written || step == TJournalStep::FileWrite;
                                        return 0;
                                    }),
                 TPowerCut);
    Journal.reset();
    ASSERT_NE(TTempDir::Read(Path), old);
    std::vector<TRepair> repairs = RepairFromJournals(
        Journals, [](TJournalStep step) { return step == TJournalStep::RestoreSync ? EIO : 0; });
    ASSERT_EQ(repairs.size(), 1u);
    EXPECT_EQ(repairs[0].Outcome, TRepairOutcome::Failed);
    EXPECT_EQ(repairs[0].Target, Path);
    EXPECT_EQ(JournalsLeft(), 1u);

    // Another file renamed over the name since: the journal's bytes are not for it.
    const TBytes other = TTestRandom(5).Bytes(20000);
    Dir.Write("other.bin", other);
    ASSERT_EQ(::rename(Dir.PathOf("other.bin").c_str(), Path.c_str()), 0);
    repairs = RepairFromJournals(Journals);
    EXPECT_EQ(repairs[0].Outcome, TRepairOutcome::Failed);
    EXPECT_EQ(TTempDir::Read(Path), other);
    EXPECT_EQ(JournalsLeft(), 1u);

    // A journal cut short was never flushed: the file was not touched then, and it goes.
    const std::string journal = std::filesystem::directory_iterator(Journals)->path().string();
    ASSERT_EQ(::truncate(journal.c_str(), 100), 0);
    repairs = RepairFromJournals(Journals);
    EXPECT_EQ(repairs[0].Outcome, TRepairOutcome::Discarded);
    EXPECT_EQ(TTempDir::Read(Path), other);
    EXPECT_EQ(JournalsLeft(), 0u);
}

TEST_F(StoreSaveTest, UndoReadsTheOldBytesAfterSavesInPlaceAndByRename) {
    const TBytes old = TTestRandom(6).Bytes(20000);
    Dir.Write("file.bin", old);
    Open();
    const TStoreSnapshot opened = Store.Snapshot();
    TBytes model = Overwrite(old, 7);
    ASSERT_TRUE(SaveChangedInPlace(*Source, Store.Snapshot(), Store.Snapshot().ChangedSince(opened), *Journal).Ok());
    // A second save in place over some of the same bytes: the bytes as opened stay what was kept first.
    const TStoreSnapshot first = Store.Snapshot();
    const TBytes firstModel = model;
    model = Overwrite(model, 8);
    ASSERT_TRUE(Store.Overwrite(2, TBytes{9, 9}));
    model[1] = model[2] = 9;
    ASSERT_TRUE(SaveChangedInPlace(*Source, Store.Snapshot(), Store.Snapshot().ChangedSince(first), *Journal).Ok());
    EXPECT_EQ(TTempDir::Read(Path), model);
    EXPECT_EQ(Contents(opened), old);
    EXPECT_EQ(Contents(first), firstModel);

    // Then insertions: the whole contents go to a new file renamed over the old one, whose bytes the
    // earlier snapshots go on reading.
    ASSERT_TRUE(Store.Insert(5000, TBytes(300, 7)));
    model.insert(model.begin() + 4999, 300, 7);
    TReplaceRequest request;
    request.CopyFolder = Journals;
    int64_t written = 0;
    const TReplaceResult saved = SaveByStreaming(Path, Store.Snapshot(), request, Source, [&](std::span<const uint8_t> bytes) {
        written += static_cast<int64_t>(bytes.size());
        return true;
    });
    ASSERT_TRUE(saved.Ok()) << saved.Code;
    EXPECT_EQ(written, static_cast<int64_t>(model.size()));
    EXPECT_EQ(TTempDir::Read(Path), model);
    EXPECT_EQ(Contents(opened), old);
    EXPECT_EQ(Contents(first), firstModel);
}

TEST_F(StoreSaveTest, AFileWithTwoNamesIsRewrittenFromItsCopyAndNeverWithoutOne) {
    const TBytes old = TTestRandom(10).Bytes(30000);
    Dir.Write("file.bin", old);
    ASSERT_EQ(::link(Path.c_str(), Dir.PathOf("second.bin").c_str()), 0);
    Open();
    const TStoreSnapshot opened = Store.Snapshot();
    // The file's own bytes moved down: written in place, they would be read back after being overwritten.
    TBytes model = old;
    ASSERT_TRUE(Store.Insert(1, TBytes(1000, 1)));
    ASSERT_TRUE(Store.RemoveBytes(30001, 1000));
    model.insert(model.begin(), 1000, 1);
    model.resize(30000);
    TReplaceRequest request;
    request.CopyFolder = Journals;
    request.ConfirmNoCopy = [] { return true; };

    InjectedFault = [](TCall call) { return call == TCall::CreateCopy ? ENOSPC : 0; };
    TReplaceResult saved = SaveByStreaming(Path, Store.Snapshot(), request, Source);
    InjectedFault = nullptr;
    EXPECT_FALSE(saved.Ok());
    EXPECT_EQ(TTempDir::Read(Path), old);

    saved = SaveByStreaming(Path, Store.Snapshot(), request, Source);
    ASSERT_TRUE(saved.Ok()) << saved.Code;
    EXPECT_EQ(TTempDir::Read(Path), model);
    EXPECT_EQ(TTempDir::Read(Dir.PathOf("second.bin")), model);
    EXPECT_EQ(Contents(opened), old);
    // The source now reads the copy: a save in place must open the file afresh, or the bytes it kept for
    // the history would be the new ones.
    const TStoreSnapshot written = Store.Snapshot();
    ASSERT_TRUE(Store.WriteByte(5, 0));
    EXPECT_FALSE(SaveChangedInPlace(*Source, Store.Snapshot(), Store.Snapshot().ChangedSince(written), *Journal).Ok());
    EXPECT_EQ(TTempDir::Read(Path), model);
}

TEST_F(StoreSaveTest, AFileShortenedFromOutsideReadsAsUnreadableAndIsNeverSavedWithMadeUpBytes) {
    const TBytes old = TTestRandom(12).Bytes(100000);
    Dir.Write("file.bin", old);
    Open();
    ASSERT_TRUE(Store.Insert(10, TBytes{1, 2, 3}));
    ASSERT_EQ(::truncate(Path.c_str(), 50000), 0);
    EXPECT_EQ(Store.ByteAt(5), old[4]);
    EXPECT_EQ(Store.ByteAt(50003), old[49999]);
    EXPECT_EQ(Store.ByteAt(50004), UnreadableByte);
    EXPECT_EQ(Store.ByteAt(100003), UnreadableByte);
    EXPECT_TRUE(Source->ReadFailed());

    TReplaceRequest request;
    const TReplaceResult saved = SaveByStreaming(Path, Store.Snapshot(), request, Source);
    EXPECT_EQ(saved.Code, DosError::GeneralFailure);
    EXPECT_EQ(TTempDir::Read(Path), TBytes(old.begin(), old.begin() + 50000));
    // In place, the size no longer fits: nothing is written.
    TPieceStore same;
    same.Load(Source, Source->Size());
    const TStoreSnapshot before = same.Snapshot();
    same.WriteByte(1, 0);
    EXPECT_FALSE(SaveChangedInPlace(*Source, same.Snapshot(), same.Snapshot().ChangedSince(before), *Journal).Ok());
    EXPECT_EQ(TTempDir::Read(Path), TBytes(old.begin(), old.begin() + 50000));
}

TEST_F(StoreSaveTest, ADeviceTakesItsSizeFromTheProbeAndIsWrittenInWholeSectors) {
    EXPECT_EQ(WholeSectors({{9000, 1}, {8193, 10}, {12000, 300}, {1, 1}}, 4096, 20000),
              (std::vector<TRange>{{1, 4096}, {8193, 8192}}));
    EXPECT_EQ(WholeSectors({{10, 1}, {9000, 1}}, 512, 9100), (std::vector<TRange>{{1, 512}, {8705, 396}}));

    const TBytes old = TTestRandom(13).Bytes(10000);
    Dir.Write("file.bin", old);
    TDeviceProbe probe;
    probe.IsDevice = [](int) { return true; };
    probe.DeviceSize = [](int) -> int64_t { return 8192; };
    probe.SectorSize = [](int) { return 4096; };
    Open(probe);
    ASSERT_TRUE(Source->IsDevice());
    ASSERT_EQ(Store.FileSize(), 8192);
    const TStoreSnapshot before = Store.Snapshot();
    ASSERT_TRUE(Store.WriteByte(5000, 0xEE));
    // Stopped at its first write to the device, the save has journalled the whole sector around the byte.
    EXPECT_THROW(SaveChangedInPlace(*Source, Store.Snapshot(), Store.Snapshot().ChangedSince(before), *Journal,
                                    [](TJournalStep step) -> int {
                                        if (step == TJournalStep::FileWrite) throw TPowerCut{};
                                        return 0;
                                    }),
                 TPowerCut);
    const std::string journal = std::filesystem::directory_iterator(Journals)->path().string();
    EXPECT_GT(std::filesystem::file_size(journal), 4096u);
    Journal = std::make_unique<TRollbackJournal>(Journals);
    EXPECT_EQ(RepairFromJournals(Journals)[0].Outcome, TRepairOutcome::RolledBack);
    ASSERT_TRUE(SaveChangedInPlace(*Source, Store.Snapshot(), Store.Snapshot().ChangedSince(before), *Journal).Ok());
    TBytes model = old;
    model[4999] = 0xEE;
    EXPECT_EQ(TTempDir::Read(Path), model);
}

} // namespace
