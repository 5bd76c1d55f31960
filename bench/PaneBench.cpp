// SPDX-License-Identifier: GPL-3.0-or-later
// The panes of the main window: refilling and repainting a page, typing into a big file, paging through one.
#include "BenchSupport.h"
#include "common/TestDocument.h"
#include "Floor.h"
#include "FormSupport.h"
#include "RoundRatio.h"

#include "engine/store/PieceStore.h"
#include "engine/inspector/DataInspector.h"
#include "engine/document/EngineReset.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileCommands.h"
#include "engine/editing/PaneEditing.h"
#include "engine/recovery/Recovery.h"
#include "engine/editing/Undo.h"
#include "engine/document/View.h"
#include "kit/JkGrid.h"
#include "ui/NIBLO_Inspector.h"
#include "ui/NIBLO_Main.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QTableWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace {

constexpr int64_t TypeFileSize = int64_t{64} << 20;
constexpr int64_t PageFileSize = int64_t{16} << 20;

// Both panes, as the screen shows them.
QImage& PaneImage(TFormMain& form) {
    static QImage image;
    const QSize size(form.JkStrGridHex->geometry().right() + 1, form.JkStrGridText->height());
    if (image.size() != size) image = QImage(size, QImage::Format_RGB32);
    return image;
}

void RenderPanes(TFormMain& form, QImage& image) {
    form.JkStrGridText->render(&image, QPoint(0, 0));
    form.JkStrGridHex->render(&image, QPoint(form.JkStrGridHex->x() - form.JkStrGridText->x(), 0));
}

// Two pages of the file by turns, so that every refill changes every cell.
void ShowPage(int which) {
    TestDoc().View.TopAddress = 1 + which * TestDoc().View.PageBytes;
    TestDoc().View.BottomAddress = std::min(
        TestDoc().View.TopAddress + TestDoc().View.PageBytes - 1, TestDoc().Store.FileSize());
}

void BM_PaneRefillRepaint(benchmark::State& state) {
    TFormMain& form = OpenInForm(PageFileSize);
    QImage& image = PaneImage(form);
    int which = 0;
    for (auto _ : state) {
        ShowPage(which);
        which ^= 1;
        form.RefreshPanes(0, 0);
        RenderPanes(form, image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["cols"] = TestDoc().View.Cols;
    state.counters["rows"] = TestDoc().View.Rows;
    ClosePanes();
}

// The same texts, one drawText call per row of each pane, into the same image.
void BM_PaneRowTextBaseline(benchmark::State& state) {
    TFormMain& form = OpenInForm(PageFileSize);
    QImage& image = PaneImage(form);
    std::vector<QString> rows[2];
    for (int which = 0; which < 2; ++which) {
        ShowPage(which);
        form.RefreshPanes(0, 0);
        for (TJkStrGrid* pane : {form.JkStrGridText, form.JkStrGridHex})
            for (int r = 0; r < pane->RowCount(); ++r) {
                QString row;
                for (int c = 0; c < pane->ColCount(); ++c)
                    row += pane->Cell(c, r);
                rows[which].push_back(row);
            }
    }
    const int lineHeight = form.JkStrGridText->DefaultRowHeight() + form.JkStrGridText->GridLineWidth();
    const int rowCount = form.JkStrGridText->RowCount();
    const int hexLeft = form.JkStrGridHex->x() - form.JkStrGridText->x();
    int which = 0;
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::white);
        painter.setFont(form.JkStrGridText->PaneFont());
        painter.setPen(Qt::black);
        const std::vector<QString>& texts = rows[which];
        for (size_t i = 0; i < texts.size(); ++i) {
            const int pane = int(i) / rowCount;
            const int r = int(i) % rowCount;
            painter.drawText(QPoint(pane * hexLeft + 4, 14 + r * lineHeight), texts[i]);
        }
        painter.end();
        which ^= 1;
        benchmark::DoNotOptimize(image.constBits());
    }
    ClosePanes();
}

