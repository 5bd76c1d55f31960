// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"
#include "common/TestDocument.h"

#include "engine/store/PieceStore.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileCommands.h"
#include "engine/files/FileIo.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace Engine;

namespace {

constexpr int64_t Loaded = 978307200; // the time the file has when it is opened

class DiskWatchTest : public TEngineTest {
  protected:
    void SetUp() override {
        TEngineTest::SetUp();
        Path = Dir.PathOf("data.bin");
        OtherProgramWrites(PatternBytes(100));
        ASSERT_TRUE(OpenFile(TestDoc(), Path, false));
        Host.ForgetRecords();
    }
    void SetMTime(int64_t seconds, long nanoseconds) {
        timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
        ASSERT_EQ(utimensat(AT_FDCWD, Path.c_str(), times, 0), 0);
    }
    // New bytes under the name, with the time the file was loaded with.
    void OtherProgramWrites(const std::vector<uint8_t>& bytes) {
        Dir.Write("data.bin", bytes);
        SetMTime(Loaded, 0);
    }
    // The same bytes and time through a new file renamed over the old one: only the inode tells.
    void OtherProgramReplaces() {
        const std::string fresh = Dir.Write("fresh.bin", TTempDir::Read(Path));
        ASSERT_EQ(std::rename(fresh.c_str(), Path.c_str()), 0);
        SetMTime(Loaded, 0);
    }

    TTempDir Dir;
    std::string Path;
};

// Each way another program can change the file is noticed at activation and told once; Yes loads the
// file again.
TEST_F(DiskWatchTest, ActivationTellsOfAChangeOnDiskOnce) {
    const std::string changed = "data.bin was changed by another program. Load it again?";
    struct TCase {
        std::function<void()> Change;
        bool ModifiedHere;
        int Answer;
        std::string Message; // empty: none
    };
    const std::vector<TCase> cases = {
        {[] {}, false, 0, ""},
        {[&] { OtherProgramWrites(PatternBytes(101, 7)); }, false, mrNo, changed},
        {[&] { SetMTime(Loaded, 1); }, false, mrNo, changed},
        {[&] { OtherProgramReplaces(); }, false, mrNo, changed},
        {[&] { OtherProgramWrites(PatternBytes(101, 7)); }, false, mrYes, changed},
        {[&] { OtherProgramWrites(PatternBytes(101, 7)); }, true, mrNo,
         "data.bin was changed by another program. Your changes would be lost. Load it again?"},
        {[&] { std::remove(Path.c_str()); }, false, 0,
         "data.bin was deleted by another program. Save writes it anew."},
    };
    for (const TCase& c : cases) {
        const std::string what = "case " + std::to_string(&c - cases.data());
        OtherProgramWrites(PatternBytes(100));
        ASSERT_TRUE(OpenFile(TestDoc(), Path, false));
        TestDoc().Modified = c.ModifiedHere;
        Host.ForgetRecords();
        c.Change();
        if (c.Answer) Host.YesNoAnswers = {c.Answer};
        CheckDiskOnActivate(TestDoc());
        EXPECT_EQ(Host.MessageTexts(), c.Message.empty() ? std::vector<std::string>{}
                                                         : std::vector<std::string>{c.Message})
            << what;
        // Kept, the document reads the file as it is now: its size and edits stay, the file's bytes are
        // read where they lie (the help says so).
        if (c.Answer == mrYes)
            EXPECT_EQ(Bytes(), PatternBytes(101, 7)) << what;
        else
            EXPECT_EQ(TestDoc().Store.FileSize(), 100) << what;
        EXPECT_EQ(TestDoc().Modified, c.ModifiedHere) << what;
        Host.ForgetRecords();
        CheckDiskOnActivate(TestDoc());
        EXPECT_TRUE(Host.Messages.empty()) << what;
    }
    // The file comes back, and changes again after a No: each is asked about.
    Host.ForgetRecords();
    Host.YesNoAnswers = {mrNo, mrNo};
    OtherProgramWrites(PatternBytes(100, 1));
    // Its own time: the new file may get the deleted one's inode, and size and time alone would then match.
    SetMTime(Loaded + 2, 0);
    CheckDiskOnActivate(TestDoc());
    SetMTime(Loaded + 5, 0);
    CheckDiskOnActivate(TestDoc());
    EXPECT_EQ(Host.QuestionTexts(), (std::vector<std::string>{changed, changed}));
}

// A save over a file another program changed asks first; a deleted one is written anew; after a save,
// the file as saved is the one compared with.
TEST_F(DiskWatchTest, SaveAsksBeforeWritingOverAChangeOnDisk) {
    const std::vector<std::string> question = {
        "data.bin was changed by another program since it was loaded. Save over it?"};
    OpenBytes(PatternBytes(50, 3));
    TestDoc().Modified = true;
    OtherProgramReplaces();
    Host.YesNoAnswers = {mrNo};
    EXPECT_FALSE(Save1Click(TestDoc()));
    EXPECT_EQ(TTempDir::Read(Path), PatternBytes(100));
    EXPECT_TRUE(TestDoc().Modified);
    CheckDiskOnActivate(TestDoc()); // the change was told of
    EXPECT_EQ(Host.QuestionTexts(), question);

    Host.ForgetRecords();
    Host.YesNoAnswers = {mrYes};
    EXPECT_TRUE(Save1Click(TestDoc()));
    EXPECT_EQ(TTempDir::Read(Path), PatternBytes(50, 3));
    CheckDiskOnActivate(TestDoc());
    EXPECT_TRUE(Save1Click(TestDoc()));
    EXPECT_EQ(Host.QuestionTexts(), question);

    Host.ForgetRecords();
    std::remove(Path.c_str());
    EXPECT_TRUE(Save1Click(TestDoc()));
    EXPECT_TRUE(Host.Messages.empty());
    EXPECT_EQ(TTempDir::Read(Path), PatternBytes(50, 3));
}

} // namespace
