// Keyboard and mouse work in the panes: moving the cursor, selecting with Shift, typing bytes, deleting,
// and switching pane and typing mode.
#include "ui/NIBLO_Main.h"

#include "engine/Blocks.h"
#include "engine/ByteStore.h"
#include "engine/Editing.h"
#include "engine/EngineState.h"
#include "engine/HexText.h"
#include "engine/StringTable.h"
#include "ui/JkGrid.h"
#include "ui/Jkdialog.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>

#include <algorithm>

using namespace Engine;

namespace {

bool IsNavigationKey(int key) {
    return key >= PaneKey::PageUp && key <= PaneKey::Down;
}

// The keys that move towards the end of the file extend a block at its end.
bool IsForwardKey(int key) {
    return key == PaneKey::PageDown || key == PaneKey::End || key == PaneKey::Right || key == PaneKey::Down;
}

} // namespace

void TFormMain::SetCursorCol(int32_t col) {
    TJkStrGrid* pane = ActivePane();
    // The select-cell handler sets the cursor when it accepts; a refused cell leaves it where it was.
    pane->SelectCell(col, pane->Row());
    UpdateStatus();
}

void TFormMain::SetCursorCell(int32_t col, int32_t row) {
    Engine::SetCursorCell(col, row);
}

void TFormMain::DropPendingDigit() {
    if (JkStrGridHex->Cell(CursorCol, CursorRow).size() != 1) return;
    const int32_t address = CurrentAddress();
    JkStrGridHex->SetCell(CursorCol, CursorRow,
                          FileOpen && address >= 1 && address <= FileSize ? HexCellText(ReadByte(address))
                                                                          : QStringLiteral("  "));
}

void TFormMain::JkStrGridTextKeyDown(TJkStrGrid* sender, int& key, Qt::KeyboardModifiers shift) {
    HeldModifiers = shift;
    // An empty file (or none) has no cell to move to and no byte to mark or delete.
    if (!FileOpen || FileSize == 0) {
        if (key == PaneKey::Escape && sender == JkStrGridHex &&
            sender->Cell(sender->Col(), sender->Row()).size() == 1)
            sender->SetCell(sender->Col(), sender->Row(), QStringLiteral("  "));
        else if (key == PaneKey::Tab) {
            ModusText1Click();
            key = 0;
        } else if (key == PaneKey::Insert) {
            ModusOverwrite1Click();
        }
        return;
    }

    // Shift selection; the program's own keys never mark.
    if ((shift & Qt::ShiftModifier) && !SyntheticKey) {
        if (key == PaneKey::Shift && BlockComplete())
            UnmarkBlock();
        else if (IsNavigationKey(key))
            MarkBlock(true, IsForwardKey(key));
    }

    const bool ctrl = shift & Qt::ControlModifier;
    switch (key) {
    case PaneKey::Insert:
        ModusOverwrite1Click();
        break;
    case PaneKey::Tab:
        ModusText1Click();
        key = 0;
        break;
    case PaneKey::Down:
        if (CursorRow == Rows - 1 && BottomAddress < FileSize) {
            ScrollRowDown();
        } else if (BottomAddress == FileSize) {
            // The next row may end left of the cursor's column: go to the last byte instead.
            const TCell last = AddressToCell(FileSize);
            if (last.Row == CursorRow + 1 && CursorCol > last.Col) SetCursorCell(last.Col, last.Row);
        }
        break;
    case PaneKey::Up:
        if (CursorRow == 0 && TopAddress > Cols) ScrollRowUp();
        break;
    case PaneKey::Right:
        if (CursorCol == Cols - 1 && CursorRow == Rows - 1 && BottomAddress < FileSize) {
            ScrollRowDown();
            SetCursorCol(0);
            key = 0;
        } else if (BottomAddress == FileSize && CurrentAddress() == FileSize) {
            key = 0;
        }
        break;
    case PaneKey::Left:
        if (CursorCol == 0 && CursorRow == 0 && TopAddress > Cols) {
            ScrollRowUp();
            SetCursorCol(Cols - 1);
            key = 0;
        }
        break;
    case PaneKey::PageDown:
        if (ctrl) {
            GoToEnd();
            key = 0;
        } else if (BottomAddress < FileSize) {
            ShowAddress(BottomAddress + 1, false, false);
            if (CurrentAddress() > FileSize) {
                const TCell last = AddressToCell(FileSize);
                SetCursorCell(last.Col, last.Row);
            }
            UpdateStatus();
            key = 0;
        }
        break;
    case PaneKey::PageUp:
        if (ctrl && TopAddress >= 1) {
            GoToStart();
            key = 0;
        } else if (TopAddress > 1) {
            ShowAddress(std::max(1, TopAddress - PageBytes), false, false);
            UpdateStatus();
            key = 0;
        }
        break;
    case PaneKey::End:
        if (BottomAddress == FileSize) {
            // The pane's own End follows and is refused past the end, so the cursor ends on the last byte.
            const TCell last = AddressToCell(FileSize);
            if (ctrl)
                SetCursorCell(last.Col, last.Row);
            else if (CursorRow == last.Row)
                SetCursorCol(last.Col);
        }
        break;
    case PaneKey::Escape:
        if (sender == JkStrGridHex) DropPendingDigit();
        break;
    // The deletion leaves the cursor where it is; its panels must show the byte that moved under it.
    case PaneKey::Delete:
        DeleteByteAtCursor();
        UpdateStatus();
        break;
    case PaneKey::Backspace:
        if (CurrentAddress() > 1) {
            SendPaneKey(PaneKey::Left);
            DeleteByteAtCursor();
            UpdateStatus();
        }
        break;
    default:
        break;
    }
    SyntheticKey = false;
}

