#include "FakeHost.h"

#include "engine/ByteStore.h"
#include "engine/EngineState.h"
#include "engine/FileCommands.h"
#include "engine/FileIo.h"

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
        ASSERT_TRUE(AllocateBuffer());
        Path = Dir.Write("data.bin", PatternBytes(100));
        SetMTime(Path, Loaded, 0);
        ASSERT_TRUE(OpenFile(Path, false));
        Host.ForgetRecords();
    }
    static void SetMTime(const std::string& path, int64_t seconds, long nanoseconds) {
        timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
    // Another program's save: new bytes under the name, with the time the file was loaded with.
    void OtherProgramWrites(const std::vector<uint8_t>& bytes) {
        Dir.Write("data.bin", bytes);
        SetMTime(Path, Loaded, 0);
    }
    // Another program's save through a new file renamed over the old one: only the inode tells.
    void OtherProgramReplaces() {
        const std::string fresh = Dir.Write("fresh.bin", PatternBytes(100));
        SetMTime(fresh, Loaded, 0);
        ASSERT_EQ(std::rename(fresh.c_str(), Path.c_str()), 0);
    }

    TTempDir Dir;
    std::string Path;
};

// Each way another program can change the file is noticed at activation and asked about once; a
// deleted file is told of.
TEST_F(DiskWatchTest, ActivationTellsOfAChangeOnDiskOnce) {
    const std::string changed = "data.bin was changed by another program. Load it again?";
    const std::string changedModified =
        "data.bin was changed by another program. Your changes would be lost. Load it again?";
    struct TCase {
        const char* What;
        std::function<void()> Change;
        bool ModifiedHere;
        int Answer;
        std::vector<std::string> Messages;
        bool Reloaded;
    };
    const std::vector<TCase> cases = {
        {"nothing", [] {}, false, 0, {}, false},
        {"size", [&] { OtherProgramWrites(PatternBytes(101, 7)); }, false, mrNo, {changed}, false},
        {"time", [&] { SetMTime(Path, Loaded, 1); }, false, mrNo, {changed}, false},
        {"inode", [&] { OtherProgramReplaces(); }, false, mrNo, {changed}, false},
        {"size, reloaded", [&] { OtherProgramWrites(PatternBytes(101, 7)); }, false, mrYes, {changed}, true},
        {"modified here", [&] { OtherProgramWrites(PatternBytes(101, 7)); }, true, mrNo, {changedModified}, false},
        {"modified, reloaded", [&] { OtherProgramWrites(PatternBytes(101, 7)); }, true, mrYes, {changedModified},
         true},
        {"deleted", [&] { std::remove(Path.c_str()); }, false, 0,
         {"data.bin was deleted by another program. Save writes it anew."}, false},
    };
    for (const TCase& c : cases) {
        Dir.Write("data.bin", PatternBytes(100));
        SetMTime(Path, Loaded, 0);
        ASSERT_TRUE(OpenFile(Path, false));
        if (c.ModifiedHere) Modified = true;
        Host.ForgetRecords();
        c.Change();
        if (c.Answer) Host.YesNoAnswers = {c.Answer};
        CheckDiskOnActivate();
        EXPECT_EQ(Host.MessageTexts(), c.Messages) << c.What;
        EXPECT_EQ(Bytes(), c.Reloaded ? PatternBytes(101, 7) : PatternBytes(100)) << c.What;
        EXPECT_EQ(Modified, c.ModifiedHere && !c.Reloaded) << c.What;
        // The next activation has nothing new to tell.
        Host.ForgetRecords();
        CheckDiskOnActivate();
        EXPECT_TRUE(Host.Messages.empty()) << c.What;
    }
    // The file comes back, and changes again after a No: each is asked about.
    Host.ForgetRecords();
    Host.YesNoAnswers = {mrNo, mrNo};
    OtherProgramWrites(PatternBytes(100, 1));
    CheckDiskOnActivate();
    SetMTime(Path, Loaded + 5, 0);
    CheckDiskOnActivate();
    EXPECT_EQ(Host.QuestionTexts(), (std::vector<std::string>{changed, changed}));
}

// A save over a file another program changed asks first; a deleted one is written anew; after a save,
// the file as saved is the one compared with.
TEST_F(DiskWatchTest, SaveAsksBeforeWritingOverAChangeOnDisk) {
    const std::string question = "data.bin was changed by another program since it was loaded. Save over it?";
    OpenBytes(PatternBytes(50, 3));
    Modified = true;
    OtherProgramReplaces();
    Host.YesNoAnswers = {mrNo};
    EXPECT_FALSE(Save1Click());
    EXPECT_EQ(Host.QuestionTexts(), std::vector<std::string>{question});
    EXPECT_EQ(TTempDir::Read(Path), PatternBytes(100));
    EXPECT_TRUE(Modified);
    CheckDiskOnActivate(); // the change was told of
    EXPECT_EQ(Host.QuestionTexts(), std::vector<std::string>{question});

    Host.ForgetRecords();
    Host.YesNoAnswers = {mrYes};
    EXPECT_TRUE(Save1Click());
    EXPECT_EQ(TTempDir::Read(Path), PatternBytes(50, 3));
    Host.ForgetRecords();
    CheckDiskOnActivate();
    EXPECT_TRUE(Save1Click());
    EXPECT_TRUE(Host.Messages.empty());

    std::remove(Path.c_str());
    EXPECT_TRUE(Save1Click());
    EXPECT_TRUE(Host.Messages.empty());
    EXPECT_EQ(TTempDir::Read(Path), PatternBytes(50, 3));
}

} // namespace
