// SPDX-License-Identifier: GPL-3.0-or-later
// Keyboard, mouse and wheel input of the panes: translated into key numbers and rows, handed to the
// engine, which decides what they do.
#include "ui/NIBLO_Main.h"

#include "engine/document/EngineState.h"
#include "engine/editing/PaneEditing.h"
#include "engine/editing/PaneMouse.h"
#include "engine/text/StringTable.h"
#include "engine/editing/Undo.h"
#include "kit/JkGrid.h"
#include "kit/JkScroll.h"
#include "kit/Jkdialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>

namespace {

namespace PaneKey = Engine::PaneKey;

struct TKeyPair {
    int Qt;
    int Pane;
};

constexpr TKeyPair KeyTable[] = {
    {Qt::Key_Backspace, PaneKey::Backspace},
    {Qt::Key_Tab, PaneKey::Tab},
    {Qt::Key_Backtab, PaneKey::Tab},
    {Qt::Key_Return, PaneKey::Enter},
    {Qt::Key_Enter, PaneKey::Enter},
    {Qt::Key_Shift, PaneKey::Shift},
    {Qt::Key_Control, PaneKey::Control},
    {Qt::Key_Alt, PaneKey::Alt},
    {Qt::Key_Escape, PaneKey::Escape},
    {Qt::Key_Space, PaneKey::Space},
    {Qt::Key_PageUp, PaneKey::PageUp},
    {Qt::Key_PageDown, PaneKey::PageDown},
    {Qt::Key_End, PaneKey::End},
    {Qt::Key_Home, PaneKey::Home},
    {Qt::Key_Left, PaneKey::Left},
    {Qt::Key_Up, PaneKey::Up},
    {Qt::Key_Right, PaneKey::Right},
    {Qt::Key_Down, PaneKey::Down},
    {Qt::Key_Insert, PaneKey::Insert},
    {Qt::Key_Delete, PaneKey::Delete},
};

int PaneKeyOf(int qtKey) {
    for (const TKeyPair& pair : KeyTable)
        if (pair.Qt == qtKey) return pair.Pane;
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return qtKey; // Qt numbers them by their characters, as the key numbers do
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return PaneKey::F1 + (qtKey - Qt::Key_F1);
    return PaneKey::Other;
}

// The modifiers the key stands for, as shift-state bits. Qt reports the modifiers as they were before the
// event, and the key itself changes them: a Shift key counts as held while it goes down, not when it comes up.
unsigned ShiftStateOf(const QKeyEvent& event) {
    Qt::KeyboardModifiers modifiers = event.modifiers();
    if (event.key() == Qt::Key_Shift)
        modifiers.setFlag(Qt::ShiftModifier, event.type() == QEvent::KeyPress);
    else if (event.key() == Qt::Key_Control)
        modifiers.setFlag(Qt::ControlModifier, event.type() == QEvent::KeyPress);
    unsigned shift = 0;
    if (modifiers & Qt::ShiftModifier) shift |= Engine::ssShift;
    if (modifiers & Qt::ControlModifier) shift |= Engine::ssCtrl;
    if (modifiers & Qt::AltModifier) shift |= Engine::ssAlt;
    return shift;
}

} // namespace

void TFormMain::ConnectPaneInput(TJkStrGrid* pane) {
    // A move of the cursor by itself ends a run of typing: what follows is a step of its own.
    pane->OnSelectCell = [this](TJkStrGrid*, int col, int row) {
        Engine::SealUndoStep(Doc());
        return Engine::PaneSelectCell(Doc(), col, row);
    };
    pane->OnKeyDown = [this](TJkStrGrid*, const QKeyEvent& event) {
        int key = PaneKeyOf(event.key());
        Engine::PaneKeyDown(Doc(), key, ShiftStateOf(event));
    };
    pane->OnKeyUp = [this](TJkStrGrid*, const QKeyEvent& event) {
        Engine::PaneKeyUp(Doc(), PaneKeyOf(event.key()), ShiftStateOf(event));
    };
    pane->OnKeyPress = [this](TJkStrGrid*, uint8_t& key) { Engine::PaneKeyPress(Doc(), key); };
    pane->OnWheel = [this](QWheelEvent* event) { return PaneWheel(event); };
    pane->OnCellPress = [this](TJkStrGrid* grid, int col, int row, Qt::KeyboardModifiers modifiers) {
        Engine::PanePressCell(Doc(), grid == JkStrGridText, col, row, modifiers & Qt::ShiftModifier);
    };
    pane->OnCellDrag = [this](TJkStrGrid*, int col, int row, Qt::KeyboardModifiers) {
        Engine::PaneDragToCell(Doc(), col, row);
    };
    pane->OnCellRelease = [this](TJkStrGrid*) { Engine::PaneReleaseMouse(Doc()); };
}

bool TFormMain::PaneWheel(QWheelEvent* event) {
    // One notch is 120 eighths of a degree; the desktop says how many rows a notch scrolls.
    WheelRemainder += event->angleDelta().y();
    const int notches = WheelRemainder / 120;
    if (notches == 0) return true;
    WheelRemainder -= notches * 120;
    Engine::ScrollRows(Doc(), -notches * QApplication::wheelScrollLines());
    return true;
}

void TFormMain::TextModeChanged() {
    Action(TCommand::ModusText1)->setChecked(App.TextMode);
    ArrangePanes();
}

void TFormMain::OverwriteModeChanged() {
    Action(TCommand::ModusOverwrite1)->setChecked(App.OverwriteMode);
    StatusBar1->SetPanelText(2,
                             QString::fromLatin1(App.OverwriteMode ? Texts::Overwrite : Texts::Insert));
    // Insert mode has a cell after the last byte, which may start a row of its own.
    RefreshRowAddresses();
}