void TFormMain::JkStrGridTextKeyUp(TJkStrGrid*, int& key, Qt::KeyboardModifiers shift) {
    HeldModifiers = shift;
    if (!FileOpen || FileSize == 0 || !(shift & Qt::ShiftModifier)) return;
    // After the move: the block grows or shrinks to the cursor's new byte.
    if (IsNavigationKey(key)) MarkBlock(true, IsForwardKey(key));
}

void TFormMain::JkStrGridTextKeyPress(TJkStrGrid* sender, uint8_t& key) {
    if (!FileOpen) return;
    if (sender == JkStrGridText) {
        // Control characters act through their keys in key-down.
        if (key >= 32) TypeByte(key);
        return;
    }
    if (!IsHexDigit(char(key))) return;
    const int digit = HexDigitValue(char(key));
    const QString cell = sender->Cell(sender->Col(), sender->Row());
    if (cell.size() == 1) {
        TypeByte(uint8_t(16 * HexDigitValue(cell[0].toLatin1()) + digit));
    } else {
        // The first digit waits in the cell for its second.
        sender->SetCell(sender->Col(), sender->Row(), QString(QChar(char16_t("0123456789ABCDEF"[digit]))));
    }
}

void TFormMain::JkStrGridTextSelectCell(TJkStrGrid* sender, int col, int row, bool& canSelect) {
    // Cells past the end of the file are never selected (in an empty file none is).
    if (!FileOpen || int64_t(TopAddress) + int64_t(row) * Cols + col > FileSize) {
        canSelect = false;
        return;
    }
    if (sender == JkStrGridHex) DropPendingDigit();
    CursorCol = col;
    CursorRow = row;
    UpdateStatus();
}

void TFormMain::TypeByte(uint8_t b) {
    const int32_t a = CurrentAddress();
    JkStrGridText->SetCell(CursorCol, CursorRow,
                           GlyphCellText(DisplayChar(b), JkStrGridText->UsesOemGlyphs()));
    JkStrGridHex->SetCell(CursorCol, CursorRow, HexCellText(b));
    if (FileSize == 0) {
        WriteByte(1, b);
        FileSize = 1;
        BottomAddress = 1;
    } else if (OverwriteMode) {
        WriteByte(a, b);
    } else {
        const bool inserted = InsertByteAtCursor(b);
        RefreshPanes(CursorCol, CursorRow);
        // Without memory the file, the cursor, the block and Modified all stay as they were.
        if (!inserted) return;
    }
    // The character panel and the scroll range show the new byte even where the cursor cannot move on.
    UpdateStatus();
    PostPaneKey(PaneKey::Right);
    Modified = true;
    if (!OverwriteMode) DropBlockIfAffected(a);
}

void TFormMain::ScrollRowDown() {
    TopAddress += Cols;
    ShowAddress(TopAddress, false, false);
    if (CurrentAddress() > FileSize) SetCursorCol(FileSize - TopAddress - CursorRow * Cols);
    UpdateStatus();
}

void TFormMain::ScrollRowUp() {
    TopAddress -= Cols;
    ShowAddress(TopAddress, false, false);
    UpdateStatus();
}

void TFormMain::ModusText1Click() {
    TextMode = !TextMode;
    Action(TCommand::ModusText1)->setChecked(TextMode);
    ArrangePanes();
}

void TFormMain::ModusOverwrite1Click() {
    OverwriteMode = !OverwriteMode;
    Action(TCommand::ModusOverwrite1)->setChecked(OverwriteMode);
    StatusBar1->SetPanelText(2, QString::fromLatin1(OverwriteMode ? Texts::Overwrite : Texts::Insert));
}

void TFormMain::SendPaneKey(int key) {
    SyntheticKey = true;
    QKeyEvent event(QEvent::KeyPress, QtKeyOf(key), HeldModifiers);
    QCoreApplication::sendEvent(ActivePane(), &event);
}

void TFormMain::PostPaneKey(int key) {
    SyntheticKey = true;
    QCoreApplication::postEvent(ActivePane(), new QKeyEvent(QEvent::KeyPress, QtKeyOf(key), HeldModifiers));
}
