// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"
#include "common/TestDocument.h"
#include "common/TestRandom.h"

#include "engine/editing/Editing.h"
#include "engine/editing/PaneEditing.h"
#include "engine/editing/Undo.h"
#include "engine/files/FileCommands.h"
#include "engine/files/FileIo.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace Engine;

namespace {

using TBytes = std::vector<uint8_t>;
constexpr int64_t Block = 4096;

// Thrown by the fault seam: everything stops at that step, as in a power cut.
struct TPowerCut {};

class SaveInPlaceTest : public TEngineTest {
  protected:
    void SetUp() override {
        TEngineTest::SetUp();
        TestApp().RecoveryFolder = State.PathOf("recovery");
        TestApp().TextMode = false;
        TestApp().OverwriteMode = true;
    }
    void TearDown() override {
        TestApp().SaveFaults = nullptr;
        TestApp().RollbackJournal.reset();
        TEngineTest::TearDown();
    }
    // One undo step typed over at in the hex pane; the same on the model.
    void Type(TAddress at, const TBytes& bytes, TBytes& model) {
        PutCursorOn(at);
        for (const uint8_t byte : bytes)
            for (const int digit : {byte >> 4, byte & 15})
                PaneKeyPress(TestDoc(), static_cast<uint8_t>("0123456789abcdef"[digit]));
        SealUndoStep(TestDoc());
        std::copy(bytes.begin(), bytes.end(), model.begin() + (at - 1));
    }
    // Saved to Path; true when it went in place (the file kept its inode).
    bool Save() {
        const ino_t before = Inode();
        EXPECT_TRUE(SaveFile(TestDoc(), Path, false, 1, 0));
        EXPECT_FALSE(TestDoc().Modified);
        return Inode() == before;
    }
    ino_t Inode() const {
        struct stat st {};
        return ::stat(Path.c_str(), &st) == 0 ? st.st_ino : 0;
    }
    // The blocks of the file that hold data: a write into a hole gives it one.
    std::set<int64_t> DataBlocks() const {
        std::set<int64_t> blocks;
        const int fd = ::open(Path.c_str(), O_RDONLY);
        for (off_t at = 0;;) {
            const off_t data = ::lseek(fd, at, SEEK_DATA);
            if (data < 0) break;
            at = ::lseek(fd, data, SEEK_HOLE);
            for (int64_t block = data / Block; block * Block < at; ++block)
                blocks.insert(block);
        }
        ::close(fd);
        return blocks;
    }
    std::vector<std::string> InfoTexts() const {
        std::vector<std::string> texts;
        for (const TFakeHost::TMessage& message : Host.Messages)
            if (message.Kind == TFakeHost::TMessageKind::Info) texts.push_back(message.Text);
        return texts;
    }