// Typing one byte in insert mode at the file's first byte, from the key event until the shown window has
// painted it, against one memmove of the whole file by one byte in one buffer: what an insert costs a
// store of one buffer.
double TypeRatio() {
    TFormMain& form = OpenInForm(TypeFileSize);
    form.show();
    QCoreApplication::processEvents();
    if (TestApp().OverwriteMode) Engine::ModusOverwrite1Click(TestDoc());
    const int64_t size = TestDoc().Store.FileSize();
    const Engine::TStoreSnapshot original = TestDoc().Store.Snapshot();
    std::vector<uint8_t> buffer(size_t(size) + 1);
    if (!TestDoc().Store.CopyOut(1, std::span(buffer).first(size_t(size))).Readable()) {
        std::fprintf(stderr, "typing benchmark: the file could not be read\n");
        std::exit(1);
    }
    TPaintCounter counter;
    form.JkStrGridHex->installEventFilter(&counter);
    form.JkStrGridText->installEventFilter(&counter);
    auto back = [&] {
        // The file as loaded again, so that every key is the first at a new place.
        TestDoc().Store.Restore(original);
        TestDoc().View.BottomAddress = std::min(
            TestDoc().View.TopAddress + TestDoc().View.PageBytes - 1, TestDoc().Store.FileSize());
        Engine::SetCursorCell(TestDoc(), 0, 0);
        QCoreApplication::processEvents();
        // The same bytes in the caches before either side, whatever the round before left there: the file
        // is larger than the last-level cache by only twice, so what a move leaves behind counts.
        benchmark::DoNotOptimize(FloorCount(buffer.data(), size_t(size), 'q'));
    };
    bool right = true;
    auto typed = [&] {
        back();
        counter.Paints = 0;
        const double start = NowSeconds();
        SendKey(form.ActivePane(), Qt::Key_A, QStringLiteral("a"));
        const double seconds = NowSeconds() - start;
        right = right && TestDoc().Store.FileSize() == size + 1 &&
                uint8_t(TestDoc().Store.ByteAt(1)) == 'a' && counter.Paints > 0;
        return seconds;
    };
    auto moved = [&] {
        back();
        const double start = NowSeconds();
        std::memmove(buffer.data() + 1, buffer.data(), size_t(size));
        benchmark::ClobberMemory();
        return NowSeconds() - start;
    };
    const double ratio = InterleavedRatio(typed, moved, 15);
    form.hide();
    ClosePanes();
    if (!right) {
        std::fprintf(stderr, "typing benchmark: the byte was not inserted and painted\n");
        std::exit(1);
    }
    return ratio;
}

// Typing one byte in overwrite mode, from the key event until the shown window has painted it, with a
// feature turned on against the same with it off; false when a byte was not typed or painted.
bool OverwriteTypingRatio(TFormMain& form, const std::function<void(bool)>& turn, double& ratio) {
    form.show();
    QCoreApplication::processEvents();
    if (!TestApp().OverwriteMode) Engine::ModusOverwrite1Click(TestDoc());
    TPaintCounter counter;
    form.JkStrGridHex->installEventFilter(&counter);
    form.JkStrGridText->installEventFilter(&counter);
    bool right = true;
    auto typed = [&](bool on) {
        return [&, on] {
            turn(on);
            Engine::SetCursorCell(TestDoc(), 0, 0);
            QCoreApplication::processEvents();
            counter.Paints = 0;
            const double start = NowSeconds();
            SendKey(form.ActivePane(), Qt::Key_A, QStringLiteral("a"));
            const double seconds = NowSeconds() - start;
            right = right && uint8_t(TestDoc().Store.ByteAt(TestDoc().View.TopAddress)) == 'a' &&
                    counter.Paints > 0;
            return seconds;
        };
    };
    ratio = InterleavedRatio(typed(true), typed(false), 41);
    turn(true);
    return right;
}

[[noreturn]] void TypingWentWrong(const char* what) {
    std::fprintf(stderr, "typing benchmark: the byte was not typed, painted or %s\n", what);
    std::exit(1);
}

// The undo journal recording against it off: what recording costs the user's typing.
double TypeJournalRatio() {
    TFormMain& form = OpenInForm(PageFileSize);
    double ratio = 0;
    const bool right = OverwriteTypingRatio(
                           form, [](bool on) { TestDoc().Undo.Journal.Enabled = on; }, ratio) &&
                       TestDoc().Undo.Journal.CanUndo();
    form.hide();
    ClosePanes();
    if (!right) TypingWentWrong("recorded");
    return ratio;
}

