// SPDX-License-Identifier: GPL-3.0-or-later
// Tabs: switching between two large files against moving the cursor one row, and what ten open tabs of a
// large file hold in memory against one.
#include "BenchSupport.h"
#include "common/TestDocument.h"
#include "FormSupport.h"
#include "FreshProcess.h"
#include "RoundRatio.h"

#include "engine/document/Session.h"
#include "engine/settings/IniFile.h"

#include "engine/document/View.h"
#include "kit/JkGrid.h"
#include "kit/SettingsLocation.h"
#include "kit/SingleInstance.h"
#include "ui/NIBLO_Main.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <atomic>
#include <filesystem>
#include <thread>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr int64_t TabFileSize = int64_t{4} << 30;

// Bytes resident in memory now (the page cache aside), from /proc.
int64_t ResidentBytes() {
    std::ifstream status("/proc/self/statm");
    int64_t pages = 0, resident = 0;
    status >> pages >> resident;
    return resident * 4096;
}

void TabsWentWrong(const char* what) {
    std::fprintf(stderr, "tab benchmark: %s\n", what);
    std::exit(1);
}

// A sparse file of 4 GiB beside the bench files: tabs read only what they show.
// Its first page holds the fill byte, so that two tabs show pages that differ in every cell.
std::string SparseFile(const std::string& suffix, char fill = 0) {
    const std::string path = BenchFile(int64_t{1} << 20) + suffix;
    std::ofstream(path, std::ios::binary) << std::string(65536, fill);
    if (::truncate(path.c_str(), TabFileSize) != 0) TabsWentWrong("sparse file");
    return path;
}

// Switching between two tabs of 4 GiB files (what Ctrl+Tab runs), until the window has painted the other file,
// against the cursor one row down in the same window (which repaints two cells where a switch repaints the
// page).
double SwitchRatio() {
    TFormMain& form = OpenInForm(int64_t{1} << 20);
    form.show();
    const std::string first = SparseFile(".first", 'A'), second = SparseFile(".second", 'B');
    // The window's own first tab stays (the benchmarks' engine is its document); the two files are tabs
    // 1 and 2, and a switch is what Ctrl+Tab runs between them.
    if (!form.OpenInTab(first, false) || !form.OpenInTab(second, false)) TabsWentWrong("two tabs");
    QCoreApplication::processEvents();
    TPaintCounter counter;
    form.JkStrGridHex->installEventFilter(&counter);
    const double ratio = InterleavedRatio(
        [&] {
            const size_t before = form.ShownTab();
            counter.Paints = 0;
            const double start = NowSeconds();
            form.ShowTab(before == 1 ? 2 : 1);
            QCoreApplication::processEvents();
            const double seconds = NowSeconds() - start;
            if (form.ShownTab() == before || counter.Paints == 0) TabsWentWrong("a switch was not painted");
            return seconds;
        },
        [&] {
            Engine::SetCursorCell(form.Doc(), 0, 0);
            QCoreApplication::processEvents();
            counter.Paints = 0;
            const double start = NowSeconds();
            SendKey(form.ActivePane(), Qt::Key_Down);
            const double seconds = NowSeconds() - start;
            if (counter.Paints == 0) TabsWentWrong("a move was not painted");
            return seconds;
        },
        41);
    while (form.TabCount() > 1)
        form.CloseTab(form.TabCount() - 1);
    form.hide();
    ClosePanes();
    std::remove(first.c_str());
    std::remove(second.c_str());
    return ratio;
}

// Resident memory that ten tabs of a 4 GiB file add, against what one adds.
double MemoryRatio() {
    TFormMain& form = OpenInForm(int64_t{1} << 20);
    QCoreApplication::processEvents();
    const int64_t base = ResidentBytes();
    std::vector<std::string> files;
    for (int i = 0; i < 10; ++i)
        files.push_back(SparseFile(".tab" + std::to_string(i)));
    if (!form.OpenInTab(files[0], false)) TabsWentWrong("first tab");
    QCoreApplication::processEvents();
    const int64_t one = std::max<int64_t>(ResidentBytes() - base, 4096);
    for (int i = 1; i < 10; ++i)
        if (!form.OpenInTab(files[size_t(i)], false)) TabsWentWrong("a tab");
    QCoreApplication::processEvents();
    const int64_t ten = std::max<int64_t>(ResidentBytes() - base, 4096);
    std::printf("  (one 4 GiB tab adds %.1f MiB resident, ten add %.1f MiB)\n", double(one) / (1 << 20),
                double(ten) / (1 << 20));
    while (form.TabCount() > 1)
        form.CloseTab(form.TabCount() - 1);
    for (const std::string& file : files)
        std::remove(file.c_str());
    ClosePanes();
    return double(ten) / double(one);
}

