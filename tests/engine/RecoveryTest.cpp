// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeClipboard.h"
#include "common/TestDocument.h"
#include "FakeHost.h"

#include "common/TestRandom.h"
#include "engine/store/PieceStore.h"
#include "engine/recovery/ContentHash.h"
#include "engine/document/Blocks.h"
#include "engine/editing/Clipboard.h"
#include "engine/editing/Editing.h"
#include "engine/editing/Integers.h"
#include "engine/inspector/DataInspector.h"
#include "engine/document/EngineReset.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileCommands.h"
#include "engine/files/FileIo.h"
#include "engine/editing/PaneEditing.h"
#include "engine/files/Paths.h"
#include "engine/recovery/Recovery.h"
#include "engine/recovery/RecoveryReplay.h"
#include "engine/search/Replace.h"
#include "engine/search/SearchRequest.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "engine/editing/Undo.h"
#include "engine/document/View.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <fstream>
#include <regex>
#include <sys/file.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

using namespace Engine;

namespace {

using TBytes = std::vector<uint8_t>;

class RecoveryTest : public TEngineTest {
  protected:
    void SetUp() override {
        TEngineTest::SetUp();
        Start();
    }
    // The engine as a new start of the program finds it.
    void Start() {
        ResetEngineState(TestDoc());
        TestApp().Host = &Host;
        TestDoc().View.Cols = 16;
        TestDoc().View.Rows = 10;
        TestDoc().View.PageBytes = 160;
        TestApp().RecoveryFolder = Folder();
    }
    std::string Folder() const { return State.PathOf("recovery"); }
    // The journal this program writes, as it stands on the disk.
    TBytes JournalFile() {
        RecoveryDrain(TestDoc());
        return TTempDir::Read(RecoveryJournalPath(TestDoc()));
    }
    // The journal left behind by a program that ended (killed with it: nothing removed it).
    std::string Leave(const TBytes& journal) {
        static int left = 0;
        const std::string path = Folder() + "/niblo-left" + std::to_string(++left) + ".journal";
        std::filesystem::create_directories(Folder());
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(journal.data()), std::streamsize(journal.size()));
        return path;
    }
    // The records of a journal replayed onto the file it names, in a fresh engine.
    TBytes Replayed(const TBytes& journal, bool& complete) {
        Start();
        TJournalReader reader(journal);
        TJournalHeader header;
        EXPECT_TRUE(reader.ReadHeader(header));
        EXPECT_TRUE(OpenFile(TestDoc(), header.Name, false));
        TRecoveryPause pause(TestDoc());
        complete = ReplayJournal(TestDoc(), reader, 1, "x").Complete;
        return Bytes();
    }
    void Type(const std::string& text) {
        for (char c : text)
            PaneKeyPress(TestDoc(), uint8_t(c));
    }
    TTempDir Dir, State;
    TFakeClipboard Clip;
};