// The recovery journal written against the same without it: what keeping unsaved changes safe costs typing.
double TypeRecoveryRatio() {
    Engine::ResetEngineState(TestDoc());
    TFormMain& form = Form();
    TestApp().RecoveryFolder = BenchRecoveryFolder();
    Engine::OpenFile(TestDoc(), BenchFile(PageFileSize), false);
    bool right = TestDoc().Recovery.Listening;
    double ratio = 0;
    // Off as for a program without a recovery folder; the journal file stays as it was.
    right = OverwriteTypingRatio(
                form,
                [](bool on) {
                    TestDoc().Recovery.Listening = on;
                    TestDoc().Undo.Listener = on ? &TestDoc().Recovery : nullptr;
                },
                ratio) &&
            right;
    Engine::RecoveryDrain(TestDoc());
    right = right && !Engine::RecoveryJournalPath(TestDoc()).empty();
    form.hide();
    ClosePanes();
    if (!right) TypingWentWrong("journaled");
    return ratio;
}

// Moving the cursor one byte right, from the key event until the window has painted it, with the data
// inspector shown against the same with it hidden: what following the cursor costs. The inspector
// floats, so that showing it leaves the panes' page as it is.
double CursorInspectorRatio() {
    TFormMain& form = OpenInForm(PageFileSize);
    form.show();
    form.Inspector->setFloating(true);
    QCoreApplication::processEvents();
    TPaintCounter counter;
    form.JkStrGridHex->installEventFilter(&counter);
    form.Inspector->Rows->viewport()->installEventFilter(&counter);
    bool right = true;
    auto moved = [&](bool shown) {
        return [&, shown] {
            if (form.Inspector->isHidden() == shown) {
                form.Inspector->setVisible(shown);
                QCoreApplication::processEvents();
            }
            Engine::SetCursorCell(TestDoc(), 0, 0);
            QCoreApplication::processEvents();
            counter.Paints = 0;
            const double start = NowSeconds();
            SendKey(form.ActivePane(), Qt::Key_Right);
            const double seconds = NowSeconds() - start;
            const QString uint8 = form.Inspector->Rows->item(int(Engine::TInspectorRow::UInt8), 1)->text();
            right = right && counter.Paints > 0 &&
                    (!shown ||
                     uint8 == QString::number(TestDoc().Store.ByteAt(Engine::CurrentAddress(TestDoc()))));
            return seconds;
        };
    };
    const double ratio = InterleavedRatio(moved(true), moved(false), 41);
    form.Inspector->hide();
    form.Inspector->setFloating(false);
    form.hide();
    ClosePanes();
    if (!right) {
        std::fprintf(stderr, "cursor benchmark: the move was not painted or not inspected\n");
        std::exit(1);
    }
    return ratio;
}

// PgDn from the first page to the last, timed per page (refill, status and repaint).
void BM_PanePageDown16MiB(benchmark::State& state) {
    TFormMain& form = OpenInForm(PageFileSize);
    QImage& image = PaneImage(form);
    for (auto _ : state) {
        Engine::GoToStart(TestDoc());
        QElapsedTimer timer;
        timer.start();
        int pages = 0;
        while (TestDoc().View.BottomAddress < TestDoc().Store.FileSize()) {
            SendKey(form.ActivePane(), Qt::Key_PageDown);
            RenderPanes(form, image);
            ++pages;
        }
        state.SetIterationTime(double(timer.nsecsElapsed()) * 1e-9 / std::max(pages, 1));
        state.counters["pages"] = pages;
    }
    ClosePanes();
}

BENCHMARK(BM_PaneRowTextBaseline)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_PaneRefillRepaint)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_PanePageDown16MiB)
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3);

[[maybe_unused]] const bool Registered = [] {
    RegisterRatio("pane refill+repaint / drawText per row", "BM_PaneRefillRepaint", "BM_PaneRowTextBaseline");
    RegisterGoal("type 1 byte at 1 of 64 MiB, key to painted window / memmove", 1.5, TypeRatio);
    RegisterGoal("type 1 byte overwriting, key to painted window: journal on / off", 1.05, TypeJournalRatio);
    RegisterGoal("type 1 byte overwriting, key to painted window: recovery on / off", 1.05,
                 TypeRecoveryRatio);
    RegisterGoal("cursor right, key to painted window: inspector shown / hidden", 1.1, CursorInspectorRatio);
    RegisterRatio("PgDn per page 16 MiB / refill+repaint", "BM_PanePageDown16MiB", "BM_PaneRefillRepaint");
    return true;
}();

} // namespace
