// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"
#include "common/TestDocument.h"

#include "common/EngineSetup.h"
#include "engine/store/DynArray.h"
#include "engine/editing/Editing.h"
#include "engine/document/EngineReset.h"
#include "engine/document/EngineState.h"
#include "engine/store/SystemMemory.h"
#include "engine/text/TextFormat.h"
#include "engine/document/View.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

TFakeHost::TFakeHost() {
    // The window starts in its no-file state.
    for (const TCommandInfo& info : CommandTable)
        Enabled[info.Command] = info.Tag != 1;
}

bool TFakeHost::IsTag1(TCommand command) {
    return CommandInfo(command).Tag == 1;
}

std::vector<std::string> TFakeHost::ErrorTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : Messages)
        if (m.Kind == TMessageKind::Error) texts.push_back(m.Text);
    return texts;
}

std::vector<std::string> TFakeHost::InfoTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : Messages)
        if (m.Kind == TMessageKind::Info) texts.push_back(m.Text);
    return texts;
}

std::vector<std::string> TFakeHost::MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : Messages)
        texts.push_back(m.Text);
    return texts;
}

std::vector<std::string> TFakeHost::QuestionTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : Messages)
        if (m.Kind == TMessageKind::YesNo || m.Kind == TMessageKind::YesNoCancel) texts.push_back(m.Text);
    return texts;
}

bool TFakeHost::IsEnabled(TCommand command) const {
    return Enabled.at(command);
}

void TFakeHost::ForgetRecords() {
    Messages.clear();
    Captions.clear();
    BusyTexts.clear();
    MaxBusyDepth = BusyDepth;
    Progresses.clear();
    StatusUpdates = Refreshes = PaneClears = Repaints = 0;
    StatusTexts.clear();
    StatusNotes.clear();
    FileDialogs.clear();
    RecentFiles.clear();
}

int TFakeHost::ShowInfo(const std::string& text) {
    Messages.push_back({TMessageKind::Info, text});
    return mrOk;
}

int TFakeHost::ShowError(const std::string& text) {
    Messages.push_back({TMessageKind::Error, text});
    return mrOk;
}

int TFakeHost::AskYesNo(const std::string& text) {
    Messages.push_back({TMessageKind::YesNo, text});
    if (YesNoAnswers.empty()) {
        ADD_FAILURE() << "Unexpected question (Yes/No): " << text;
        return mrNo;
    }
    int answer = YesNoAnswers.front();
    YesNoAnswers.pop_front();
    return answer;
}

int TFakeHost::AskYesNoCancel(const std::string& text) {
    Messages.push_back({TMessageKind::YesNoCancel, text});
    if (YesNoCancelAnswers.empty()) {
        ADD_FAILURE() << "Unexpected question (Yes/No/Cancel): " << text;
        return mrCancel;
    }
    int answer = YesNoCancelAnswers.front();
    YesNoCancelAnswers.pop_front();
    return answer;
}

void TFakeHost::BusyOn(const std::string& text) {
    BusyTexts.push_back(text);
    MaxBusyDepth = std::max(MaxBusyDepth, ++BusyDepth);
}

void TFakeHost::BusyOff() {
    if (BusyDepth == 0)
        ADD_FAILURE() << "BusyOff without BusyOn";
    else
        --BusyDepth;
}

void TFakeHost::ProgressOpen(const std::string& caption, const std::string& label) {
    if (ProgressIsOpen) ADD_FAILURE() << "A second progress box was opened: " << caption;
    ProgressIsOpen = true;
    Progresses.push_back({caption, label, {}, 0, false});
}

bool TFakeHost::SetProgress(int64_t done, int64_t total, int step) {
    if (!ProgressIsOpen) {
        ADD_FAILURE() << "SetProgress without a progress box";
        return false;
    }
    auto& box = Progresses.back();
    ++box.Calls;
    int percent = ProgressPercent(done, total);
    if (step <= 0 || percent % step != 0) return false;
    box.Values.push_back(percent);
    return true;
}

void TFakeHost::SetProgressText(const std::string&, int) {
    if (!ProgressIsOpen) ADD_FAILURE() << "SetProgressText without a progress box";
}

void TFakeHost::EnableCancel(bool) {
    if (!ProgressIsOpen) ADD_FAILURE() << "EnableCancel without a progress box";
}

bool TFakeHost::Cancelled() {
    if (!ProgressIsOpen) {
        ADD_FAILURE() << "Cancelled asked without a progress box";
        return false;
    }
    if (CancelAfterProgressCalls >= 0 && Progresses.back().Calls >= CancelAfterProgressCalls) return true;
    return CancelAfterShownProgress >= 0 &&
           static_cast<int>(Progresses.back().Values.size()) >= CancelAfterShownProgress;
}

void TFakeHost::ProgressClose() {
    if (!ProgressIsOpen) {
        ADD_FAILURE() << "ProgressClose without a progress box";
        return;
    }
    ProgressIsOpen = false;
    Progresses.back().Closed = true;
}

