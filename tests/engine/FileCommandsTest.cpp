// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeClipboard.h"
#include "common/TestDocument.h"
#include "FakeHost.h"

#include "engine/store/PieceStore.h"
#include "engine/editing/Editing.h"
#include "engine/document/EngineState.h"
#include "engine/editing/Clipboard.h"
#include "engine/editing/Editing.h"
#include "engine/files/FileCommands.h"
#include "engine/document/Navigation.h"
#include "engine/editing/PaneEditing.h"
#include "common/OrdinaryUser.h"
#include "engine/document/Blocks.h"
#include "engine/files/Paths.h"
#include "engine/search/Search.h"
#include "engine/search/SearchRequest.h"
#include "engine/text/StringTable.h"
#include "engine/store/SystemMemory.h"
#include "engine/store/SystemMemory.h"
#include "engine/document/View.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Engine;

namespace {

// The commands of a group in the table.
std::vector<TCommand> Group(TCommandGroup group) {
    std::vector<TCommand> members;
    for (const TCommandInfo& info : CommandTable)
        if (info.Groups & group) members.push_back(info.Command);
    return members;
}

class FileCommandsTest : public TEngineTest {
  protected:
    void SetUp() override {
        TEngineTest::SetUp();
        Host.ForgetRecords();
    }
    // A file on disk, opened the way the command line opens it.
    std::string Opened(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string path = Dir.Write(name, bytes);
        EXPECT_TRUE(OpenFile(TestDoc(), path, false));
        Host.ForgetRecords();
        return path;
    }
    void ExpectNoFileState() {
        EXPECT_FALSE(TestDoc().FileOpen);
        EXPECT_EQ(TestDoc().Store.FileSize(), 0);
        EXPECT_EQ(Host.Caption(), "NIBLO");
        EXPECT_FALSE(Host.IsEnabled(TCommand::Save1));
        EXPECT_FALSE(Host.IsEnabled(TCommand::JkBtnSave));
        EXPECT_EQ(Host.ScrollBarEnabled, std::optional<bool>(false));
        // Nothing is left that could be saved: no question on the next command.
        EXPECT_TRUE(ConfirmSave(TestDoc()));
    }