// Random commands of every kind that changes bytes, with undo, redo and saves between them, against a
// reference of the bytes; the journal written meanwhile, replayed on the file in a fresh engine, gives
// the same bytes, each change an undo step, and goes on as the new program's journal. Every kind of step
// a record can name is drawn.
TEST_F(RecoveryTest, RandomCommandsReplayToTheReference) {
    std::set<TStepName> drawn;
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        TTestRandom random(seed);
        auto rnd = [&](int lo, int hi) { return random.Pick(lo, hi); };
        auto randomBytes = [&](int n) {
            TBytes bytes(static_cast<size_t>(n));
            for (uint8_t& b : bytes)
                b = static_cast<uint8_t>(rnd(0, 3) == 0 ? 'a' + rnd(0, 2) : rnd(0, 255));
            return bytes;
        };
        Start();
        const std::string path = Dir.Write("file" + std::to_string(seed) + ".bin", randomBytes(300));
        const std::string insertPath = Dir.Write("insert.bin", randomBytes(37));
        ASSERT_TRUE(OpenFile(TestDoc(), path, false));
        // The reference: the bytes after each step, the steps that undo and redo walk through.
        std::vector<TBytes> states{Bytes()};
        size_t index = 0;
        TBytes saved = Bytes();
        for (int n = 0; n < 300; ++n) {
            SCOPED_TRACE(testing::Message() << "step " << n);
            const auto size = static_cast<int32_t>(TestDoc().Store.FileSize());
            const int op = rnd(0, 20);
            const bool typing = op <= 2;
            if (!typing || rnd(0, 1) == 0) {
                TestApp().OverwriteMode = rnd(0, 1) == 0;
                if (size > 0) PutCursorOn(rnd(1, size + (TestApp().OverwriteMode ? 0 : 1)), rnd(0, 9));
                SealUndoStep(TestDoc());
            }
            const TAddress at = CurrentAddress(TestDoc());
            TBytes model = states[index];
            const int64_t applied = TestDoc().Undo.Journal.Applied;
            bool modelled =
                true; // else the command's own tests hold its rules, and the reference takes its result
            switch (op) {
            case 0:
            case 1:
            case 2: {
                const uint8_t value = uint8_t(rnd(32, 255));
                PaneKeyPress(TestDoc(), value);
                if (model.empty())
                    model.push_back(value);
                else if (TestApp().OverwriteMode)
                    model[size_t(at - 1)] = value;
                else
                    model.insert(model.begin() + (at - 1), value);
                break;
            }
            case 3: {
                int key = PaneKey::Delete;
                PaneKeyDown(TestDoc(), key, 0);
                if (at <= size) model.erase(model.begin() + (at - 1));
                break;
            }
            case 4: {
                // Now and then the bytes that Patch looks for.
                const TBytes bytes =
                    rnd(0, 9) == 0 ? TBytes{0xF7, 0xD0, 0xF7, 0xD2, 0xB9, 0x37} : randomBytes(rnd(1, 4));
                const int count = rnd(1, 3);
                InsertRepeated(TestDoc(), bytes, count);
                for (int i = 0; i < count; ++i)
                    model.insert(model.begin() + (at - 1), bytes.begin(), bytes.end());
                break;
            }
            case 5:
                if (size > 2) {
                    const int32_t a = rnd(1, size), b = rnd(1, size);
                    MarkFromTo(std::min(a, b), std::max(a, b));
                    PutCursorOn(rnd(1, size));
                    Blockcopy1Click(TestDoc(), TBlockCopyKind(rnd(0, 2)));
                }
                modelled = false;
                break;
            case 6:
                Host.FileChoices = {insertPath};
                Insertfile1Click(TestDoc());
                modelled = false;
                break;
            case 7:
            case 8:
                if (size == 0) break;
                TestApp().SearchRequest.Pattern = {uint8_t(TestDoc().Store.ByteAt(rnd(1, size)))};
                TestApp().SearchRequest.Replacement = randomBytes(rnd(0, 3));
                op == 7 ? ReplaceAllCommand(TestDoc()) : ReplaceStepCommand(TestDoc(), TReplaceSender::Command, at, true);
                modelled = false;
                break;
            case 9:
                Clip.Clear();
                Clip.OctetStream = randomBytes(rnd(0, 9));
                Paste1Click(TestDoc(), Clip);
                modelled = false;
                break;
            case 10:
            case 11:
                for (int i = rnd(1, 3); i > 0 && TestDoc().Undo.Journal.CanUndo(); --i) {
                    Undo1Click(TestDoc());
                    --index;
                }
                EXPECT_EQ(Bytes(), states[index]);
                continue;
            case 12:
                for (int i = rnd(1, 3); i > 0 && TestDoc().Undo.Journal.CanRedo(); --i) {
                    Redo1Click(TestDoc());
                    ++index;
                }
                EXPECT_EQ(Bytes(), states[index]);
                continue;
            case 13:
                if (rnd(0, 3) == 0) {
                    ASSERT_TRUE(Save1Click(TestDoc()));
                    saved = Bytes();
                }
                continue;
            case 14:
                if (rnd(0, 3) == 0) rnd(0, 1) == 0 ? DeleteFromCursor(TestDoc()) : DeleteToCursor(TestDoc());
                modelled = false;
                break;
            case 15:
                if (size > 2) {
                    const int32_t a = rnd(1, size), b = rnd(1, size);
                    MarkFromTo(std::min(a, b), std::max(a, b));
                    rnd(0, 1) == 0 ? Cut1Click(TestDoc(), Clip, true) : Blockdelete1Click(TestDoc());
                }
                modelled = false;
                break;
            case 16: {
                Clip.Clear();
                std::string hex;
                for (uint8_t b : randomBytes(rnd(1, 6))) {
                    hex += "0123456789abcdef"[b >> 4];
                    hex += "0123456789abcdef"[b & 15];
                    hex += ' ';
                }
                Clip.Text = TBytes(hex.begin(), hex.end());
                PasteHex1Click(TestDoc(), Clip);
                modelled = false;
                break;
            }
            case 17:
                WriteEncoded(TestDoc(), randomBytes(rnd(1, 4)), TestApp().OverwriteMode);
                modelled = false;
                break;
            case 18:
                WriteInspectorText(TestDoc(), rnd(0, 1) == 0 ? TInspectorRow::UInt8 : TInspectorRow::Int16,
                                   std::to_string(rnd(0, 255)), TByteOrder::LsbFirst);
                modelled = false;
                break;
            case 19:
                Patch1Click(TestDoc());
                modelled = false;
                break;
            case 20:
                Replaceundo1Click(TestDoc());
                modelled = false;
                break;
            }
            for (int64_t i = applied; i < TestDoc().Undo.Journal.Applied; ++i)
                drawn.insert(TestDoc().Undo.Journal.NameAt(i));
            if (modelled) {
                ASSERT_EQ(Bytes(), model);
            }
            if (TestDoc().Undo.Journal.Applied == applied && !(typing && Bytes() != states[index])) continue;
            if (TestDoc().Undo.Journal.Applied == applied) {
                states[index] = Bytes(); // typing went on in its step
                continue;
            }
            states.resize(index + 1);
            states.push_back(Bytes());
            ++index;
        }
        const TBytes final = Bytes();
        const bool modified = TestDoc().Modified;
        const TBytes journal = JournalFile();
        if (!modified) continue;
        ASSERT_FALSE(journal.empty());
        EXPECT_EQ(TTempDir::Read(path), saved);

        // A new start: the question, then the changes back, each an undo step down to the saved bytes.
        Start();
        Leave(journal);
        Host.ForgetRecords();
        Host.YesNoAnswers = {mrYes};
        OfferRecoveries(TestDoc());
        ASSERT_EQ(Host.QuestionTexts().size(), 1u);
        EXPECT_TRUE(Host.QuestionTexts()[0].starts_with("NIBLO was closed before changes to " +
                                                        NamePart(path) + " were saved ("));
        // The time of the last change in ISO order and 24 hours.
        EXPECT_TRUE(
            std::regex_search(Host.QuestionTexts()[0],
                              std::regex(R"(, the last at \d{4}-\d\d-\d\d \d\d:\d\d\)\. Recover them\?$)")))
            << Host.QuestionTexts()[0];
        EXPECT_EQ(TestDoc().File.FileName, path);
        EXPECT_EQ(Bytes(), final);
        EXPECT_TRUE(TestDoc().Modified);
        EXPECT_TRUE(Host.ModifiedMark);
        // The journal goes on: one more change, and a second crash gives it all back too.
        PutCursorOn(1);
        SealUndoStep(TestDoc());
        PaneKeyPress(TestDoc(), 'Z');
        const TBytes more = Bytes();
        const TBytes continued = JournalFile();
        while (TestDoc().Undo.Journal.CanUndo())
            Undo1Click(TestDoc());
        EXPECT_EQ(Bytes(), saved);
        EXPECT_FALSE(TestDoc().Modified);
        bool complete = false;
        EXPECT_EQ(Replayed(continued, complete), more);
        EXPECT_TRUE(complete);
    }
    // Change names no command's step: only an untitled file's first record, replayed by its own test.
    drawn.insert(TStepName::Change);
    EXPECT_EQ(drawn.size(), size_t(StepNameCount));
}