void TFakeHost::UpdateStatus() {
    ++StatusUpdates;
}

void TFakeHost::RefreshPanes(int32_t, int32_t) {
    ++Refreshes;
}

void TFakeHost::RefreshCell(int32_t, int32_t) {
    ++CellRefreshes;
}

void TFakeHost::TextModeChanged() {
    ++ModeChanges;
}

void TFakeHost::OverwriteModeChanged() {
    ++ModeChanges;
}

void TFakeHost::SelectCell(int32_t col, int32_t row) {
    SelectedCol = col;
    SelectedRow = row;
}

void TFakeHost::ClearPanes() {
    ++PaneClears;
}

void TFakeHost::RepaintPanes() {
    ++Repaints;
}

void TFakeHost::SetScrollBarEnabled(bool on) {
    ScrollBarEnabled = on;
}

void TFakeHost::SetCaption(const std::string& caption) {
    Captions.push_back(caption);
}

void TFakeHost::SetCommandsEnabled(std::span<const TCommand> commands, bool on) {
    for (TCommand command : commands)
        Enabled[command] = on;
}

void TFakeHost::DisableFileCommands() {
    for (auto& [command, on] : Enabled)
        if (IsTag1(command)) on = false;
}

std::optional<std::string> TFakeHost::ChooseFile(TFileDialogMode mode, const std::string& title,
                                                 std::string& dir, const std::string& masks,
                                                 const std::string& favouritesSection) {
    FileDialogs.push_back({mode, title, dir, masks, favouritesSection});
    if (FileChoices.empty()) {
        ADD_FAILURE() << "Unexpected file dialog: " << title;
        return std::nullopt;
    }
    auto choice = FileChoices.front();
    FileChoices.pop_front();
    if (choice) dir = std::filesystem::path(*choice).parent_path().string();
    return choice;
}

void TFakeHost::AddRecentFile(const std::string& path) {
    RecentFiles.push_back(path);
}

TTempDir::TTempDir() {
    char pattern[] = "/tmp/niblo-test-XXXXXX";
    if (!mkdtemp(pattern)) ADD_FAILURE() << "mkdtemp failed: " << std::strerror(errno);
    Root = pattern;
}

TTempDir::~TTempDir() {
    std::error_code ec;
    // Tests take permissions away; give them back so that everything can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(Root, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(Root, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ec);
    std::filesystem::remove_all(Root, ec);
}

std::string TTempDir::Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::string path = PathOf(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) ADD_FAILURE() << "Cannot write " << path;
    return path;
}

std::vector<uint8_t> TTempDir::Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

::testing::AssertionResult IsWriteError(const std::vector<std::string>& errors, const std::string& name) {
    if (errors.size() != 1) return ::testing::AssertionFailure() << errors.size() << " error messages";
    const std::string& text = errors[0];
    std::string expected = "Error writing\n" + name;
    if (text == expected || text.starts_with(expected + "\r\nError ")) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "message: \"" << text << "\"";
}

std::vector<uint8_t> PatternBytes(size_t n, uint8_t seed) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + seed + i / 251);
    return bytes;
}

void TEngineTest::SetUp() {
    DynArrayFailHook = nullptr;
    App.Host = &Host;
    Document.Display = &Host;
    UseTestDocument(&Document);
    Engine::ResetEngineState(Document);
    Document.View.Cols = 16;
    Document.View.Rows = 10;
    Document.View.PageBytes = 160;
}

void TEngineTest::TearDown() {
    // Whatever happened, every operation must have taken down its busy text and progress box.
    EXPECT_EQ(Host.BusyDepth, 0) << "busy indicator left on";
    EXPECT_FALSE(Host.ProgressIsOpen) << "progress box left open";
    EXPECT_TRUE(Host.YesNoAnswers.empty() && Host.YesNoCancelAnswers.empty())
        << "scripted answers not asked for";
    EXPECT_TRUE(Host.FileChoices.empty()) << "scripted file choices not used";
    DynArrayFailHook = nullptr;
    AvailableMemoryHook = nullptr;
    Engine::ResetEngineState(Document);
    UseTestDocument(nullptr);
}

void TEngineTest::OpenBytes(const std::vector<uint8_t>& bytes) {
    ASSERT_TRUE(EngineSetup::OpenBytes(bytes));
}

std::vector<uint8_t> TEngineTest::Bytes() const {
    return EngineSetup::StoredBytes();
}

void TEngineTest::PutCursorOn(TAddress address, int32_t row) {
    EngineSetup::PutCursorOn(address, row);
    ASSERT_EQ(Engine::CurrentAddress(TestDoc()), address);
}

void TEngineTest::MarkFromTo(TAddress first, TAddress second) {
    PutCursorOn(first);
    Engine::Blockmark1Click(TestDoc());
    PutCursorOn(second);
    Engine::Blockmark1Click(TestDoc());
}