    TTempDir Dir;
};

// --- The save question -----------------------------------------------------------------------------------

TEST_F(FileCommandsTest, ConfirmSaveAsksOnlyForAModifiedOpenFile) {
    std::string path = Opened("a.bin", PatternBytes(10));
    EXPECT_TRUE(ConfirmSave(TestDoc()));
    EXPECT_TRUE(Host.Messages.empty());

    TestDoc().Modified = true;
    TestDoc().Store.WriteByte(1, 0x55);
    Host.YesNoCancelAnswers = {mrNo};
    EXPECT_TRUE(ConfirmSave(TestDoc()));
    EXPECT_EQ(Host.QuestionTexts(), std::vector<std::string>{"a.bin modified. Save now?"});
    EXPECT_EQ(TTempDir::Read(path), PatternBytes(10));

    Host.YesNoCancelAnswers = {mrCancel};
    EXPECT_FALSE(ConfirmSave(TestDoc()));
    EXPECT_TRUE(TestDoc().Modified);

    Host.YesNoCancelAnswers = {mrYes};
    EXPECT_TRUE(ConfirmSave(TestDoc()));
    EXPECT_EQ(TTempDir::Read(path)[0], 0x55);
    EXPECT_FALSE(TestDoc().Modified);
}

TEST_F(FileCommandsTest, ConfirmSaveYesOnAnUntitledFileReportsAFailedSaveAs) {
    TestApp().NewEOF = false;
    New1Click(TestDoc());
    ASSERT_TRUE(TestDoc().Store.OpenGap(1, 3));
    TestDoc().Modified = true;
    Host.YesNoCancelAnswers = {mrYes};
    Host.FileChoices = {std::nullopt}; // Save As dialog cancelled
    EXPECT_FALSE(ConfirmSave(TestDoc()));

    Host.YesNoCancelAnswers = {mrYes};
    Host.FileChoices = {Dir.PathOf("gone/x.bin")}; // the write fails
    EXPECT_FALSE(Close1Click(TestDoc()));                   // so the file is kept
    EXPECT_TRUE(TestDoc().FileOpen);
    EXPECT_TRUE(TestDoc().Modified);
    EXPECT_EQ(TestDoc().Store.FileSize(), 3);
    EXPECT_EQ(TestDoc().File.FileName, "NoName1");
    EXPECT_TRUE(TestDoc().File.Untitled);

    Host.YesNoCancelAnswers = {mrYes};
    Host.FileChoices = {Dir.PathOf("x.bin")};
    EXPECT_TRUE(Close1Click(TestDoc()));
    EXPECT_EQ(TTempDir::Read(Dir.PathOf("x.bin")).size(), 3u);
    EXPECT_FALSE(TestDoc().FileOpen);
}

// --- New -------------------------------------------------------------------------------------------------

TEST_F(FileCommandsTest, NewWithEofMakesOneByteFilesNamedByCounter) {
    TestApp().NewEOF = true;
    New1Click(TestDoc());
    EXPECT_EQ(TestDoc().File.FileName, "NoName1");
    EXPECT_EQ(Bytes(), std::vector<uint8_t>{26});
    EXPECT_TRUE(TestDoc().File.Untitled);
    EXPECT_TRUE(TestDoc().FileOpen);
    EXPECT_FALSE(TestDoc().Modified);
    EXPECT_EQ(Host.Caption(), "NIBLO - NoName1");
    New1Click(TestDoc());
    EXPECT_EQ(TestDoc().File.FileName, "NoName2");
    EXPECT_EQ(Host.Caption(), "NIBLO - NoName2");
}

TEST_F(FileCommandsTest, NewWithoutEofMakesAnEmptyFile) {
    Opened("a.bin", PatternBytes(500));
    TestApp().NewEOF = false;
    New1Click(TestDoc());
    EXPECT_EQ(TestDoc().Store.FileSize(), 0);
    EXPECT_EQ(TestDoc().File.FileName, "NoName1");
    EXPECT_EQ(CurrentAddress(TestDoc()), 1);
}

TEST_F(FileCommandsTest, NewStopsWhenTheSaveQuestionIsCancelled) {
    Opened("a.bin", PatternBytes(500));
    TestDoc().Modified = true;
    Host.YesNoCancelAnswers = {mrCancel};
    New1Click(TestDoc());
    EXPECT_EQ(TestDoc().Store.FileSize(), 500);
    EXPECT_FALSE(TestDoc().File.Untitled);
    EXPECT_EQ(TestApp().NoNameCounter, 0);
}

// --- Open ------------------------------------------------------------------------------------------------

// A file opened read-only, or one that cannot be written, offers nothing that changes it: those commands stay
// off whatever else would turn them on, typing beeps, says why and changes nothing; opening it normally ends
// it.
TEST_F(FileCommandsTest, ReadOnlyFilesOfferNothingThatChangesThem) {
    const std::vector<uint8_t> bytes = PatternBytes(300);
    const std::string path = Dir.Write("view.bin", bytes);
    auto expectReadOnly = [&](bool on) {
        EXPECT_EQ(TestDoc().File.ReadOnly, on);
        EXPECT_EQ(Host.Caption(), on ? "NIBLO - view.bin (read-only)" : "NIBLO - view.bin");
        // Off while read-only; otherwise as a load leaves them (those that need no more than a file on).
        for (TCommand command : Group(GroupChanges))
            EXPECT_EQ(Host.IsEnabled(command), !on && (CommandTable[size_t(command)].Groups & GroupLoaded))
                << static_cast<int>(command);
        EXPECT_TRUE(Host.IsEnabled(TCommand::SaveAs1));
        EXPECT_TRUE(Host.IsEnabled(TCommand::Find1));
    };
    ASSERT_TRUE(OpenFile(TestDoc(), path, false, true));
    expectReadOnly(true);
    Host.Beeps = 0;
    Host.StatusNotes.clear();
    for (bool text : {true, false}) {
        TestApp().TextMode = text;
        PaneKeyPress(TestDoc(), 'a');
        int key = PaneKey::Delete;
        PaneKeyDown(TestDoc(), key, 0);
        key = PaneKey::Backspace;
        PaneKeyDown(TestDoc(), key, 0);
    }
    EXPECT_EQ(Host.Beeps, 6);
    // A machine without a bell still says why: a passing note each time.
    EXPECT_EQ(Host.StatusNotes, std::vector<std::string>(6, "The file is read-only"));
    EXPECT_EQ(Bytes(), bytes);
    EXPECT_FALSE(TestDoc().Modified);
    // Marking a block turns Copy on but not Cut; the clipboard does not turn Paste on.
    MarkFromTo(3, 9);
    EXPECT_TRUE(Host.IsEnabled(TCommand::Copy1));
    EXPECT_FALSE(Host.IsEnabled(TCommand::Cut1));
    EXPECT_FALSE(Host.IsEnabled(TCommand::Blockdelete1));
    TFakeClipboard clip;
    clip.Text = std::vector<uint8_t>{'4', '1'};
    Clipboard1Click(TestDoc(), clip);
    EXPECT_FALSE(Host.IsEnabled(TCommand::Paste1));

    ASSERT_TRUE(OpenFile(TestDoc(), path, false));
    expectReadOnly(false);
    // A file its user may not write opens read-only by itself.
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    ASSERT_EQ(chmod(Dir.PathOf("").c_str(), 0755), 0);
    {
        TOrdinaryUser user;
        if (!user.Active()) GTEST_SKIP() << "running as root and cannot give it up";
        ASSERT_TRUE(OpenFile(TestDoc(), path, false));
    }
    expectReadOnly(true);
}

TEST_F(FileCommandsTest, AfterLoadEnablesTheFileCommands) {
    Host.Enabled[TCommand::Replaceundo1] = true;
    TestDoc().Search.RememberedAddress = 40;
    TestDoc().Search.LastFoundAddress = 7;
    TestDoc().Search.LastReplaceAddress = 9;
    Opened("a.bin", PatternBytes(1000));
    // A load makes the group usable, and nothing that needs more than a file: a block, a jump width, a
    // remembered address or a search.
    EXPECT_EQ(Group(GroupLoaded).size(), 29u);
    for (TCommand command : Group(GroupLoaded))
        EXPECT_TRUE(Host.IsEnabled(command)) << static_cast<int>(command);
    for (TCommand command : Group(TCommandGroup(GroupBlock | GroupJump | GroupRemembered | GroupFindAgain)))
        EXPECT_FALSE(Host.IsEnabled(command)) << static_cast<int>(command);
    EXPECT_FALSE(Host.IsEnabled(TCommand::Replaceundo1));
    EXPECT_FALSE(Host.IsEnabled(TCommand::Writeblock1)); // no block yet
    EXPECT_TRUE(TestDoc().FileOpen);
    EXPECT_FALSE(TestDoc().Modified);
    EXPECT_EQ(TestDoc().Search.RememberedAddress, 1);
    EXPECT_EQ(TestDoc().Search.LastFoundAddress, 0);
    EXPECT_EQ(TestDoc().Search.LastReplaceAddress, 0);
    EXPECT_EQ(TestDoc().View.TopAddress, 1);
    EXPECT_EQ(CurrentAddress(TestDoc()), 1);
    EXPECT_EQ(Host.ScrollBarEnabled, std::optional<bool>(true));
}

TEST_F(FileCommandsTest, OpenAsksBeforeItsDialogAndLoads) {
    TestApp().NewEOF = true;
    New1Click(TestDoc());
    TestDoc().Modified = true;
    std::string path = Dir.Write("b.bin", PatternBytes(3000));
    TestApp().LastDir = Dir.Path();
    Host.ForgetRecords();
    Host.YesNoCancelAnswers = {mrNo};
    Host.FileChoices = {path};
    Open1Click(TestDoc());
    EXPECT_EQ(Host.QuestionTexts(), std::vector<std::string>{"NoName1 modified. Save now?"});
    ASSERT_EQ(Host.FileDialogs.size(), 1u);
    const auto& dialog = Host.FileDialogs[0];
    EXPECT_EQ(dialog.Mode, TFileDialogMode::Open);
    EXPECT_EQ(dialog.Title, "Open file");
    EXPECT_EQ(dialog.Masks, "*.*,*.exe");
    EXPECT_EQ(dialog.Favourites, "Favorites");
    EXPECT_EQ(dialog.Dir, Dir.Path());
    EXPECT_EQ(Bytes(), PatternBytes(3000));
    EXPECT_EQ(TestDoc().File.FileName, path);
    EXPECT_EQ(TestApp().LastDir, Dir.Path());
    EXPECT_FALSE(TestDoc().File.Untitled);
    EXPECT_FALSE(TestDoc().Modified);
    EXPECT_EQ(Host.Caption(), "NIBLO - b.bin");
    EXPECT_EQ(Host.RecentFiles, std::vector<std::string>{path});
}

TEST_F(FileCommandsTest, CancelledQuestionKeepsEverythingAndShowsNoDialog) {
    Opened("a.bin", PatternBytes(100));
    TestDoc().Modified = true;
    Host.YesNoCancelAnswers = {mrCancel};
    Open1Click(TestDoc()); // the fake fails the test if a dialog appears
    EXPECT_EQ(Bytes(), PatternBytes(100));
    EXPECT_TRUE(TestDoc().Modified);
}

TEST_F(FileCommandsTest, OnlyTheRecentListAsksInOpenFile) {
    Opened("a.bin", PatternBytes(100));
    std::string other = Dir.Write("b.bin", PatternBytes(200));
    TestDoc().Modified = true;
    Host.YesNoCancelAnswers = {mrCancel};
    EXPECT_FALSE(OpenFile(TestDoc(), other, true));
    EXPECT_EQ(TestDoc().Store.FileSize(), 100);
    EXPECT_EQ(Host.QuestionTexts(), std::vector<std::string>{"a.bin modified. Save now?"});

    EXPECT_TRUE(OpenFile(TestDoc(), other, false)); // asks nothing
    EXPECT_EQ(TestDoc().Store.FileSize(), 200);
}

TEST_F(FileCommandsTest, OpenClearsUntitled) {
    New1Click(TestDoc());
    ASSERT_TRUE(TestDoc().File.Untitled);
    EXPECT_TRUE(OpenFile(TestDoc(), Dir.Write("a.bin", PatternBytes(10)), false));
    EXPECT_FALSE(TestDoc().File.Untitled);
}

// A failed load closes the editor once, without a second question and with nothing left to save.
// A file that cannot even be opened changes nothing: the current file stays as it was, and the save
// question is not asked again.
TEST_F(FileCommandsTest, FailedOpenKeepsTheCurrentFileWithoutAskingTwice) {
    std::string path = Opened("a.bin", PatternBytes(100));
    TestDoc().Modified = true;
    Host.YesNoCancelAnswers = {mrNo};
    Host.FileChoices = {Dir.PathOf("missing.bin")};
    Open1Click(TestDoc());
    EXPECT_EQ(Host.QuestionTexts().size(), 1u);
    EXPECT_EQ(Host.ErrorTexts(),
              std::vector<std::string>{"Error reading\nmissing.bin\r\nError 2: File not found"});
    EXPECT_TRUE(TestDoc().FileOpen);
    EXPECT_EQ(TestDoc().File.FileName, path);
    EXPECT_EQ(Bytes(), PatternBytes(100));
    EXPECT_TRUE(TestDoc().Modified);
    EXPECT_TRUE(Host.RecentFiles.empty());
    EXPECT_EQ(TTempDir::Read(path), PatternBytes(100));
}

// A file larger than any memory opens at once: its bytes are read when they are shown.
TEST_F(FileCommandsTest, HugeFileOpensWithoutBeingRead) {
    Opened("a.bin", PatternBytes(100));
    std::string huge = Dir.Write("huge.bin", {1, 2, 3});
    ASSERT_EQ(truncate(huge.c_str(), int64_t{1} << 40), 0);
    EXPECT_TRUE(OpenFile(TestDoc(), huge, false));
    EXPECT_TRUE(Host.ErrorTexts().empty());
    EXPECT_EQ(TestDoc().File.FileName, huge);
    EXPECT_EQ(TestDoc().Store.FileSize(), int64_t{1} << 40);
    EXPECT_EQ(TestDoc().Store.ByteAt(2), 2);
    EXPECT_EQ(TestDoc().Store.ByteAt(int64_t{1} << 39), 0);
}

// --- Memory ----------------------------------------------------------------------------------------------

// A load or a growth that the memory cannot take is refused before anything changes, naming what it needs and
// what there is, so the kernel never ends the program (and the unsaved edits) for it.
TEST_F(FileCommandsTest, WhatTheMemoryCannotTakeIsRefusedFirst) {
    constexpr int64_t MiB = 1 << 20;
    const std::vector<uint8_t> big = PatternBytes(size_t(2 * MiB), 3);
    const std::string bigPath = Dir.Write("big.bin", big);
    TFakeClipboard clip;
    const struct {
        const char* What;
        std::function<void()> Run;
        std::string Message;
    } cases[] = {
        {"insert file",
         [&] {
             Host.FileChoices = {bigPath};
             Insertfile1Click(TestDoc());
         },
         ""},
        {"paste",
         [&] {
             clip.Clear();
             clip.OctetStream = big;
             Paste1Click(TestDoc(), clip);
         },
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const std::string path = Opened("a.bin", PatternBytes(700000));
        TestDoc().Modified = true; // the edits that must not be lost
        const std::vector<uint8_t> before = Bytes();
        AvailableMemoryHook = [] { return MemoryMargin + MiB / 4; };
        c.Run();
        AvailableMemoryHook = nullptr;
        ASSERT_EQ(Host.ErrorTexts().size(), 1u);
        if (!c.Message.empty()) {
            EXPECT_EQ(Host.ErrorTexts()[0], c.Message);
        } else {
            EXPECT_EQ(Host.ErrorTexts()[0].rfind("Not enough memory available", 0), 0u) << Host.ErrorTexts()[0];
        }
        EXPECT_TRUE(TestDoc().FileOpen);
        EXPECT_EQ(TestDoc().File.FileName, path);
        EXPECT_EQ(Bytes(), before);
        EXPECT_TRUE(TestDoc().Modified);
        Host.ForgetRecords();
    }
}

// --- Save and Save As ------------------------------------------------------------------------------------

TEST_F(FileCommandsTest, SaveOfAnUntitledFileOpensSaveAs) {
    TestApp().NewEOF = true;
    New1Click(TestDoc());
    TestDoc().Modified = true;
    TestApp().LastDir = Dir.Path();
    std::string path = Dir.PathOf("named.bin");
    Host.FileChoices = {path};
    EXPECT_TRUE(Save1Click(TestDoc()));
    ASSERT_EQ(Host.FileDialogs.size(), 1u);
    EXPECT_EQ(Host.FileDialogs[0].Mode, TFileDialogMode::Save);
    EXPECT_EQ(Host.FileDialogs[0].Title, "Save file as");
    EXPECT_EQ(Host.FileDialogs[0].Masks, "*.*,*.exe");
    EXPECT_EQ(Host.FileDialogs[0].Favourites, "Favorites");
    EXPECT_EQ(TTempDir::Read(path), std::vector<uint8_t>{26});
    EXPECT_EQ(TestDoc().File.FileName, path);
    EXPECT_FALSE(TestDoc().File.Untitled);
    EXPECT_FALSE(TestDoc().Modified);
    EXPECT_EQ(Host.Caption(), "NIBLO - named.bin");
    EXPECT_EQ(Host.RecentFiles, std::vector<std::string>{path});

    TestDoc().Store.WriteByte(1, 27);
    TestDoc().Modified = true;
    EXPECT_TRUE(Save1Click(TestDoc())); // now titled: no dialog
    EXPECT_EQ(TTempDir::Read(path), std::vector<uint8_t>{27});
}

// The file dialog moves the working folder; a file opened and saved by relative names must still be the
// same file.
TEST_F(FileCommandsTest, RelativeNamesBecomeFullPathsWhenOpenedOrSaved) {
    const std::string path = Dir.Write("a.bin", PatternBytes(10));
    ASSERT_EQ(mkdir(Dir.PathOf("other").c_str(), 0700), 0);
    char* started = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(Dir.Path().c_str()), 0);
    const bool opened = OpenFile(TestDoc(), "./a.bin", false);
    ASSERT_EQ(chdir(Dir.PathOf("other").c_str()), 0);
    TestDoc().Store.WriteByte(1, 'X');
    TestDoc().Modified = true;
    const bool saved = Save1Click(TestDoc());
    Host.FileChoices = {"b.bin"};
    const bool savedAs = SaveAs1Click(TestDoc());
    ASSERT_EQ(chdir(started), 0);
    std::free(started);

    EXPECT_TRUE(opened && saved && savedAs);
    EXPECT_EQ(NamePart(Host.RecentFiles.front()), "a.bin");
    EXPECT_EQ(Host.RecentFiles.front().front(), '/');
    EXPECT_EQ(TTempDir::Read(path)[0], 'X');
    EXPECT_NE(access(Dir.PathOf("other/a.bin").c_str(), F_OK), 0);
    EXPECT_EQ(TestDoc().File.FileName.front(), '/');
    EXPECT_EQ(TTempDir::Read(Dir.PathOf("other/b.bin"))[0], 'X');
    EXPECT_EQ(Host.RecentFiles.back(), TestDoc().File.FileName);
}

TEST_F(FileCommandsTest, FailedSaveAsKeepsTheOldName) {
    std::string path = Opened("a.bin", PatternBytes(100));
    TestDoc().Modified = true;
    Host.FileChoices = {Dir.PathOf("gone/b.bin")};
    EXPECT_FALSE(SaveAs1Click(TestDoc()));
    EXPECT_TRUE(IsWriteError(Host.ErrorTexts(), "b.bin"));
    EXPECT_EQ(TestDoc().File.FileName, path);
    EXPECT_TRUE(Host.Captions.empty());
    EXPECT_TRUE(Host.RecentFiles.empty());
    EXPECT_TRUE(TestDoc().Modified);

    Host.FileChoices = {std::nullopt};
    EXPECT_FALSE(SaveAs1Click(TestDoc()));
    EXPECT_EQ(TestDoc().File.FileName, path);
}

// --- Close -----------------------------------------------------------------------------------------------

TEST_F(FileCommandsTest, CloseDisablesTheFileCommands) {
    std::string path = Opened("a.bin", PatternBytes(1000));
    ShowAddress(TestDoc(), 500, true, false);
    EXPECT_TRUE(Close1Click(TestDoc()));
    EXPECT_TRUE(Host.Messages.empty());
    ExpectNoFileState();
    for (TCommand command : Group(GroupLoaded))
        EXPECT_FALSE(Host.IsEnabled(command)) << static_cast<int>(command);
    EXPECT_FALSE(Host.IsEnabled(TCommand::Findagaindown1));
    EXPECT_TRUE(Host.IsEnabled(TCommand::New1));
    EXPECT_TRUE(Host.IsEnabled(TCommand::JkBtnOpen));
    EXPECT_GT(Host.PaneClears, 0);
    EXPECT_EQ(TestDoc().View.CursorCol, 0);
    EXPECT_EQ(TestDoc().View.CursorRow, 0);
    EXPECT_EQ(TestDoc().File.FileName, path);
}

TEST_F(FileCommandsTest, CloseOfAModifiedFileCanBeCancelled) {
    Opened("a.bin", PatternBytes(100));
    TestDoc().Modified = true;
    Host.YesNoCancelAnswers = {mrCancel};
    EXPECT_FALSE(Close1Click(TestDoc()));
    EXPECT_TRUE(TestDoc().FileOpen);
    EXPECT_EQ(TestDoc().Store.FileSize(), 100);
    EXPECT_TRUE(Host.Captions.empty());
}

// --- Insert and Write block ------------------------------------------------------------------------------

TEST_F(FileCommandsTest, InsertFileBeforeTheCursor) {
    Opened("a.bin", PatternBytes(20));
    std::string ten = Dir.Write("ten.bin", PatternBytes(10, 200));
    ShowAddress(TestDoc(), 5, true, false);
    ASSERT_EQ(CurrentAddress(TestDoc()), 5);
    Host.FileChoices = {ten};
    Insertfile1Click(TestDoc());
    auto expected = PatternBytes(20);
    auto inserted = PatternBytes(10, 200);
    expected.insert(expected.begin() + 4, inserted.begin(), inserted.end());
    EXPECT_EQ(Bytes(), expected);
    EXPECT_EQ(CurrentAddress(TestDoc()), 15);
    EXPECT_TRUE(TestDoc().Modified);
    EXPECT_TRUE(Host.Messages.empty());
    ASSERT_EQ(Host.FileDialogs.size(), 1u);
    EXPECT_EQ(Host.FileDialogs[0].Mode, TFileDialogMode::Open);
    EXPECT_EQ(Host.FileDialogs[0].Title, "Open file");
}

TEST_F(FileCommandsTest, InsertDropsAnAffectedBlock) {
    Opened("a.bin", PatternBytes(20));
    TestDoc().Block.BlockBegin = 8;
    TestDoc().Block.BlockEnd = 12;
    ShowAddress(TestDoc(), 5, true, false);
    Host.FileChoices = {Dir.Write("ten.bin", PatternBytes(10))};
    Insertfile1Click(TestDoc());
    EXPECT_EQ(TestDoc().Block.BlockBegin, 0);
    EXPECT_EQ(TestDoc().Block.BlockEnd, 0);
    EXPECT_EQ(Host.MessageTexts(), std::vector<std::string>{"Block no longer valid"});
}

TEST_F(FileCommandsTest, InsertOfAnEmptyOrMissingFileIsRefused) {
    Opened("a.bin", PatternBytes(20));
    std::string empty = Dir.Write("empty.bin", {});
    std::string missing = Dir.PathOf("missing.bin");
    Host.FileChoices = {empty, missing};
    Insertfile1Click(TestDoc());
    Insertfile1Click(TestDoc());
    EXPECT_EQ(Host.ErrorTexts(),
              (std::vector<std::string>{"File is empty:\n" + empty, "File is empty:\n" + missing}));
    EXPECT_EQ(Bytes(), PatternBytes(20));
    EXPECT_FALSE(TestDoc().Modified);
}

TEST_F(FileCommandsTest, InsertThatTheMemoryCannotHoldIsRefused) {
    Opened("a.bin", PatternBytes(20));
    std::string huge = Dir.Write("huge.bin", {});
    ASSERT_EQ(truncate(huge.c_str(), int64_t{1} << 31), 0);
    AvailableMemoryHook = [] { return int64_t{1} << 30; };
    Host.FileChoices = {huge};
    Insertfile1Click(TestDoc());
    EXPECT_EQ(Host.ErrorTexts().size(), 1u);
    EXPECT_EQ(Bytes(), PatternBytes(20));
    EXPECT_FALSE(TestDoc().Modified);
}

TEST_F(FileCommandsTest, FailedInsertClosesTheGapAgain) {
    Opened("a.bin", PatternBytes(20));
    std::string big = Dir.Write("big.bin", PatternBytes(20 * 131072));
    ShowAddress(TestDoc(), 5, true, false);
    Host.CancelAfterShownProgress = 2;
    Host.FileChoices = {big};
    Insertfile1Click(TestDoc());
    EXPECT_EQ(Host.ErrorTexts(), std::vector<std::string>{"Reading cancelled:\nbig.bin"});
    EXPECT_EQ(Bytes(), PatternBytes(20));
    EXPECT_FALSE(TestDoc().Modified);
    EXPECT_EQ(CurrentAddress(TestDoc()), 20); // pos + n, clamped to the file
}

TEST_F(FileCommandsTest, WriteBlockWritesTheMarkedBytesUnderAnotherName) {
    std::string path = Opened("a.bin", PatternBytes(100));
    Writeblock1Click(TestDoc()); // no block: no dialog
    TestDoc().Block.BlockBegin = 11;
    TestDoc().Block.BlockEnd = 30;
    std::string out = Dir.PathOf("part.bin");
    Host.FileChoices = {out};
    Writeblock1Click(TestDoc());
    auto bytes = PatternBytes(100);
    EXPECT_EQ(TTempDir::Read(out), std::vector<uint8_t>(bytes.begin() + 10, bytes.begin() + 30));
    EXPECT_EQ(TestDoc().File.FileName, path);
    ASSERT_EQ(Host.FileDialogs.size(), 1u);
    EXPECT_EQ(Host.FileDialogs[0].Mode, TFileDialogMode::Save);
    EXPECT_EQ(Host.FileDialogs[0].Title, "Save file as");
}

// --- Files past 4 GiB -------------------------------------------------------------------------------------

// A sparse file of 4 GiB + 4 KiB with marks on both sides of 2^31 and 2^32 and at its very end: every
// address past the old 32-bit limits opens, goes, finds, edits and saves where it is.
TEST_F(FileCommandsTest, AFileBeyondFourGibOpensFindsEditsAndSaves) {
    constexpr TCount FourGib = TCount{1} << 32;
    constexpr TCount Size = FourGib + 4096;
    const int64_t available = AvailableMemory();
    if (available >= 0 && available < Size + (TCount{2} << 30))
        GTEST_SKIP() << "needs " << Size + (TCount{2} << 30) << " bytes of memory, " << available
                     << " available";
    struct TMark {
        TCount Offset; // 0-based, as pread counts
        std::vector<uint8_t> Bytes;
    };
    auto mark = [](char tag) { return std::vector<uint8_t>{'<', uint8_t(tag), '#', '>'}; };
    const std::vector<TMark> marks = {{(TCount{1} << 31) - 3, mark('a')},
                                      {(TCount{1} << 31) + 5, mark('b')},
                                      {FourGib - 7, mark('c')},
                                      {FourGib + 9, mark('d')},
                                      {Size - 4, mark('e')}};
    const std::string path = Dir.Write("huge.bin", {});
    {
        const int fd = ::open(path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, Size), 0);
        for (const TMark& m : marks)
            ASSERT_EQ(::pwrite(fd, m.Bytes.data(), m.Bytes.size(), m.Offset), 4);
        ::close(fd);
    }
    ASSERT_TRUE(OpenFile(TestDoc(), path, false));
    ASSERT_EQ(TestDoc().Store.FileSize(), Size);