// A journal torn anywhere in its last record replays every record before it, and nothing else.
TEST_F(RecoveryTest, TornTailReplaysTheWholeRecordsBeforeIt) {
    const std::string path = Dir.Write("torn.bin", PatternBytes(500));
    ASSERT_TRUE(OpenFile(TestDoc(), path, false));
    TestApp().OverwriteMode = false;
    // Each key written before the next: the typing step's records go on in one undo step.
    for (char c : std::string("abc")) {
        PaneKeyPress(TestDoc(), uint8_t(c));
        RecoveryDrain(TestDoc());
    }
    PutCursorOn(100);
    SealUndoStep(TestDoc());
    int key = PaneKey::Delete;
    PaneKeyDown(TestDoc(), key, 0);
    RecoveryDrain(TestDoc());
    const size_t before = TTempDir::Read(RecoveryJournalPath(TestDoc())).size();
    const TBytes withoutLast = Bytes();
    PutCursorOn(200);
    SealUndoStep(TestDoc());
    Type("XYZ");
    const TBytes all = Bytes();
    const TBytes journal = JournalFile();
    ASSERT_GT(journal.size(), before);
    bool complete = false;
    for (size_t cut = before; cut <= journal.size(); ++cut) {
        SCOPED_TRACE(cut);
        const TBytes bytes =
            Replayed(TBytes(journal.begin(), journal.begin() + std::ptrdiff_t(cut)), complete);
        EXPECT_EQ(bytes, cut == journal.size() ? all : withoutLast);
        EXPECT_TRUE(complete);
        EXPECT_EQ(TestDoc().Undo.Journal.Steps.size(), cut == journal.size() ? 3u : 2u);
    }
}

