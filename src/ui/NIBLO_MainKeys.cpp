// Keyboard, mouse and wheel input of the panes: translated into key numbers and rows, handed to the
// engine, which decides what they do.
#include "ui/NIBLO_Main.h"

#include "engine/EngineState.h"
#include "engine/PaneEditing.h"
#include "engine/StringTable.h"
#include "engine/Undo.h"
#include "ui/JkGrid.h"
#include "ui/JkScroll.h"
#include "ui/Jkdialog.h"

#include <QApplication>
#include <QWheelEvent>

namespace {

unsigned ShiftStateOf(Qt::KeyboardModifiers modifiers) {
    unsigned shift = 0;
    if (modifiers & Qt::ShiftModifier) shift |= Engine::ssShift;
    if (modifiers & Qt::ControlModifier) shift |= Engine::ssCtrl;
    if (modifiers & Qt::AltModifier) shift |= Engine::ssAlt;
    return shift;
}

} // namespace

void TFormMain::ConnectPaneInput(TJkStrGrid* pane) {
    // A click moves the cursor by itself: typing after it is a step of its own.
    pane->OnSelectCell = [](TJkStrGrid*, int col, int row) {
        Engine::SealUndoStep();
        return Engine::PaneSelectCell(col, row);
    };
    pane->OnKeyDown = [](TJkStrGrid*, int& key, Qt::KeyboardModifiers shift) {
        Engine::PaneKeyDown(key, ShiftStateOf(shift));
    };
    pane->OnKeyUp = [](TJkStrGrid*, int& key, Qt::KeyboardModifiers shift) {
        Engine::PaneKeyUp(key, ShiftStateOf(shift));
    };
    pane->OnKeyPress = [](TJkStrGrid*, uint8_t& key) { Engine::PaneKeyPress(key); };
    pane->OnWheel = [this](QWheelEvent* event) { return PaneWheel(event); };
}

bool TFormMain::PaneWheel(QWheelEvent* event) {
    // One notch is 120 eighths of a degree; the desktop says how many rows a notch scrolls.
    WheelRemainder += event->angleDelta().y();
    const int notches = WheelRemainder / 120;
    if (notches == 0) return true;
    WheelRemainder -= notches * 120;
    Engine::ScrollRows(-notches * QApplication::wheelScrollLines());
    return true;
}

void TFormMain::TextModeChanged() {
    Action(TCommand::ModusText1)->setChecked(Engine::TextMode);
    ArrangePanes();
}

void TFormMain::OverwriteModeChanged() {
    Action(TCommand::ModusOverwrite1)->setChecked(Engine::OverwriteMode);
    StatusBar1->SetPanelText(2,
                             QString::fromLatin1(Engine::OverwriteMode ? Texts::Overwrite : Texts::Insert));
}