// A start that opens a session of ten tabs of 4 GiB files, fresh process to first paint, against a start of
// the same program copy with one of those files named (which opens no session). The copy keeps its settings
// file beside it, so the user's session is never touched.
double SessionStartRatio() {
    const std::string folder = BenchFile(int64_t{1} << 20) + ".session";
    std::filesystem::create_directories(folder);
    const std::string program = folder + "/niblo";
    std::filesystem::copy_file(Sibling("niblo"), program, std::filesystem::copy_options::overwrite_existing);
    Engine::TSession session;
    for (int i = 0; i < 10; ++i)
        session.Tabs.push_back({SparseFile(".session" + std::to_string(i), char('a' + i)), 1, 1, 0, 0});
    {
        TIniFile ini(SettingsFileName(program));
        if (!ini.BeginUpdate() || !Engine::WriteSession(ini, session) || !ini.Commit())
            TabsWentWrong("session settings");
    }
    const std::string one = session.Tabs.front().Path;
    RunFresh({program}, true); // libraries, fonts and the files into the caches, unmeasured
    std::vector<double> ratios;
    for (int round = 0; round < 7; ++round) {
        const double withSession = RunFresh({program}, true).Seconds;
        const double withOne = RunFresh({program, one}, true).Seconds;
        if (withSession <= 0 || withOne <= 0) TabsWentWrong("a start failed");
        ratios.push_back(withSession / withOne);
    }
    for (const Engine::TSessionTab& tab : session.Tabs)
        std::remove(tab.Path.c_str());
    std::filesystem::remove_all(folder);
    return Median(ratios);
}

// A start of the program with a file while a window runs: from the start until the running window has
// painted the file's new tab, against a fresh start with the file to its own first paint.
double HandOverRatio() {
    const std::string folder = BenchFile(int64_t{1} << 20) + ".handover";
    std::filesystem::create_directories(folder);
    const std::string program = folder + "/niblo";
    std::filesystem::copy_file(Sibling("niblo"), program, std::filesystem::copy_options::overwrite_existing);
    const std::string file = SparseFile(".handed", 'h');
    TFormMain& form = OpenInForm(int64_t{1} << 20);
    form.show();
    TInstanceServer server(InstanceName(SettingsLocation(program, QString::fromStdString(folder))));
    if (!server.Listening()) TabsWentWrong("no instance server");
    server.OnFiles = [&form](const std::vector<std::string>& files) { form.TakeFiles(files); };
    TPaintCounter counter;
    form.JkStrGridHex->installEventFilter(&counter);
    QCoreApplication::processEvents();
    auto handOver = [&] {
        while (form.TabCount() > 1)
            form.CloseTab(form.TabCount() - 1);
        QCoreApplication::processEvents();
        counter.Paints = 0;
        std::atomic<bool> done = false;
        TFreshRun run;
        const double start = NowSeconds();
        std::thread child([&] {
            run = RunFresh({program, file}, false, false);
            done = true;
        });
        double painted = -1;
        while (painted < 0 || !done) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (painted < 0 && form.TabCount() == 2 && counter.Paints > 0) painted = NowSeconds() - start;
            if (NowSeconds() - start > 60) TabsWentWrong("no hand-over");
        }
        child.join();
        if (run.Seconds < 0) TabsWentWrong("the handing start failed");
        return painted;
    };
    auto fresh = [&] { return RunFresh({program, file}, true).Seconds; };
    handOver();
    fresh(); // caches, unmeasured
    std::vector<double> ratios;
    for (int round = 0; round < 7; ++round)
        ratios.push_back(handOver() / fresh());
    while (form.TabCount() > 1)
        form.CloseTab(form.TabCount() - 1);
    form.hide();
    ClosePanes();
    std::remove(file.c_str());
    std::filesystem::remove_all(folder);
    return Median(ratios);
}

[[maybe_unused]] const bool Registered = [] {
    RegisterGoal("switch tabs of 4 GiB files, key to painted window / cursor one row down", 1.2, SwitchRatio);
    RegisterGoal("resident memory: ten tabs of 4 GiB files / one", 10, MemoryRatio);
    RegisterGoal("start with a session of ten 4 GiB tabs / with one file, fresh, to first paint", 2,
                 SessionStartRatio);
    RegisterGoal("niblo FILE handed to the running window, until its tab is painted / fresh start", 0.5,
                 HandOverRatio);
    return true;
}();

} // namespace