// Closing the file saved or its changes given up removes the journal; saving starts it again from the
// saved contents; the journal is private to the user.
TEST_F(RecoveryTest, JournalLivesWhileChangesAreUnsaved) {
    const std::string path = Dir.Write("life.bin", PatternBytes(100));
    ASSERT_TRUE(OpenFile(TestDoc(), path, false));
    EXPECT_EQ(RecoveryJournalPath(TestDoc()), "");
    Type("ab");
    JournalFile();
    const std::string first = RecoveryJournalPath(TestDoc());
    ASSERT_TRUE(std::filesystem::exists(first));
    struct stat info {};
    ASSERT_EQ(stat(first.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(Folder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_TRUE(Save1Click(TestDoc()));
    RecoveryDrain(TestDoc());
    EXPECT_FALSE(std::filesystem::exists(first));
    Type("c");
    const TBytes journal = JournalFile();
    TJournalReader reader(journal);
    TJournalHeader header;
    ASSERT_TRUE(reader.ReadHeader(header));
    EXPECT_EQ(header.Name, path);
    EXPECT_EQ(header.BaseSize, 100);
    TBytes saved = PatternBytes(100);
    saved[0] = 'a';
    saved[1] = 'b';
    EXPECT_EQ(header.BaseHash, ContentHash(saved.data(), saved.size()));
    // No to "save changes?": the changes and their journal go.
    const std::string second = RecoveryJournalPath(TestDoc());
    Host.YesNoCancelAnswers = {mrNo};
    ASSERT_TRUE(Close1Click(TestDoc()));
    RecoveryDrain(TestDoc());
    EXPECT_FALSE(std::filesystem::exists(second));
    EXPECT_TRUE(std::filesystem::is_empty(Folder()));
}

// An untitled file has a journal too; a new start offers its bytes back in an untitled file.
TEST_F(RecoveryTest, UntitledFileComesBackUntitled) {
    New1Click(TestDoc());
    TestApp().OverwriteMode = false;
    Type("new text");
    Leave(JournalFile());
    Start();
    Host.YesNoAnswers = {mrYes};
    OfferRecoveries(TestDoc());
    EXPECT_TRUE(TestDoc().File.Untitled);
    EXPECT_EQ(Bytes(), TBytes({'n', 'e', 'w', ' ', 't', 'e', 'x', 't'}));
    EXPECT_TRUE(TestDoc().Modified);
}

// With tabs, each recovered file goes to the document the window names for it, and the one shown keeps its
// own file.
TEST_F(RecoveryTest, ARecoveredFileGoesToTheDocumentNamedForIt) {
    const std::string left = Dir.Write("left.bin", PatternBytes(40)), shown = Dir.Write("shown.bin", {7, 7});
    ASSERT_TRUE(OpenFile(TestDoc(), left, false));
    Type("zz");
    Leave(JournalFile());
    Start();
    ASSERT_TRUE(OpenFile(TestDoc(), shown, false));
    TDocument tab(App);
    tab.ShowIn(&Host);
    Host.YesNoAnswers = {mrYes};
    OfferRecoveries(TestDoc(), [&]() -> TDocument& { return tab; });
    EXPECT_EQ(TestDoc().File.FileName, shown);
    EXPECT_FALSE(TestDoc().Modified);
    EXPECT_EQ(tab.File.FileName, left);
    EXPECT_TRUE(tab.Modified);
    UseTestDocument(&tab);
    TBytes expected = PatternBytes(40);
    expected[0] = expected[1] = 'z';
    EXPECT_EQ(Bytes(), expected);
    tab.Modified = false;
    UseTestDocument(&Document);
}

// A file changed on disk since: said, and recovered into an untitled file on Yes. No to the question
// asks again before the journal goes for good.
TEST_F(RecoveryTest, ChangedFileOrNoToTheQuestion) {
    const std::string path = Dir.Write("changed.bin", PatternBytes(50));
    ASSERT_TRUE(OpenFile(TestDoc(), path, false));
    Type("xy");
    const TBytes journal = JournalFile();
    Start();
    Dir.Write("changed.bin", PatternBytes(60, 9));
    Leave(journal);
    Host.YesNoAnswers = {mrYes, mrYes};
    OfferRecoveries(TestDoc());
    ASSERT_EQ(Host.QuestionTexts().size(), 2u);
    EXPECT_EQ(Host.QuestionTexts()[1], FormatText(Texts::RecoverChangedOnDisk, {std::string("changed.bin")}));
    EXPECT_TRUE(TestDoc().File.Untitled);
    TBytes expected = PatternBytes(60, 9);
    expected[0] = 'x';
    expected[1] = 'y';
    EXPECT_EQ(Bytes(), expected);
    EXPECT_EQ(TTempDir::Read(path), PatternBytes(60, 9));

    // No, then No: the journal stays for a later start; No, then Yes: it goes.
    for (int keep : {mrNo, mrYes}) {
        Start();
        const std::string left = Leave(journal);
        Host.ForgetRecords();
        Host.YesNoAnswers = {mrNo, keep};
        OfferRecoveries(TestDoc());
        EXPECT_EQ(Host.QuestionTexts()[1],
                  FormatText(Texts::RecoverDeleteForGood, {std::string("changed.bin")}));
        EXPECT_EQ(std::filesystem::exists(left), keep == mrNo);
        EXPECT_FALSE(TestDoc().FileOpen);
    }
}

// A change larger than the journal's budget stops the journal until the next save, and says so; a
// second program's journal of the same file is told of.
TEST_F(RecoveryTest, LargeChangeSuspendsAndOtherWindowsAreTold) {
    const std::string path = Dir.Write("big.bin", PatternBytes(100));
    ASSERT_TRUE(OpenFile(TestDoc(), path, false));
    TestDoc().Recovery.Budget = 64;
    Type("a");
    InsertRepeated(TestDoc(), TBytes(10, 'q'), 10);
    EXPECT_EQ(Host.StatusTexts,
              std::vector<std::string>{FormatText(Texts::RecoveryTooLarge, {std::string("big.bin")})});
    const size_t stopped = JournalFile().size();
    Type("b");
    EXPECT_EQ(JournalFile().size(), stopped);
    ASSERT_TRUE(Save1Click(TestDoc()));
    Type("c");
    EXPECT_FALSE(JournalFile().empty());
    // A journal that cannot be written stops the same way.
    const std::string folder = TestApp().RecoveryFolder;
    TestApp().RecoveryFolder = Dir.Write("not a folder", {});
    ASSERT_TRUE(Save1Click(TestDoc()));
    Type("d");
    RecoveryDrain(TestDoc());
    Type("e");
    EXPECT_EQ(Host.StatusTexts.back(), FormatText(Texts::RecoveryNotWritten, {std::string("big.bin")}));
    TestApp().RecoveryFolder = folder;
    ASSERT_TRUE(Save1Click(TestDoc()));
    Type("f");

    // Another program holds its journal of the file: opening the file tells of it.
    const std::string other = Leave(JournalFile());
    const int held = open(other.c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
    Start();
    Host.ForgetRecords();
    ASSERT_TRUE(OpenFile(TestDoc(), path, false));
    EXPECT_EQ(Host.InfoTexts(),
              std::vector<std::string>{FormatText(Texts::OtherWindowEditing, {std::string("big.bin")})});
    EXPECT_TRUE(Host.QuestionTexts().empty());
    close(held);
}

} // namespace