    TestApp().AddressBase = 0;
    for (const TMark& m : marks) {
        const TAddress address = m.Offset + 1;
        SCOPED_TRACE(address);
        GoToAddress(TestDoc(), GotoTarget(TestDoc(), TGoMode::Absolute, m.Offset));
        EXPECT_EQ(CurrentAddress(TestDoc()), address);
        // From a MiB away on either side, so that the scans cross 2^31 and 2^32.
        TestApp().SearchRequest.Pattern = m.Bytes;
        TestDoc().Search.LastFoundAddress = 0;
        GoToAddress(TestDoc(), address - (1 << 20));
        Findagaindown1Click(TestDoc());
        EXPECT_EQ(CurrentAddress(TestDoc()), address);
        TestDoc().Search.LastFoundAddress = 0;
        GoToAddress(TestDoc(), std::min<TAddress>(TestDoc().Store.FileSize(), address + (1 << 20)));
        Findagainup1Click(TestDoc());
        EXPECT_EQ(CurrentAddress(TestDoc()), address);
    }
    EXPECT_TRUE(Host.InfoTexts().empty());

    const std::vector<uint8_t> overwritten = mark('z');
    ASSERT_TRUE(OverwriteBytesAt(TestDoc(), marks[2].Offset + 1, overwritten));
    const TAddress inserted = FourGib - 100;
    ASSERT_TRUE(InsertBytesAt(TestDoc(), inserted, std::vector<uint8_t>{0x5A}));
    ASSERT_TRUE(Save1Click(TestDoc()));
    EXPECT_TRUE(Host.ErrorTexts().empty());

    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    struct stat st {};
    ASSERT_EQ(::fstat(fd, &st), 0);
    EXPECT_EQ(st.st_size, Size + 1);
    auto at = [fd](TCount offset, size_t n) {
        std::vector<uint8_t> bytes(n);
        EXPECT_EQ(::pread(fd, bytes.data(), n, offset), static_cast<ssize_t>(n)) << offset;
        return bytes;
    };
    EXPECT_EQ(at(inserted - 2, 3), (std::vector<uint8_t>{0, 0x5A, 0}));
    for (size_t i = 0; i < marks.size(); ++i) {
        // The marks after the inserted byte moved up by one.
        const TCount offset = marks[i].Offset + (marks[i].Offset >= inserted - 1 ? 1 : 0);
        EXPECT_EQ(at(offset, 4), i == 2 ? overwritten : marks[i].Bytes) << offset;
    }
    ::close(fd);
}

} // namespace
