// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"
#include "common/TestDocument.h"

#include "common/OrdinaryUser.h"
#include "engine/store/PieceStore.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileAccess.h"
#include "engine/files/FileIo.h"
#include "engine/text/StringTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace Engine;

namespace {

constexpr int32_t Chunk = 131072;

class FileIoTest : public TEngineTest {
  protected:
    void SetUp() override {
        TEngineTest::SetUp();
        Host.ForgetRecords();
    }
    void TearDown() override {
        FileAccess::InjectedFault = nullptr;
        TEngineTest::TearDown();
    }
    // The call fails with err each time it is made.
    static void Inject(FileAccess::TCall call, int err) {
        FileAccess::InjectedFault = [call, err](FileAccess::TCall made) { return made == call ? err : 0; };
    }
    // Each listed call fails with EIO at its nth occurrence (counted from 1) and only there.
    static void InjectAt(std::vector<std::pair<FileAccess::TCall, int>> faults) {
        FileAccess::InjectedFault =
            [faults, made = std::map<FileAccess::TCall, int>()](FileAccess::TCall call) mutable {
                const int nth = ++made[call];
                return std::count(faults.begin(), faults.end(), std::pair{call, nth}) ? EIO : 0;
            };
    }
    static ino_t InodeOf(const std::string& path) {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
    }
    static int64_t MTimeOf(const std::string& path) {
        struct stat st {};
        if (stat(path.c_str(), &st) != 0) return -1;
        return int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    }
    static unsigned ModeOf(const std::string& path) {
        struct stat st {};
        stat(path.c_str(), &st);
        return st.st_mode & 07777;
    }
    static void SetMTime(const std::string& path, int64_t seconds) {
        timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
    // Names in the folder; a save must leave no temporary file behind.
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Dir.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Sparse(const std::string& name, int64_t size) const {
        std::string path = Dir.Write(name, {});
        EXPECT_EQ(truncate(path.c_str(), size), 0);
        return path;
    }
    // The buffer's state, to show that a refused operation changed nothing.
    void ExpectUntouched(const std::vector<uint8_t>& bytes) {
        EXPECT_EQ(TestDoc().Store.FileSize(), static_cast<int32_t>(bytes.size()));
        EXPECT_EQ(Bytes(), bytes);
    }

    // keep.bin (seed 1) with an older keep.bin.bak (seed 2), and new contents (seed 3) to save over it;
    // secondName forces overwriting in place.
    std::string BackupCase(bool secondName) {
        Host.ForgetRecords();
        std::filesystem::remove(Dir.PathOf("other"));
        const std::string path = Dir.Write("keep.bin", PatternBytes(1000, 1));
        Dir.Write("keep.bin.bak", PatternBytes(10, 2));
        if (secondName) {
            EXPECT_EQ(link(path.c_str(), Dir.PathOf("other").c_str()), 0);
        }
        OpenBytes(PatternBytes(3000, 3));
        return path;
    }

    TTempDir Dir;
};

// --- Loading ---------------------------------------------------------------------------------------------

// A load opens the file and reads nothing before the bytes are needed: no progress box, at any size.
TEST_F(FileIoTest, LoadOpensTheFileWithoutReadingIt) {
    auto bytes = PatternBytes(300000);
    std::string path = Dir.Write("three.bin", bytes);
    SetMTime(path, 978307200); // 2001-01-01
    ASSERT_TRUE(LoadFile(TestDoc(), path, false, 1));
    EXPECT_EQ(TestDoc().Store.FileSize(), 300000);
    EXPECT_EQ(Bytes(), bytes);
    EXPECT_EQ(TestDoc().File.FileTime, int64_t{978307200} * 1000000000);
    EXPECT_TRUE(Host.Messages.empty());
    EXPECT_TRUE(Host.Progresses.empty());
}

TEST_F(FileIoTest, EmptyFileLoadsAsAnEmptyFile) {
    OpenBytes(PatternBytes(100));
    ASSERT_TRUE(LoadFile(TestDoc(), Dir.Write("empty.bin", {}), false, 1));
    EXPECT_EQ(TestDoc().Store.FileSize(), 0);
    EXPECT_TRUE(Host.Messages.empty());
}

TEST_F(FileIoTest, CancelledInsertionFailsAndLeavesNothing) {
    OpenBytes(PatternBytes(30));
    std::string path = Dir.Write("big.bin", PatternBytes(20 * Chunk)); // every chunk is 5 percent
    Host.CancelAfterShownProgress = 2;
    EXPECT_FALSE(LoadFile(TestDoc(), path, true, 5, 20 * Chunk));
    EXPECT_EQ(Host.ErrorTexts(), std::vector<std::string>{"Reading cancelled:\nbig.bin"});
    ASSERT_EQ(Host.Progresses.size(), 1u);
    EXPECT_EQ(Host.Progresses[0].Calls, 2); // no chunk is read after the click is noticed
    EXPECT_TRUE(Host.Progresses[0].Closed);
    EXPECT_EQ(Bytes(), PatternBytes(30));
}

TEST_F(FileIoTest, MissingFileReportsTheSystemError) {
    auto before = PatternBytes(5000);
    OpenBytes(before);
    EXPECT_FALSE(LoadFile(TestDoc(), Dir.PathOf("nope.bin"), false, 1));
    EXPECT_EQ(Host.ErrorTexts(),
              std::vector<std::string>{"Error reading\nnope.bin\r\nError 2: File not found"});
    ExpectUntouched(before);
    EXPECT_TRUE(Host.Progresses.empty());
}

TEST_F(FileIoTest, MissingFolderReportsTheSystemError) {
    EXPECT_FALSE(LoadFile(TestDoc(), Dir.PathOf("gone/f.bin"), false, 1));
    auto errors = Host.ErrorTexts();
    ASSERT_EQ(errors.size(), 1u);
    const std::string prefix = "Error reading\nf.bin\r\n";
    EXPECT_TRUE(errors[0] == prefix + "Error 2: File not found" ||
                errors[0] == prefix + Texts::IoErrorText(3))
        << errors[0];
}

TEST_F(FileIoTest, AccessDeniedReportsError5) {
    std::string path = Dir.Write("locked.bin", PatternBytes(10));
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    ASSERT_EQ(chmod(Dir.Path().c_str(), 0755), 0);
    bool loaded = true;
    {
        TOrdinaryUser user;
        if (!user.Active()) GTEST_SKIP() << "running as root and cannot give it up";
        loaded = LoadFile(TestDoc(), path, false, 1);
    }
    EXPECT_FALSE(loaded);
    EXPECT_EQ(Host.ErrorTexts(),
              std::vector<std::string>{"Error reading\nlocked.bin\r\nError 5: File access denied"});
}

// Folders, FIFOs and devices are no files to edit: each is refused at once with "access denied"
// (a FIFO without a writer would otherwise hang the window, a device never ends).
TEST_F(FileIoTest, FoldersFifosAndDevicesAreNotLoaded) {
    std::filesystem::create_directory(Dir.PathOf("sub"));
    ASSERT_EQ(mkfifo(Dir.PathOf("pipe").c_str(), 0600), 0);
    for (const std::string& path : {Dir.PathOf("sub"), Dir.PathOf("pipe"), std::string("/dev/zero")}) {
        Host.ForgetRecords();
        EXPECT_FALSE(LoadFile(TestDoc(), path, false, 1)) << path;
        const std::string name = path.substr(path.find_last_of('/') + 1);
        EXPECT_EQ(Host.ErrorTexts(),
                  std::vector<std::string>{"Error reading\n" + name + "\r\nError 5: File access denied"})
            << path;
    }
}

// A file that does not fit a 32-bit size is refused before anything is allocated or read.
TEST_F(FileIoTest, InsertModeInsertsTheFile) {
    OpenBytes(PatternBytes(20));
    std::string path = Dir.Write("ten.bin", PatternBytes(10, 100));
    ASSERT_TRUE(LoadFile(TestDoc(), path, true, 5, 10));
    auto expected = PatternBytes(20);
    auto inserted = PatternBytes(10, 100);
    expected.insert(expected.begin() + 4, inserted.begin(), inserted.end());
    EXPECT_EQ(Bytes(), expected);
}

TEST_F(FileIoTest, InsertModeRefusesAFileOfAnotherSize) {
    OpenBytes(PatternBytes(20));
    EXPECT_FALSE(LoadFile(TestDoc(), Dir.Write("longer.bin", PatternBytes(12)), true, 5, 10));
    EXPECT_EQ(Bytes(), PatternBytes(20));
    EXPECT_EQ(Host.ErrorTexts().size(), 1u);
    Host.ForgetRecords();
    EXPECT_FALSE(LoadFile(TestDoc(), Dir.Write("shorter.bin", PatternBytes(8)), true, 5, 10));
    EXPECT_EQ(Bytes(), PatternBytes(20));
    EXPECT_EQ(Host.ErrorTexts().size(), 1u);
}

// --- Saving ----------------------------------------------------------------------------------------------

TEST_F(FileIoTest, SaveWritesTheExactBytesAndClearsModified) {
    auto bytes = PatternBytes(300000, 3);
    OpenBytes(bytes);
    TestDoc().Modified = true;
    std::string path = Dir.Write("out.bin", PatternBytes(500000)); // longer than the new contents
    ASSERT_TRUE(SaveFile(TestDoc(), path, false, 1, 0));
    EXPECT_EQ(TTempDir::Read(path), bytes);
    EXPECT_FALSE(TestDoc().Modified);
    EXPECT_TRUE(Host.Messages.empty());
    EXPECT_EQ(Listing(), std::vector<std::string>{"out.bin"});
    ASSERT_EQ(Host.Progresses.size(), 1u);
    EXPECT_EQ(Host.Progresses[0].Caption, "Writing file");
    EXPECT_EQ(Host.Progresses[0].Label, "out.bin");
    // The replaced contents are let go after the save: nothing keeps them once that is done.
    FileAccess::FinishReleases();
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        EXPECT_EQ(target.find(path + " (deleted)"), std::string::npos) << target;
    }
}

TEST_F(FileIoTest, SaveCreatesANewFileAndWritesAnEmptyOne) {
    OpenBytes({1, 2, 3});
    ASSERT_TRUE(SaveFile(TestDoc(), Dir.PathOf("new.bin"), false, 1, 0));
    EXPECT_EQ(TTempDir::Read(Dir.PathOf("new.bin")), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_NE(ModeOf(Dir.PathOf("new.bin")) & S_IRUSR, 0u);

    OpenBytes({});
    ASSERT_TRUE(SaveFile(TestDoc(), Dir.PathOf("new.bin"), false, 1, 0));
    EXPECT_TRUE(TTempDir::Read(Dir.PathOf("new.bin")).empty());
}

TEST_F(FileIoTest, SaveKeepsThePermissionsOfTheOldFile) {
    std::string path = Dir.Write("script.sh", PatternBytes(10));
    ASSERT_EQ(chmod(path.c_str(), 0751), 0);
    OpenBytes(PatternBytes(50, 1));
    ASSERT_TRUE(SaveFile(TestDoc(), path, false, 1, 0));
    EXPECT_EQ(ModeOf(path), 0751u);
    EXPECT_EQ(TTempDir::Read(path), PatternBytes(50, 1));
}

TEST_F(FileIoTest, SaveWithOldFileTimeGivesTheLoadedTime) {
    std::string path = Dir.Write("dated.bin", PatternBytes(100));
    SetMTime(path, 978307200);
    ASSERT_TRUE(LoadFile(TestDoc(), path, false, 1));
    TestDoc().Store.WriteByte(1, 0xEE);
    TestDoc().Modified = true;
    TestApp().OldFileTime = true;
    ASSERT_TRUE(SaveFile(TestDoc(), path, false, 1, 0));
    EXPECT_EQ(MTimeOf(path), int64_t{978307200} * 1000000000);
    EXPECT_EQ(TTempDir::Read(path)[0], 0xEE);

    TestApp().OldFileTime = false;
    ASSERT_TRUE(SaveFile(TestDoc(), path, false, 1, 0));
    EXPECT_GT(MTimeOf(path), int64_t{978307200} * 1000000000);
}

TEST_F(FileIoTest, BlockSaveWritesOnlyTheBlockAndKeepsModified) {
    auto bytes = PatternBytes(100);
    OpenBytes(bytes);
    TestDoc().Modified = true;
    std::string path = Dir.PathOf("block.bin");
    ASSERT_TRUE(SaveFile(TestDoc(), path, true, 11, 20));
    EXPECT_EQ(TTempDir::Read(path), std::vector<uint8_t>(bytes.begin() + 10, bytes.begin() + 30));
    EXPECT_TRUE(TestDoc().Modified);
}

// Writing stops half way (file size limit, as on a full disk): the old file stays as it was.
TEST_F(FileIoTest, FailedSaveLeavesTheOldFileByteForByte) {
    auto old = PatternBytes(1000, 42);
    std::string path = Dir.Write("keep.bin", old);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    OpenBytes(PatternBytes(300000));
    TestDoc().Modified = true;

    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 65536;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool saved_ok = SaveFile(TestDoc(), path, false, 1, 0);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved_ok);
    EXPECT_TRUE(IsWriteError(Host.ErrorTexts(), "keep.bin"));
    EXPECT_EQ(TTempDir::Read(path), old);
    EXPECT_EQ(ModeOf(path), 0640u);
    EXPECT_TRUE(TestDoc().Modified);
    EXPECT_EQ(Listing(), std::vector<std::string>{"keep.bin"});
}

TEST_F(FileIoTest, SaveIntoAMissingFolderOrOverAFolderFails) {
    OpenBytes(PatternBytes(100));
    TestDoc().Modified = true;
    EXPECT_FALSE(SaveFile(TestDoc(), Dir.PathOf("gone/x.bin"), false, 1, 0));
    EXPECT_TRUE(IsWriteError(Host.ErrorTexts(), "x.bin"));
    EXPECT_TRUE(TestDoc().Modified);

    Host.ForgetRecords();
    std::filesystem::create_directory(Dir.PathOf("sub"));
    Dir.Write("sub/inner.bin", {1});
    EXPECT_FALSE(SaveFile(TestDoc(), Dir.PathOf("sub"), false, 1, 0));
    EXPECT_TRUE(IsWriteError(Host.ErrorTexts(), "sub"));
    EXPECT_EQ(TTempDir::Read(Dir.PathOf("sub/inner.bin")), std::vector<uint8_t>{1});
    EXPECT_EQ(Listing(), std::vector<std::string>{"sub"});
    EXPECT_TRUE(TestDoc().Modified);
}

// Saving goes through a new file and a rename; that must not get round a write-protected file.
TEST_F(FileIoTest, SaveOverAWriteProtectedFileIsRefused) {
    auto old = PatternBytes(50, 7);
    std::string path = Dir.Write("ro.bin", old);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    ASSERT_EQ(chmod(Dir.Path().c_str(), 0777), 0); // the folder itself may be written
    OpenBytes(PatternBytes(80));
    TestDoc().Modified = true;
    bool saved = true;
    {
        TOrdinaryUser user;
        if (!user.Active()) GTEST_SKIP() << "running as root and cannot give it up";
        saved = SaveFile(TestDoc(), path, false, 1, 0);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(Host.ErrorTexts(),
              std::vector<std::string>{"Error writing\nro.bin\r\nError 5: File access denied"});
    EXPECT_EQ(TTempDir::Read(path), old);
    EXPECT_EQ(Listing(), std::vector<std::string>{"ro.bin"});
    EXPECT_TRUE(TestDoc().Modified);
}

TEST_F(FileIoTest, CancelledSaveLeavesTheOldFile) {
    auto old = PatternBytes(1000, 42);
    std::string path = Dir.Write("big.bin", old);
    OpenBytes(PatternBytes(20 * Chunk));
    TestDoc().Modified = true;
    Host.CancelAfterShownProgress = 1;
    EXPECT_FALSE(SaveFile(TestDoc(), path, false, 1, 0));
    EXPECT_EQ(Host.MessageTexts(), std::vector<std::string>{"Writing big.bin cancelled"});
    EXPECT_EQ(TTempDir::Read(path), old);
    EXPECT_TRUE(TestDoc().Modified);
    EXPECT_EQ(Listing(), std::vector<std::string>{"big.bin"});
}

// Only regular files are replaced: a FIFO, a device node or a link that leads nowhere stays what it is.
TEST_F(FileIoTest, SaveOntoAnythingButARegularFileIsRefused) {
    OpenBytes(PatternBytes(100));
    TestDoc().Modified = true;
    ASSERT_EQ(mkfifo(Dir.PathOf("pipe").c_str(), 0600), 0);
    ASSERT_EQ(symlink(Dir.PathOf("nowhere").c_str(), Dir.PathOf("dangling").c_str()), 0);
    std::vector<std::string> names{"pipe", "dangling"};
    // A device node like /dev/null, made here so that a fault replaces only this copy.
    if (mknod(Dir.PathOf("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) names.push_back("null");
    for (const std::string& name : names) {
        Host.ForgetRecords();
        struct stat before {};
        ASSERT_EQ(lstat(Dir.PathOf(name).c_str(), &before), 0);
        EXPECT_FALSE(SaveFile(TestDoc(), Dir.PathOf(name), false, 1, 0)) << name;
        EXPECT_EQ(Host.ErrorTexts(),
                  std::vector<std::string>{"Error writing\n" + name + "\r\nError 5: File access denied"});
        struct stat after {};
        ASSERT_EQ(lstat(Dir.PathOf(name).c_str(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode) << name;
        EXPECT_EQ(after.st_ino, before.st_ino) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(Dir.PathOf("nowhere")));
    EXPECT_TRUE(TestDoc().Modified);
}

// The owner is set before the permissions: a change of owner clears the set-user and set-group bits.
TEST_F(FileIoTest, SaveKeepsSetUserAndSetGroupBits) {
    std::string path = Dir.Write("tool", PatternBytes(10));
    ASSERT_EQ(chmod(path.c_str(), 06755), 0);
    OpenBytes(PatternBytes(20, 5));
    ASSERT_TRUE(SaveFile(TestDoc(), path, false, 1, 0));
    EXPECT_EQ(ModeOf(path), 06755u);
    EXPECT_EQ(TTempDir::Read(path), PatternBytes(20, 5));
}

// Whatever step of a save fails, the old file stays as it was, no temporary file is left, and the box
// says why.
TEST_F(FileIoTest, AFailedStepOfASaveLeavesTheOldFile) {
    using FileAccess::TCall;
    struct TCase {
        TCall Call;
        int Err;
        std::string Text;
    };
    const std::vector<TCase> cases = {
        {TCall::Chown, EIO, "Error 31: General failure\r\nThe file's owner could not be kept."},
        {TCall::Chmod, EPERM, "Error 5: File access denied\r\nThe file's permissions could not be kept."},
        {TCall::SetTime, EROFS,
         "Error 19: Disk is write-protected\r\nThe file's date/time could not be set."},
        {TCall::CreateTemp, ENOSPC, "Error 112: Disk full"},
        {TCall::Write, ENOSPC, "Error 112: Disk full"},
        {TCall::Sync, EIO, "Error 31: General failure"},
        {TCall::Rename, EXDEV, "Error 17: Cannot rename across drives"},
    };
    const auto old = PatternBytes(1000, 42);
    const std::string path = Dir.Write("keep.bin", old);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    SetMTime(path, 978307200);
    ASSERT_TRUE(LoadFile(TestDoc(), path, false, 1));
    OpenBytes(PatternBytes(3000));
    TestApp().OldFileTime = true;
    for (const TCase& c : cases) {
        Host.ForgetRecords();
        TestDoc().Modified = true;
        Inject(c.Call, c.Err);
        EXPECT_FALSE(SaveFile(TestDoc(), path, false, 1, 0)) << c.Text;
        EXPECT_EQ(Host.ErrorTexts(), std::vector<std::string>{"Error writing\nkeep.bin\r\n" + c.Text});
        EXPECT_EQ(TTempDir::Read(path), old) << c.Text;
        EXPECT_EQ(ModeOf(path), 0640u) << c.Text;
        EXPECT_EQ(MTimeOf(path), int64_t{978307200} * 1000000000) << c.Text;
        EXPECT_EQ(Listing(), std::vector<std::string>{"keep.bin"}) << c.Text;
        EXPECT_TRUE(TestDoc().Modified);
    }
}

TEST_F(FileIoTest, ATemporaryFileThatCannotBeRemovedIsNamed) {
    const auto old = PatternBytes(100, 1);
    const std::string path = Dir.Write("keep.bin", old);
    OpenBytes(PatternBytes(200));
    FileAccess::InjectedFault = [](FileAccess::TCall call) {
        return call == FileAccess::TCall::Rename || call == FileAccess::TCall::Remove ? EIO : 0;
    };
    EXPECT_FALSE(SaveFile(TestDoc(), path, false, 1, 0));
    const auto names = Listing();
    ASSERT_EQ(names.size(), 2u);
    const std::string stray = Dir.PathOf(names[0] == "keep.bin" ? names[1] : names[0]);
    EXPECT_EQ(Host.ErrorTexts(), std::vector<std::string>{"Error writing\nkeep.bin\r\nError 31: General "
                                                          "failure\r\nTemporary file left behind:\n" +
                                                          stray});
    EXPECT_EQ(TTempDir::Read(path), old);
}

// Where a rename would not keep the file what it is, it is overwritten where it stands: the same inode,
// every name sees the new bytes, longer or shorter than the old ones.
TEST_F(FileIoTest, AFileARenameCannotKeepIsSavedInPlace) {
    using FileAccess::TCall;
    struct TCase {
        const char* What;
        bool HardLink;
        TCall Call;
        int Err;
    };
    const std::vector<TCase> cases = {
        {"second name", true, TCall::Remove, 0},
        {"folder takes no new file", false, TCall::CreateTemp, EACCES},
        {"owner cannot be given back", false, TCall::Chown, EPERM},
    };
    for (const TCase& c : cases) {
        for (size_t size : {size_t{5000}, size_t{50}}) {
            Host.ForgetRecords();
            const std::string path = Dir.Write("same.bin", PatternBytes(1000, 3));
            ASSERT_EQ(chmod(path.c_str(), 0604), 0);
            std::filesystem::remove(Dir.PathOf("other"));
            if (c.HardLink) {
                ASSERT_EQ(link(path.c_str(), Dir.PathOf("other").c_str()), 0);
            }
            const ino_t inode = InodeOf(path);
            OpenBytes(PatternBytes(size, 9));
            Inject(c.Call, c.Err);
            EXPECT_TRUE(SaveFile(TestDoc(), path, false, 1, 0)) << c.What;
            FileAccess::InjectedFault = nullptr;
            EXPECT_TRUE(Host.ErrorTexts().empty()) << c.What;
            EXPECT_EQ(InodeOf(path), inode) << c.What;
            EXPECT_EQ(TTempDir::Read(path), PatternBytes(size, 9)) << c.What << " " << size;
            if (c.HardLink) {
                EXPECT_EQ(TTempDir::Read(Dir.PathOf("other")), PatternBytes(size, 9));
            }
            EXPECT_EQ(ModeOf(path), 0604u);
            EXPECT_EQ(Listing().size(), c.HardLink ? 2u : 1u) << c.What;
        }
    }
}

// Saving in place first copies the old contents under a progress box of its own, closed before the writer's
// opens; a copy that cannot be deleted after the save is named once in the status bar, with no error box.
TEST_F(FileIoTest, SavingInPlaceShowsTheCopyAndNamesACopyLeftBehind) {
    for (const bool removable : {true, false}) {
        SCOPED_TRACE(removable ? "copy removed" : "copy left behind");
        std::filesystem::remove_all(Dir.Path());
        std::filesystem::create_directories(Dir.Path());
        Host.ForgetRecords();
        const std::string path = Dir.Write("same.bin", PatternBytes(3 * Chunk + 5, 3));
        ASSERT_EQ(link(path.c_str(), Dir.PathOf("other").c_str()), 0);
        OpenBytes(PatternBytes(2 * Chunk, 9));
        if (!removable) Inject(FileAccess::TCall::Remove, EIO);
        EXPECT_TRUE(SaveFile(TestDoc(), path, false, 1, 0));
        FileAccess::InjectedFault = nullptr;
        EXPECT_EQ(TTempDir::Read(path), PatternBytes(2 * Chunk, 9));
        EXPECT_TRUE(Host.ErrorTexts().empty());
        ASSERT_EQ(Host.Progresses.size(), 2u);
        EXPECT_EQ(Host.Progresses[0].Caption, "Copying old contents");
        EXPECT_EQ(Host.Progresses[0].Label, "same.bin");
        EXPECT_EQ(Host.Progresses[0].Calls, 4); // one call a chunk
        ASSERT_FALSE(Host.Progresses[0].Values.empty());
        EXPECT_EQ(Host.Progresses[0].Values.back(), 100);
        EXPECT_TRUE(Host.Progresses[0].Closed);
        EXPECT_EQ(Host.Progresses[1].Caption, "Writing file");
        const auto names = Listing();
        if (removable) {
            EXPECT_EQ(names, (std::vector<std::string>{"other", "same.bin"}));
            EXPECT_TRUE(Host.StatusTexts.empty());
            continue;
        }
        ASSERT_EQ(names.size(), 3u);
        std::string left;
        for (const std::string& name : names)
            if (name != "other" && name != "same.bin") left = Dir.PathOf(name);
        EXPECT_EQ(TTempDir::Read(left), PatternBytes(3 * Chunk + 5, 3));
        EXPECT_EQ(Host.StatusTexts,
                  std::vector<std::string>{"Copy of the old contents left behind: " + left});
    }
}

// In place, the free space is checked before a byte is changed, and the overwriting is not cancelled.
TEST_F(FileIoTest, SavingInPlaceWithoutRoomLeavesTheOldFile) {
    const auto old = PatternBytes(1000, 3);
    const std::string path = Dir.Write("same.bin", old);
    ASSERT_EQ(link(path.c_str(), Dir.PathOf("other").c_str()), 0);
    OpenBytes(PatternBytes(5000));
    Inject(FileAccess::TCall::FreeSpace, ENOSPC); // no byte free
    EXPECT_FALSE(SaveFile(TestDoc(), path, false, 1, 0));
    EXPECT_EQ(Host.ErrorTexts(), std::vector<std::string>{"Error writing\nsame.bin\r\nError 112: Disk full"});
    EXPECT_EQ(TTempDir::Read(path), old);

    // Once overwriting has begun, a click on Cancel cannot stop it half way; shrinking needs no room.
    Host.ForgetRecords();
    FileAccess::InjectedFault = nullptr;
    OpenBytes(PatternBytes(20 * Chunk));
    Host.CancelAfterShownProgress = 1;
    EXPECT_TRUE(SaveFile(TestDoc(), path, false, 1, 0));
    Host.CancelAfterShownProgress = -1;
    EXPECT_TRUE(Host.Messages.empty());
    EXPECT_EQ(TTempDir::Read(Dir.PathOf("other")), PatternBytes(20 * Chunk));
    Host.ForgetRecords();
    OpenBytes(PatternBytes(10));
    EXPECT_TRUE(SaveFile(TestDoc(), path, false, 1, 0));
    EXPECT_EQ(TTempDir::Read(Dir.PathOf("other")), PatternBytes(10));
}

// Overwriting in place (here forced by a second name) keeps a copy of the old contents until the new ones
// are on disk. Whichever step fails, the file ends old or new, never part of each; when the old contents
// cannot be put back, the box names the copy that holds them.
TEST_F(FileIoTest, AFailureWhileOverwritingInPlaceLeavesOldOrNewContents) {
    using FileAccess::TCall;
    enum class TEnd { Old, New, Damaged };
    struct TCase {
        std::vector<std::pair<TCall, int>> Faults;
        TEnd End;
        std::string Text; // after the first line of the error box
    };
    const std::string failure = "\r\nError 31: General failure";
    const std::vector<TCase> cases = {
        {{{TCall::CreateCopy, 1}}, TEnd::New, ""}, // the copy goes to the state folder instead
        {{{TCall::CopyWrite, 2}}, TEnd::New, ""},
        {{{TCall::Write, 1}}, TEnd::Old, failure},
        {{{TCall::Write, 2}}, TEnd::Old, failure},
        {{{TCall::Truncate, 1}}, TEnd::Old, failure},
        {{{TCall::SetTime, 1}}, TEnd::Old, failure + "\r\nThe file's date/time could not be set."},
        {{{TCall::Sync, 2}}, TEnd::Old, failure},
        {{{TCall::Write, 1}, {TCall::RestoreWrite, 3}}, TEnd::Damaged, failure},
        {{{TCall::Write, 2}, {TCall::Truncate, 1}}, TEnd::Damaged, failure},
        {{{TCall::Sync, 2}, {TCall::Sync, 3}}, TEnd::Damaged, failure},
    };
    TTempDir state;
    TestApp().RecoveryFolder = state.PathOf("recovery");
    const auto old = PatternBytes(3 * Chunk + 100, 42);
    const std::string path = Dir.Write("same.bin", old);
    ASSERT_EQ(link(path.c_str(), Dir.PathOf("other").c_str()), 0);
    SetMTime(path, 978307200);
    ASSERT_TRUE(LoadFile(TestDoc(), path, false, 1)); // a save gives the new contents this date
    TestApp().OldFileTime = true;
    // One byte inserted at the front, and the file cut by more than a chunk.
    for (const auto& fresh : {PatternBytes(3 * Chunk + 101, 41), PatternBytes(Chunk + 7, 41)}) {
        for (const TCase& c : cases) {
            const std::string what =
                "case " + std::to_string(&c - cases.data()) + ", size " + std::to_string(fresh.size());
            Host.ForgetRecords();
            Dir.Write("same.bin", old);
            SetMTime(path, 1000000000);
            OpenBytes(fresh);
            InjectAt(c.Faults);
            EXPECT_EQ(SaveFile(TestDoc(), path, false, 1, 0), c.End == TEnd::New) << what;
            FileAccess::InjectedFault = nullptr;
            const auto names = Listing();
            if (c.End == TEnd::Damaged) {
                ASSERT_EQ(names.size(), 3u) << what;
                const std::string copy = Dir.PathOf(names[2]);
                EXPECT_EQ(Host.ErrorTexts(), std::vector<std::string>{"Error writing\nsame.bin" + c.Text +
                                                                      "\r\nThe file may be damaged. Its old "
                                                                      "contents are kept in:\n" +
                                                                      copy})
                    << what;
                EXPECT_EQ(TTempDir::Read(copy), old) << what;
                EXPECT_EQ(ModeOf(copy), 0600u) << what;
                std::filesystem::remove(copy);
                continue;
            }
            EXPECT_EQ(names, (std::vector<std::string>{"other", "same.bin"})) << what;
            EXPECT_TRUE(std::filesystem::is_empty(TestApp().RecoveryFolder)) << what;
            EXPECT_EQ(TTempDir::Read(Dir.PathOf("other")), c.End == TEnd::New ? fresh : old) << what;
            EXPECT_EQ(MTimeOf(path), int64_t{c.End == TEnd::New ? 978307200 : 1000000000} * 1000000000)
                << what;
            if (c.End == TEnd::Old)
                EXPECT_EQ(Host.ErrorTexts(), std::vector<std::string>{"Error writing\nsame.bin" + c.Text})
                    << what;
            else
                EXPECT_TRUE(Host.Messages.empty()) << what;
        }
    }
}

// Where no place takes a copy of the old contents, the user decides whether to risk the file.
TEST_F(FileIoTest, OverwritingInPlaceWithoutACopyIsAskedFirst) {
    const auto old = PatternBytes(2 * Chunk, 3);
    const std::string path = Dir.Write("same.bin", old);
    ASSERT_EQ(link(path.c_str(), Dir.PathOf("other").c_str()), 0);
    TTempDir state;
    TestApp().RecoveryFolder = state.Path();
    OpenBytes(PatternBytes(2 * Chunk + 1));
    const std::string question =
        "same.bin can only be overwritten in place, and no copy of its old contents "
        "can be kept. If saving fails part way, the file will be damaged. Save anyway?";
    struct TCase {
        int Answer;
        std::vector<std::pair<FileAccess::TCall, int>> Faults;
        bool Saved;
        std::vector<std::string> Errors;
    };
    const std::vector<TCase> cases = {
        {mrNo, {}, false, {}},
        {mrYes,
         {{FileAccess::TCall::Write, 2}},
         false,
         {"Error writing\nsame.bin\r\nError 31: General failure\r\nThe file may be damaged."}},
        {mrYes, {}, true, {}},
    };
    for (const TCase& c : cases) {
        Host.ForgetRecords();
        Host.YesNoAnswers = {c.Answer};
        TestDoc().Modified = true;
        InjectAt(c.Faults);
        const auto inner = FileAccess::InjectedFault;
        FileAccess::InjectedFault = [inner](FileAccess::TCall call) {
            return call == FileAccess::TCall::CreateCopy ? ENOSPC : inner(call);
        };
        EXPECT_EQ(SaveFile(TestDoc(), path, false, 1, 0), c.Saved);
        EXPECT_EQ(Host.QuestionTexts(), std::vector<std::string>{question});
        EXPECT_EQ(Host.ErrorTexts(), c.Errors);
        EXPECT_EQ(TestDoc().Modified, !c.Saved);
        if (c.Answer == mrNo || c.Saved) {
            EXPECT_EQ(TTempDir::Read(path), c.Saved ? PatternBytes(2 * Chunk + 1) : old);
        }
        EXPECT_EQ(Listing(), (std::vector<std::string>{"other", "same.bin"}));
        EXPECT_TRUE(std::filesystem::is_empty(state.Path()));
    }
}

// With the option, the previous version becomes NAME.bak over an older one, whichever way the save goes
// (a hard link, a copy where no link can be made, the copy kept while overwriting in place). A failure
// before the new contents are in place leaves the file and the older backup; after it, a previous
// version that cannot take its name is kept where it is and named.
TEST_F(FileIoTest, ABackupKeepsThePreviousVersionOrLeavesTheOldFile) {
    using FileAccess::TCall;
    const std::string failure = "Error writing\nkeep.bin\r\nError 31: General failure";
    const std::string notKept = "\r\nThe previous version could not be kept as keep.bin.bak.";
    enum class TEnd { Backup, Old, Left };
    struct TCase {
        bool SecondName;
        std::vector<std::pair<TCall, int>> Faults;
        TEnd End;
        std::string Error;
    };
    const std::vector<TCase> cases = {
        {false, {}, TEnd::Backup, ""},
        {false, {{TCall::Link, 1}}, TEnd::Backup, ""},
        {true, {}, TEnd::Backup, ""},
        {false, {{TCall::Link, 1}, {TCall::CreateCopy, 1}}, TEnd::Old, failure + notKept},
        {false, {{TCall::Write, 1}}, TEnd::Old, failure},
        {false, {{TCall::Sync, 1}}, TEnd::Old, failure},
        {false, {{TCall::Rename, 1}}, TEnd::Old, failure},
        {false, {{TCall::Rename, 2}}, TEnd::Left, ""},
        {true, {{TCall::CreateCopy, 1}}, TEnd::Old, failure + notKept},
        {true, {{TCall::Write, 1}}, TEnd::Old, failure},
        {true, {{TCall::Rename, 1}}, TEnd::Left, ""},
    };
    TTempDir state; // a backup is never made here: it could not take its name
    TestApp().RecoveryFolder = state.PathOf("recovery");
    TestApp().BackupOnSave = true;
    for (const TCase& c : cases) {
        const std::string what = "case " + std::to_string(&c - cases.data());
        const std::string path = BackupCase(c.SecondName);
        InjectAt(c.Faults);
        EXPECT_EQ(SaveFile(TestDoc(), path, false, 1, 0), c.End != TEnd::Old) << what;
        FileAccess::InjectedFault = nullptr;
        EXPECT_EQ(TTempDir::Read(path), PatternBytes(c.End == TEnd::Old ? 1000 : 3000, c.End == TEnd::Old ? 1 : 3))
            << what;
        EXPECT_EQ(TTempDir::Read(Dir.PathOf("keep.bin.bak")),
                  c.End == TEnd::Backup ? PatternBytes(1000, 1) : PatternBytes(10, 2))
            << what;
        auto names = Listing();
        std::string left;
        if (c.End == TEnd::Left) {
            ASSERT_TRUE(names[2].starts_with("keep.bin.niblo-")) << what;
            left = Dir.PathOf(names[2]);
            EXPECT_EQ(TTempDir::Read(left), PatternBytes(1000, 1)) << what;
            std::filesystem::remove(left);
            names.erase(names.begin() + 2);
            const std::string kept = "keep.bin was saved, but its previous version could not be named "
                                     "keep.bin.bak. It is kept in:\n";
            EXPECT_EQ(Host.ErrorTexts(), std::vector<std::string>{kept + left}) << what;
        } else {
            EXPECT_EQ(Host.ErrorTexts(), c.Error.empty() ? std::vector<std::string>{}
                                                         : std::vector<std::string>{c.Error})
                << what;
        }
        std::vector<std::string> expected = {"keep.bin", "keep.bin.bak"};
        if (c.SecondName) expected.push_back("other");
        EXPECT_EQ(names, expected) << what;
    }
    // What stands in the backup's place and cannot be replaced stops the save before it begins.
    std::filesystem::remove(Dir.PathOf("keep.bin.bak"));
    std::filesystem::create_directory(Dir.PathOf("keep.bin.bak"));
    Host.ForgetRecords();
    EXPECT_FALSE(SaveFile(TestDoc(), Dir.PathOf("keep.bin"), false, 1, 0));
    EXPECT_EQ(Host.ErrorTexts(),
              std::vector<std::string>{"Error writing\nkeep.bin\r\nError 5: File access denied" + notKept});
}

} // namespace
