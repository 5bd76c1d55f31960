// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeClipboard.h"
#include "common/TestDocument.h"
#include "common/EngineSetup.h"
#include "FakeHost.h"

#include "common/TestRandom.h"
#include "engine/document/Blocks.h"
#include "engine/store/PieceStore.h"
#include "engine/editing/Clipboard.h"
#include "engine/store/DynArray.h"
#include "engine/editing/Editing.h"
#include "engine/document/EngineState.h"
#include "engine/text/StringTable.h"
#include "engine/editing/Undo.h"
#include "engine/document/View.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace Engine;

namespace {

using TBytes = std::vector<uint8_t>;

TBytes Payload(const TBytes& bytes) {
    TBytes payload(bytes.size() + PayloadHeader);
    EncodePayload(bytes, payload);
    return payload;
}

class ClipboardTest : public TEngineTest {
  protected:
    TFakeClipboard Clip;
    void Copy() { Cut1Click(TestDoc(), Clip, false); }
    void Cut() { Cut1Click(TestDoc(), Clip, true); }
    void Paste() { Paste1Click(TestDoc(), Clip); }
    // The file after a Paste at address 3 of 10 01 02 03 that changed nothing.
    void ExpectNothingPasted() {
        EXPECT_EQ(Bytes(), (TBytes{0x10, 0x11, 0x12, 0x13}));
        EXPECT_FALSE(TestDoc().Modified);
    }
};

// --- The payload and the text conversion ------------------------------------------------------------------

TEST(ClipboardPayload, DecodesOnlyWhatTheDataHolds) {
    struct TCase {
        TBytes Payload;
        std::optional<TBytes> Carried;
    };
    const TCase cases[] = {
        {{}, std::nullopt},
        {{0x03, 0x00, 0x00}, std::nullopt},   // shorter than its count
        {{0x00, 0x00, 0x00, 0x00}, TBytes{}}, // count 0
        {{0x03, 0x00, 0x00, 0x00, 0x00, 0x41, 0xFF}, TBytes{0x00, 0x41, 0xFF}},
        {{0x02, 0x00, 0x00, 0x00, 0x0A, 0x0B, 0x0C}, TBytes{0x0A, 0x0B}}, // count 1 less than the data
        {{0x04, 0x00, 0x00, 0x00, 0x0A, 0x0B, 0x0C}, std::nullopt},       // count 1 more
        {{0x00, 0x00, 0x00, 0x80, 0x0A}, std::nullopt},                   // count 2^31
        {{0xFF, 0xFF, 0xFF, 0xFF, 0x0A}, std::nullopt},                   // count 2^32 - 1
        {{0x01, 0x01, 0x00, 0x00, 0x0A}, std::nullopt},                   // 257: every count byte counts
    };
    for (const TCase& c : cases) {
        // Exact size, so that the sanitizer sees a read past the payload.
        std::unique_ptr<uint8_t[]> exact(new uint8_t[std::max<size_t>(c.Payload.size(), 1)]);
        std::copy(c.Payload.begin(), c.Payload.end(), exact.get());
        const auto carried = DecodePayload({exact.get(), c.Payload.size()});
        ASSERT_EQ(carried.has_value(), c.Carried.has_value()) << ::testing::PrintToString(c.Payload);
        if (carried) {
            EXPECT_EQ(TBytes(carried->begin(), carried->end()), *c.Carried);
        }
    }
}

TEST(ClipboardText, ConvertsToWindows1252UpToTheFirstNul) {
    struct TCase {
        std::u16string Text;
        TBytes Bytes;
    };
    const TCase cases[] = {
        {u"ABC", {0x41, 0x42, 0x43}},
        {u"", {}},
        {std::u16string(1, u'\0'), {}},
        {std::u16string(u"A\0B", 3), {0x41}},
        {u"\u20AC\u00FC\u0178\u0081", {0x80, 0xFC, 0x9F, 0x81}}, // euro, u umlaut, Y diaeresis, undefined 81
        {u"x\U0001F600y", {0x78, 0x3F, 0x79}},                   // one emoji is one '?'
        {u"\u03A9\u4E2D", {0x3F, 0x3F}},                         // no Windows-1252 byte
        {std::u16string(1, char16_t(0xD800)) + u"A", {0x3F, 0x41}}, // a lone half of a pair
        {u"\r\n\t", {0x0D, 0x0A, 0x09}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ClipboardTextBytes(TestApp(), c.Text), c.Bytes) << ::testing::PrintToString(c.Bytes);
}

// --- Against a model --------------------------------------------------------------------------------------

TEST_F(ClipboardTest, RandomCutsCopiesAndPastesMatchAModel) {
    TTestRandom random(1103);
    auto pick = [&](int32_t low, int32_t high) { return random.Pick(low, high); };
    TBytes file = random.Bytes(pick(0, 200));
    OpenBytes(file);
    std::optional<TBytes> clip; // what the clipboard carries, as the model sees it
    for (int step = 0; step < 600; ++step) {
        SCOPED_TRACE(step);
        const auto size = static_cast<int32_t>(file.size());
        const int32_t a = size == 0 ? 1 : pick(1, size);
        UnmarkBlock(TestDoc());
        int32_t begin = 0, end = 0;
        if (size > 0 && pick(0, 4) > 0) {
            begin = pick(1, size);
            end = pick(begin, std::min(size, begin + pick(0, 40)));
            MarkFromTo(begin, end);
        }
        PutCursorOn(a);
        Host.ForgetRecords();
        const bool wasModified = TestDoc().Modified;
        const int op = pick(0, 4);
        if (op <= 1) { // Copy or Cut
            if (begin != 0) clip = TBytes(file.begin() + begin - 1, file.begin() + end);
            if (op == 0) {
                Copy();
                EXPECT_EQ(TestDoc().Modified, wasModified);
                EXPECT_EQ(TestDoc().Block.BlockBegin, begin);
                EXPECT_EQ(TestDoc().Block.BlockEnd, end);
                EXPECT_EQ(CurrentAddress(TestDoc()), a);
            } else {
                Cut();
                if (begin != 0) {
                    file.erase(file.begin() + begin - 1, file.begin() + end);
                    EXPECT_EQ(TestDoc().Block.BlockBegin, 0);
                    const auto left = static_cast<int32_t>(file.size());
                    EXPECT_EQ(CurrentAddress(TestDoc()), std::max(1, std::min(a, left)));
                }
            }
            if (begin == 0) {
                EXPECT_EQ(Host.ErrorTexts(), std::vector<std::string>{Texts::NoBlockMarked});
            }
            ASSERT_EQ(Clip.Binary.has_value(), clip.has_value());
            if (clip) {
                EXPECT_EQ(*Clip.Binary, Payload(*clip));
            }
        } else {
            if (op == 3) { // another program's text replaces ours
                clip.reset();
                Clip.Clear();
                Clip.Text = TBytes(static_cast<size_t>(pick(0, 9)), static_cast<uint8_t>(pick(1, 255)));
            }
            const std::optional<TBytes> pasted = clip ? clip : Clip.Text;
            Paste();
            if (pasted) {
                file.insert(file.begin() + a - 1, pasted->begin(), pasted->end());
                EXPECT_TRUE(TestDoc().Modified);
                EXPECT_EQ(CurrentAddress(TestDoc()), a);
                const bool dropped = begin != 0 && end >= a;
                EXPECT_EQ(Host.InfoTexts(), dropped ? std::vector<std::string>{Texts::BlockNoLongerValid}
                                                    : std::vector<std::string>{});
                EXPECT_EQ(TestDoc().Block.BlockBegin, dropped ? 0 : begin);
            }
        }
        ASSERT_EQ(Bytes(), file);
        EXPECT_EQ(TestDoc().View.BottomAddress,
                  std::min(TestDoc().View.TopAddress + TestDoc().View.PageBytes - 1, TestDoc().Store.FileSize()));
    }
}

// --- Cut and Copy -----------------------------------------------------------------------------------------

TEST_F(ClipboardTest, CopyPutsTheBlockAloneOnTheClipboardAndPasteInsertsItExactly) {
    OpenBytes({0x10, 0x00, 0x41, 0xFF, 0x20});
    Clip.Text = TBytes{0x41};
    MarkFromTo(2, 4);
    PutCursorOn(5);
    Host.ForgetRecords();
    TestApp().TextMode = true;
    Copy();
    EXPECT_EQ(Clip.Binary, (TBytes{0x03, 0x00, 0x00, 0x00, 0x00, 0x41, 0xFF}));
    EXPECT_EQ(Host.BusyTexts, std::vector<std::string>{Texts::CopyToClipboardBusy});
    // Text beside it for other programs, as the active pane shows the bytes.
    EXPECT_EQ(Clip.PublishedText, u".A\u00FF");
    TestApp().TextMode = false;
    Copy();
    EXPECT_EQ(Clip.PublishedText, u"00 41 FF");
    EXPECT_FALSE(TestDoc().Modified);
    UnmarkBlock(TestDoc());
    PutCursorOn(1);
    Host.ForgetRecords();
    Paste();
    EXPECT_EQ(Bytes(), (TBytes{0x00, 0x41, 0xFF, 0x10, 0x00, 0x41, 0xFF, 0x20}));
    EXPECT_EQ(Host.BusyTexts, (std::vector<std::string>{"", Texts::PasteFromClipboardBusy}));
    EXPECT_TRUE(Host.MessageTexts().empty());
}

// Paste hex inserts what the clipboard text spells as one step; text that is not hex changes nothing.
TEST_F(ClipboardTest, PasteHexInsertsTheBytesTheTextSpells) {
    OpenBytes({1, 2, 3});
    PutCursorOn(2);
    Clip.Text = TBytes{'0', 'x', 'A', 'B', ',', ' ', 'c', 'd'};
    PasteHex1Click(TestDoc(), Clip);
    EXPECT_EQ(Bytes(), (TBytes{1, 0xAB, 0xCD, 2, 3}));
    EXPECT_TRUE(TestDoc().Modified);
    Undo1Click(TestDoc());
    EXPECT_EQ(Bytes(), (TBytes{1, 2, 3}));
    Host.ForgetRecords();
    for (const TBytes& text : {TBytes{'x', 'y'}, TBytes{}}) {
        Clip.Text = text;
        PasteHex1Click(TestDoc(), Clip);
        EXPECT_EQ(Bytes(), (TBytes{1, 2, 3}));
    }
    Clip.Text.reset();
    PasteHex1Click(TestDoc(), Clip);
    EXPECT_EQ(Host.ErrorTexts(), std::vector<std::string>(3, Texts::ClipboardNotHex));
    EXPECT_EQ(Bytes(), (TBytes{1, 2, 3}));
}

TEST_F(ClipboardTest, CutOfTheWholeFileLeavesItEmpty) {
    OpenBytes({1, 2, 3});
    MarkFromTo(1, 3);
    Cut();
    EXPECT_EQ(Clip.Binary, Payload({1, 2, 3}));
    EXPECT_EQ(TestDoc().Store.FileSize(), 0);
    EXPECT_EQ(TestDoc().Block.BlockBegin, 0);
    EXPECT_EQ(CurrentAddress(TestDoc()), 1);
}

TEST_F(ClipboardTest, CutPutsTheCursorBackOnItsAddressNumber) {
    OpenBytes(PatternBytes(100));
    MarkFromTo(10, 19);
    PutCursorOn(50);
    Host.ForgetRecords();
    Cut();
    EXPECT_EQ(CurrentAddress(TestDoc()), 50); // which now holds the byte that stood at 60
    EXPECT_EQ(uint8_t(TestDoc().Store.ByteAt(50)), PatternBytes(100)[59]);
    EXPECT_TRUE(TestDoc().Modified);
    ASSERT_GE(Host.BusyTexts.size(), 2u);
    EXPECT_EQ(Host.BusyTexts[0], Texts::CopyToClipboardBusy);
    EXPECT_EQ(Host.BusyTexts[1], Texts::DeleteBusy);

    MarkFromTo(60, 90);
    PutCursorOn(85);
    Cut();
    EXPECT_EQ(TestDoc().Store.FileSize(), 59);
    EXPECT_EQ(CurrentAddress(TestDoc()), 59); // the file became shorter than the old address
}

TEST_F(ClipboardTest, AFailingClipboardNeverCostsTheBlock) {
    for (bool failReserve : {true, false}) {
        SCOPED_TRACE(failReserve);
        OpenBytes({1, 2, 3, 4});
        Clip.Text = TBytes{0x41};
        Clip.FailReserve = failReserve;
        Clip.FailPublish = !failReserve;
        MarkFromTo(2, 3);
        Host.ForgetRecords();
        Cut();
        EXPECT_EQ(Host.ErrorTexts(), std::vector<std::string>{Texts::CantCopyToClipboard});
        EXPECT_EQ(Bytes(), (TBytes{1, 2, 3, 4}));
        EXPECT_EQ(TestDoc().Block.BlockBegin, 2);
        EXPECT_EQ(TestDoc().Block.BlockEnd, 3);
        EXPECT_FALSE(TestDoc().Modified);
        EXPECT_FALSE(Clip.Binary || Clip.Text); // left empty, as after a failed copy
    }

    // A block past the payload's 4-byte count is refused before the clipboard is touched. Only addresses
    // are worked out: the bytes beyond the small buffer are never read.
    OpenBytes({1, 2, 3, 4});
    Clip.FailReserve = Clip.FailPublish = false;
    Clip.Text = TBytes{0x41};
    const TCount fourGib = TCount{1} << 32;
    EngineSetup::SetStoreSize(fourGib + 1);
    TestDoc().Block.BlockBegin = 1;
    TestDoc().Block.BlockEnd = fourGib;
    Host.ForgetRecords();
    Cut();
    EXPECT_EQ(Host.ErrorTexts(), std::vector<std::string>{"Block too large for the clipboard:\n"
                                                          "4,294,967,296 bytes, at most 4,294,967,295"});
    EXPECT_EQ(TestDoc().Store.FileSize(), fourGib + 1);
    EXPECT_EQ(TestDoc().Block.BlockEnd, fourGib);
    EXPECT_FALSE(TestDoc().Modified);
    EXPECT_EQ(Clip.Text, TBytes{0x41});
    EngineSetup::SetStoreSize(4);
}

// --- Paste ------------------------------------------------------------------------------------------------

TEST_F(ClipboardTest, PasteTakesOurFormatThenRawBytesThenText) {
    OpenBytes({});
    Clip.Binary = Payload({0xB0});
    Clip.OctetStream = TBytes{0x0C};
    Clip.Text = ClipboardTextBytes(TestApp(), u"AB");
    Paste(); // into an empty file, at address 1
    Clip.Binary.reset();
    Paste();
    Clip.OctetStream.reset();
    Paste();
    EXPECT_EQ(Bytes(), (TBytes{0x41, 0x42, 0x0C, 0xB0}));
    EXPECT_EQ(CurrentAddress(TestDoc()), 1);
    Clip.Text = ClipboardTextBytes(TestApp(), std::u16string(1, u'\0'));
    TestDoc().Modified = false;
    Paste();
    EXPECT_EQ(TestDoc().Store.FileSize(), 4);
    EXPECT_TRUE(TestDoc().Modified); // as any paste, even of nothing
}

TEST_F(ClipboardTest, BadDataPastesNothing) {
    const TBytes payloads[] = {
        {}, {0x01, 0x00}, {0x02, 0x00, 0x00, 0x00, 0x41}, {0x00, 0x00, 0x00, 0x80, 0x41}};
    for (const TBytes& payload : payloads) {
        OpenBytes({0x10, 0x11, 0x12, 0x13});
        PutCursorOn(3);
        Clip.Binary = payload;
        Clip.Text = TBytes{0x54}; // a bad block of ours is not passed over for the text
        Paste();
        ExpectNothingPasted();
    }
    Clip.Clear();
    Paste(); // an empty clipboard
    ExpectNothingPasted();
    EXPECT_TRUE(Host.MessageTexts().empty());
}

TEST_F(ClipboardTest, APastePastTheMemoryLimitChangesNothing) {
    OpenBytes({0x10, 0x11, 0x12, 0x13});
    PutCursorOn(3);
    // A file near the largest size: neither the bytes nor the text (with its zero) may pass it.
    EngineSetup::SetStoreSize(MaxFileSize - 3);
    Clip.Clear();
    Clip.Binary = Payload({1, 2, 3, 4});
    Paste();
    Clip.Clear();
    Clip.Text = TBytes{1, 2, 3};
    Paste();
    EXPECT_EQ(TestDoc().Store.FileSize(), MaxFileSize - 3);
    EXPECT_EQ(Host.ErrorTexts(), (std::vector<std::string>{Texts::NotEnoughMemory, Texts::NotEnoughMemory}));
    EngineSetup::SetStoreSize(4);
}

// --- Enabling and the exit
// ----------------------------------------------------------------------------------

TEST_F(ClipboardTest, PasteIsEnabledExactlyWhenTheClipboardHasSomethingToPaste) {
    OpenBytes({1});
    Clipboard1Click(TestDoc(), Clip);
    EXPECT_FALSE(Host.IsEnabled(TCommand::Paste1));
    for (std::optional<TBytes>* slot : {&Clip.Binary, &Clip.OctetStream, &Clip.Text}) {
        Clip.Clear();
        *slot = TBytes{};
        Clipboard1Click(TestDoc(), Clip);
        EXPECT_TRUE(Host.IsEnabled(TCommand::Paste1));
    }
    TestDoc().FileOpen = false;
    Host.Enabled[TCommand::Paste1] = false;
    Clipboard1Click(TestDoc(), Clip); // without a file it stays off
    EXPECT_FALSE(Host.IsEnabled(TCommand::Paste1));
}

TEST_F(ClipboardTest, ExitOffersToEmptyOnlyABinaryBlockLargerThan512Bytes) {
    const std::string question =
        "Clipboard contains more than 512\nbytes binary data from NIBLO.\nEmpty clipboard now?";
    Clip.Binary = Payload(TBytes(508)); // 512 with its count
    Clip.Text = TBytes(1000);
    OfferToEmptyClipboard(TestDoc(), Clip);
    EXPECT_TRUE(Host.QuestionTexts().empty());

    Clip.Binary = Payload(TBytes(509));
    Host.YesNoAnswers = {mrNo, mrYes};
    OfferToEmptyClipboard(TestDoc(), Clip);
    EXPECT_TRUE(Clip.Binary);
    OfferToEmptyClipboard(TestDoc(), Clip);
    EXPECT_FALSE(Clip.Binary || Clip.Text);
    EXPECT_EQ(Host.QuestionTexts(), (std::vector<std::string>{question, question}));
}

} // namespace