    TTempDir Dir;
    TTempDir State;
    std::string Path = Dir.PathOf("file.bin");
};

// Overwrites are written range by range over the file itself (no write lands in a block they leave alone);
// undo and redo after saves of both kinds give back the bytes of their moment, saved byte for byte.
TEST_F(SaveInPlaceTest, OverwritesAreWrittenInPlaceAndUndoAndRedoSaveBackExactly) {
    constexpr int64_t Size = 4 << 20;
    TBytes model(static_cast<size_t>(Size), 0);
    const TBytes island = TTestRandom(1).Bytes(3 * Block);
    std::copy(island.begin(), island.end(), model.begin() + 5 * Block);
    Dir.Write("file.bin", {});
    {
        // Sparse but for the island.
        const int fd = ::open(Path.c_str(), O_WRONLY);
        ASSERT_EQ(::pwrite(fd, island.data(), island.size(), 5 * Block), static_cast<ssize_t>(island.size()));
        ASSERT_EQ(::ftruncate(fd, Size), 0);
        ::close(fd);
    }
    // The file's date is kept where the user asks for it.
    const timespec date[2] = {{978307200, 0}, {978307200, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Path.c_str(), date, 0), 0);
    TestApp().OldFileTime = true;
    ASSERT_TRUE(OpenFile(TestDoc(), Path, false));
    std::vector<TBytes> models{model};
    std::set<int64_t> blocks = DataBlocks();
    ASSERT_EQ(blocks, (std::set<int64_t>{5, 6, 7}));
    // Bytes of the island copied over a hole far after it: their pieces read the file where the typing
    // below writes, so they must still read the old bytes when the save reaches them.
    constexpr TAddress Copied = 5 * Block + 97, To = 1 << 21;
    MarkFromTo(Copied, Copied + 15);
    PutCursorOn(To);
    Blockcopy1Click(TestDoc(), TBlockCopyKind::Overwrite);
    Blockunmark1Click(TestDoc());
    SealUndoStep(TestDoc());
    std::copy_n(model.begin() + (Copied - 1), 16, model.begin() + (To - 1));
    models.push_back(model);
    blocks.insert({(To - 1) / Block, (To + 14) / Block});
    TTestRandom random(2);
    // In the island, across a block's end, in holes far apart, the file's first and last bytes.
    for (const TAddress at : {TAddress{5 * Block + 100}, TAddress{9 * Block - 2}, TAddress{1 << 19},
                              TAddress{Size - 3 * Block}, TAddress{1}, TAddress{Size - 4}}) {
        const TBytes typed = random.Bytes(5);
        Type(at, typed, model);
        models.push_back(model);
        for (TAddress a = at; a < at + 5; ++a)
            blocks.insert((a - 1) / Block);
    }
    ASSERT_TRUE(Save());
    EXPECT_EQ(TTempDir::Read(Path), model);
    EXPECT_EQ(DataBlocks(), blocks);
    struct stat st {};
    ASSERT_EQ(::stat(Path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 978307200);
    TestApp().OldFileTime = false;
    EXPECT_TRUE(Host.Messages.empty());

    // Back over the save, forward again, each saved in place.
    for (const int back : {3, 7}) {
        for (int i = 0; i < back; ++i)
            Undo1Click(TestDoc());
        EXPECT_TRUE(Save());
        EXPECT_EQ(TTempDir::Read(Path), models[models.size() - 1 - back]) << back;
        for (int i = 0; i < back - 1; ++i)
            Redo1Click(TestDoc());
        EXPECT_TRUE(Save());
        EXPECT_EQ(TTempDir::Read(Path), models[models.size() - 2]) << back;
        Redo1Click(TestDoc());
    }
    // An insertion and its undo stream new files; the overwrites' undo and redo after them go in place
    // again, over bytes of the first file.
    PutCursorOn(7);
    TestApp().OverwriteMode = false;
    PaneKeyPress(TestDoc(), 'a');
    PaneKeyPress(TestDoc(), 'b');
    SealUndoStep(TestDoc());
    TestApp().OverwriteMode = true;
    EXPECT_FALSE(Save());
    EXPECT_EQ(TTempDir::Read(Path).size(), static_cast<size_t>(Size + 1));
    Undo1Click(TestDoc());
    EXPECT_FALSE(Save());
    EXPECT_EQ(TTempDir::Read(Path), model);
    for (size_t i = 1; i < models.size(); ++i)
        Undo1Click(TestDoc());
    EXPECT_TRUE(Save());
    EXPECT_EQ(TTempDir::Read(Path), models[0]);
    for (int i = 0; i < 4; ++i)
        Redo1Click(TestDoc());
    EXPECT_TRUE(Save());
    EXPECT_EQ(TTempDir::Read(Path), models[4]);
    EXPECT_TRUE(Host.ErrorTexts().empty());
}

// A save in place that fails or is cut off at any of its writes and flushes leaves the file wholly old or
// wholly new once it is opened again, and the repair says so, naming the file.
TEST_F(SaveInPlaceTest, ASaveCutAtAnyWriteOrFlushIsOldOrNewAfterTheRepairAtTheNextOpen) {
    using FileAccess::TJournalStep;
    const TBytes old = TTestRandom(3).Bytes(20000);
    TBytes fresh = old;
    auto edit = [&] {
        TBytes model = old;
        TTestRandom random(4);
        for (const TAddress at : {TAddress{1}, TAddress{700}, TAddress{4095}, TAddress{15000}, TAddress{19996}})
            Type(at, random.Bytes(5), model);
        return model;
    };
    Dir.Write("file.bin", old);
    ASSERT_TRUE(OpenFile(TestDoc(), Path, false));
    fresh = edit();
    std::vector<TJournalStep> steps;
    TestApp().SaveFaults = [&](TJournalStep step) {
        steps.push_back(step);
        return 0;
    };
    ASSERT_TRUE(Save());
    ASSERT_EQ(TTempDir::Read(Path), fresh);
    const size_t flushed = std::find(steps.begin(), steps.end(), TJournalStep::FileSync) - steps.begin();
    const size_t journalled = std::find(steps.begin(), steps.end(), TJournalStep::JournalSync) - steps.begin();
    ASSERT_LT(flushed, steps.size());

    enum class TMode { Fail, PowerCut, FailThenPowerCut };
    for (size_t k = 0; k < steps.size(); ++k) {
        for (const TMode mode : {TMode::Fail, TMode::PowerCut, TMode::FailThenPowerCut}) {
            SCOPED_TRACE(testing::Message() << "step " << k << " mode " << static_cast<int>(mode));
            // A fresh start of the program on the old file.
            TestApp().SaveFaults = nullptr;
            TestApp().RollbackJournal.reset();
            Dir.Write("file.bin", old);
            ASSERT_TRUE(OpenFile(TestDoc(), Path, false));
            edit();
            Host.ForgetRecords();
            size_t calls = 0;
            TestApp().SaveFaults = [&](TJournalStep) {
                const size_t call = calls++;
                if ((call == k && mode == TMode::PowerCut) || (call == k + 1 && mode == TMode::FailThenPowerCut))
                    throw TPowerCut{};
                return call == k ? EIO : 0;
            };
            bool cut = false;
            try {
                SaveFile(TestDoc(), Path, false, 1, 0);
            } catch (const TPowerCut&) {
                cut = true;
            }
            TestApp().SaveFaults = nullptr;
            if (cut) TestApp().RollbackJournal.reset(); // the program is gone: its journal stays
            const TBytes left = TTempDir::Read(Path);
            // A failed write or flush of the file puts the old bytes back (a cut before any went back
            // leaves the new ones whole); a journal that cannot be written lets the save stream instead.
            const bool fileStep = steps[k] == TJournalStep::FileWrite || steps[k] == TJournalStep::FileSync;
            const bool isNew = mode == TMode::PowerCut ? k >= flushed
                               : mode == TMode::Fail   ? !fileStep
                                                       : !fileStep || k == flushed;
            if (!cut) {
                EXPECT_EQ(left, isNew ? fresh : old);
            }
            EXPECT_EQ(Host.ErrorTexts().empty(), isNew || cut);

            Host.ForgetRecords();
            ASSERT_TRUE(OpenFile(TestDoc(), Path, false));
            EXPECT_EQ(TTempDir::Read(Path), isNew ? fresh : old);
            EXPECT_EQ(Bytes(), isNew ? fresh : old);
            const std::vector<std::string> told = InfoTexts();
            // A journal written whole is found: the file is put back, or found saved, and the user told.
            const bool rolledBack = cut && !isNew && (mode != TMode::PowerCut || k >= journalled);
            if (left != old && left != fresh) {
                EXPECT_TRUE(rolledBack);
            }
            std::vector<std::string> expected;
            if (rolledBack) expected.push_back(FormatText(Texts::SaveInPlaceRolledBack, {Path}));
            if (cut && isNew) expected.push_back(FormatText(Texts::SaveInPlaceCompleted, {Path}));
            EXPECT_EQ(told, expected);
            EXPECT_TRUE(Host.ErrorTexts().empty());
        }
    }
}

} // namespace
