// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormSupport.h"
#include "common/TestDocument.h"

#include "BenchSupport.h"

#include "engine/store/PieceStore.h"
#include "engine/document/EngineReset.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileCommands.h"
#include "ui/NIBLO_Main.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <memory>

TFormMain& Form() {
    static std::unique_ptr<TFormMain> form;
    if (!form) {
        form = std::make_unique<TFormMain>();
        form->ApplyFontName(QStringLiteral("Terminal"));
        form->ApplyFontSize(8);
    }
    UseTestDocument(&form->Doc());
    // An engine reset forgets the page size; the panes must match it again.
    form->SetPaneDimensions(form->ColsForWidth(1920), form->RowsForHeight(1080));
    return *form;
}

TFormMain& OpenInForm(int64_t size) {
    const std::string& path = BenchFile(size);
    Engine::ResetEngineState(TestDoc());
    TFormMain& form = Form();
    Engine::OpenFile(TestDoc(), path, false);
    return form;
}

void ClosePanes() {
    Engine::ResetEngineState(TestDoc());
    ResetBenchEngine();
}

void SendKey(QWidget* pane, int qtKey, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier, text);
    QCoreApplication::sendEvent(pane, &press);
    QKeyEvent release(QEvent::KeyRelease, qtKey, Qt::NoModifier, text);
    QCoreApplication::sendEvent(pane, &release);
    QCoreApplication::processEvents();
}

bool TPaintCounter::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Paint) ++Paints;
    return false;
}
