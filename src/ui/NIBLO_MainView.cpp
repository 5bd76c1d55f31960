// SPDX-License-Identifier: GPL-3.0-or-later
// The panes, the scroll bar and the status panels of the main window.
#include "ui/NIBLO_Main.h"

#include "engine/store/PieceStore.h"
#include "engine/document/EngineState.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "engine/document/RowAddresses.h"
#include "engine/document/View.h"
#include "engine/files/DiskWatch.h"
#include "kit/JkGrid.h"
#include "kit/JkRowAddresses.h"
#include "ui/NIBLO_Inspector.h"
#include "kit/JkScroll.h"
#include "kit/Jkdialog.h"
#include "kit/JkStatusBar.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <array>

namespace {

// What the hex pane shows for a byte that can no longer be read: never a made-up value.
const QString UnreadableCell = QStringLiteral("--");

// The colour of the pane that takes no keys, as the system draws inactive borders.
QColor InactiveColor(const QWidget* widget) {
    return widget->palette().color(QPalette::Active, QPalette::Button);
}

QColor ActiveColor(const QWidget* widget) {
    return widget->palette().color(QPalette::Active, QPalette::Base);
}

// The scroll bar counts in 32 bits. Up to ScrollUnits bytes (the largest file of old) it counts addresses;
// a larger file is counted in units of several bytes, so that no position or range wraps.
constexpr int64_t ScrollUnits = INT32_MAX - 131072;

int64_t ScrollScale(int64_t fileSize) {
    return fileSize <= ScrollUnits ? 1 : 1 + (fileSize - 1) / ScrollUnits;
}

int32_t ToScroll(int64_t fileSize, int64_t n) {
    return static_cast<int32_t>((n - 1) / ScrollScale(fileSize) + 1);
}

int32_t ToScrollSpan(int64_t fileSize, int64_t n) {
    return static_cast<int32_t>(std::max<int64_t>(1, n / ScrollScale(fileSize)));
}

} // namespace

void TFormMain::CreatePanes() {
    JkStrGridText = new TJkStrGrid(Client);
    JkStrGridText->setObjectName(QStringLiteral("JkStrGridText"));
    JkStrGridText->setProperty("helpContext", HelpTextPane);
    JkStrGridText->SetColCount(Engine::DefaultCols);
    JkStrGridText->SetRowCount(Engine::DefaultRows);
    JkStrGridText->SetDefaultColWidth(15);
    JkStrGridText->SetDefaultRowHeight(15);
    JkStrGridText->move(0, 26);

    JkStrGridHex = new TJkStrGrid(Client);
    JkStrGridHex->setObjectName(QStringLiteral("JkStrGridHex"));
    JkStrGridHex->setProperty("helpContext", HelpHexPane);
    JkStrGridHex->SetColCount(Engine::DefaultCols);
    JkStrGridHex->SetRowCount(Engine::DefaultRows);
    JkStrGridHex->SetDefaultColWidth(20);
    JkStrGridHex->SetDefaultRowHeight(15);
    JkStrGridHex->move(327, 26);
    JkStrGridHex->SetBackgroundColor(InactiveColor(this));

    JkStrGridText->SetSlaveGrid(JkStrGridHex);
    RowAddressColumn = new TJkRowAddresses(JkStrGridText, Client);
    RowAddressColumn->setObjectName(QStringLiteral("RowAddressColumn"));
    RowAddressColumn->hide();
    for (TJkStrGrid* pane : {JkStrGridText, JkStrGridHex}) {
        pane->OnDrawCell = [this](TJkStrGrid* grid, int col, int row, const QRect& rect, QPainter& painter,
                                  bool selected) {
            JkStrGridDrawCell(grid, col, row, rect, painter, selected);
        };
        ConnectPaneInput(pane);
    }

    StatusBar1 = new TJkStatusBar(Client);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setProperty("helpContext", HelpStatusBar);
    StatusBar1->SetPanelWidths(MainPanelWidths);
}

TJkStrGrid* TFormMain::ActivePane() const {
    return App.TextMode ? JkStrGridText : JkStrGridHex;
}

uint8_t TFormMain::DisplayChar(uint8_t byte) {
    return byte == 0 ? 176 : byte;
}

void TFormMain::RefreshPane(TJkStrGrid* pane, int32_t col, int32_t row) {
    if (!Doc().FileOpen) return;
    const bool textPane = pane == JkStrGridText;
    const bool oem = pane->UsesOemGlyphs();
    const QString blank = textPane ? QString() : QStringLiteral("  ");
    pane->BeginUpdate();
    for (int r = row; r < pane->RowCount(); ++r) {
        for (int c = r == row ? col : 0; c < pane->ColCount(); ++c) {
            const int64_t address =
                int64_t(Doc().View.TopAddress) + int64_t(r) * Doc().View.Cols + c;
            if (address > Doc().View.BottomAddress || address > Doc().Store.FileSize()) {
                pane->SetCell(c, r, blank);
                continue;
            }
            const int byte = Doc().Store.ByteAt(address);
            if (byte == Engine::UnreadableByte) {
                NoteUnreadable(address);
                pane->SetCell(c, r, textPane ? QString() : UnreadableCell);
                continue;
            }
            pane->SetCell(c, r, textPane ? GlyphCellText(DisplayChar(uint8_t(byte)), oem) : HexCellText(uint8_t(byte)));
        }
    }
    pane->EndUpdate();
}

void TFormMain::NoteUnreadable(int64_t address) {
    if (Doc().File.UnreadableTold || UnreadablePending) return;
    UnreadablePending = true;
    QTimer::singleShot(0, this, [this, address] {
        UnreadablePending = false;
        Engine::ReadWentWell(Doc(), {Engine::TReadStatus::Unreadable, address, 1});
    });
}

void TFormMain::RefreshPanes(int32_t col, int32_t row) {
    RefreshPane(JkStrGridText, col, row);
    RefreshPane(JkStrGridHex, col, row);
    RefreshRowAddresses();
    if (Inspector) Inspector->Follow();
}

void TFormMain::RefreshRowAddresses() {
    if (!RowAddresses) return;
    // A file that needs more digits widens the column, and the window with it.
    if (JkStrGridText->x() != RowAddressSpace()) LayoutPanes();
    QStringList texts;
    for (const std::string& text : Engine::RowAddressTexts(Doc()))
        texts.append(QString::fromStdString(text));
    RowAddressColumn->SetTexts(texts);
}

void TFormMain::RefreshCell(int32_t col, int32_t row) {
    const int64_t address =
        int64_t(Doc().View.TopAddress) + int64_t(row) * Doc().View.Cols + col;
    const int byte = Doc().FileOpen && address <= Doc().View.BottomAddress && address <= Doc().Store.FileSize()
                         ? Doc().Store.ByteAt(address)
                         : Engine::UnreadableByte;
    const bool hasByte = byte != Engine::UnreadableByte;
    JkStrGridText->SetCell(
        col, row, hasByte ? GlyphCellText(DisplayChar(uint8_t(byte)), JkStrGridText->UsesOemGlyphs()) : QString());
    // A first hex digit waiting for its second shows alone in the cursor's cell.
    if (Doc().View.PendingDigit >= 0 && col == Doc().View.CursorCol &&
        row == Doc().View.CursorRow)
        JkStrGridHex->SetCell(col, row, QString(QChar(u"0123456789ABCDEF"[Doc().View.PendingDigit])));
    else
        JkStrGridHex->SetCell(col, row, hasByte ? HexCellText(byte) : QStringLiteral("  "));
    if (Inspector) Inspector->Follow();
}

void TFormMain::SelectCell(int32_t col, int32_t row) {
    SetCellAndSlave(ActivePane(), col, row);
}

void TFormMain::ClearPanes() {
    JkStrGridText->ClearCells();
    JkStrGridHex->ClearCells();
    RefreshRowAddresses();
}

void TFormMain::RepaintPanes() {
    JkStrGridText->update();
    JkStrGridHex->update();
}

void TFormMain::SetScrollBarEnabled(bool on) {
    ScrollBar1->setEnabled(on);
}

void TFormMain::ArrangePanes() {
    JkStrGridText->SetSlaveGrid(nullptr);
    JkStrGridHex->SetSlaveGrid(nullptr);
    TJkStrGrid* active = ActivePane();
    TJkStrGrid* inactive = active == JkStrGridText ? JkStrGridHex : JkStrGridText;
    active->SetBackgroundColor(ActiveColor(this));
    active->setFocusPolicy(Qt::StrongFocus);
    // The inactive pane takes no keys but keeps showing the data and the cursor cell; the mouse makes it
    // the active one (the engine decides), and the wheel scrolls over either.
    inactive->SetBackgroundColor(InactiveColor(this));
    inactive->setFocusPolicy(Qt::NoFocus);
    active->setFocus();
    active->SetSlaveGrid(inactive);
    UpdateStatus();
}

void TFormMain::JkStrGridDrawCell(TJkStrGrid* grid, int col, int row, const QRect& rect, QPainter& painter,
                                  bool selected) {
    if (!Doc().FileOpen) return;
    const int64_t address =
        int64_t(Doc().View.TopAddress) + int64_t(row) * Doc().View.Cols + col;
    const bool inBlock = Doc().Block.BlockBegin != 0 && Doc().Block.BlockEnd != 0 &&
                         address >= Doc().Block.BlockBegin && address <= Doc().Block.BlockEnd;
    const bool hit = !selected && address <= Doc().Store.FileSize() && IsListedHit(address);
    if (!inBlock && !hit) return;
    const QColor background = selected ? grid->palette().color(QPalette::Active, QPalette::Highlight)
                              : hit    ? HitColor
                                       : grid->BackgroundColor();
    painter.fillRect(rect, background);
    painter.setPen(inBlock ? ColorBlock : grid->palette().color(QPalette::Active, QPalette::Text));
    painter.drawText(rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     grid->Cell(col, row));
}

void TFormMain::FitAddressPanel() {
    // Never narrower than designed: for nine decimal digits.
    const int64_t largest = std::max<int64_t>(
        999999999, Doc().FileOpen ? Engine::CursorEnd(Doc()) - 1 + App.AddressBase : 0);
    int digits = 0;
    for (int64_t n = largest; n > 0; n /= 10)
        ++digits;
    if (digits == AddressPanelDigits) return;
    AddressPanelDigits = digits;
    int64_t widest = 0; // as many nines, the widest number of that length
    for (int i = 0; i < digits; ++i)
        widest = widest > (INT64_MAX - 9) / 10 ? INT64_MAX : widest * 10 + 9;
    PanelsAdjust(StatusBar1, {0, QString::fromStdString(FormatText(Texts::AdrDec, {widest}))});
}

void TFormMain::UpdateStatus() {
    FitAddressPanel();
    if (Inspector) Inspector->Follow();
    // The mode and the base the address panel follows, the column follows too.
    RefreshRowAddresses();
    if (!Doc().FileOpen || Doc().Store.FileSize() == 0) {
        StatusBar1->SetPanelText(0, QString());
        StatusBar1->SetPanelText(1, QString());
        ScrollBar1->SetParams(0, 0, 0, 0);
        return;
    }
    const TAddress address = Engine::CurrentAddress(Doc());
    const int64_t shown = address - 1 + App.AddressBase;
    StatusBar1->SetPanelText(
        0, QString::fromStdString(FormatText(App.TextMode ? Texts::AdrDec : Texts::AdrHex, {shown})));
    // A cursor past the last byte (insert position) has no byte to show.
    const int byte = address >= 1 && address <= Doc().Store.FileSize() ? Doc().Store.ByteAt(address)
                                                                        : Engine::UnreadableByte;
    StatusBar1->SetPanelText(1, byte != Engine::UnreadableByte
                                    ? QString::fromStdString(FormatText(Texts::CharDec, {int64_t(byte)}))
                                    : QString());
    UpdateScrollSteps();
    ScrollBar1->SetParams(ToScroll(Doc().Store.FileSize(), address), 1, ToScrollSpan(Doc().Store.FileSize(), Doc().View.PageBytes),
                          ToScroll(Doc().Store.FileSize(), Doc().Store.FileSize()));
}

void TFormMain::UpdateScrollSteps() {
    ScrollBar1->SmallChange = ToScrollSpan(Doc().Store.FileSize(), Doc().View.PageBytes);
    ScrollBar1->LargeChange = ToScrollSpan(Doc().Store.FileSize(), 10 * int64_t{Doc().View.PageBytes});
}

void TFormMain::ShowStatusMessage(const QString& text) {
    if (NoteTimer) NoteTimer->stop();
    const int limit = RemainingPanelWidth(StatusBar1, 3) - 10;
    StatusBar1->SetPanelText(3, FitText(text, QFontMetrics(StatusBar1->font()), limit));
}

void TFormMain::ScrollBar1Scroll(int code, int32_t& position) {
    // The panes do not follow the thumb or a held arrow; the view is rebuilt once when the scroll ends.
    if (code != scEndScroll) {
        ShowStatusMessage(QString::fromLatin1(Texts::Scrolling));
        return;
    }
    ShowStatusMessage(QString());
    if (!Doc().FileOpen || Doc().Store.FileSize() == 0) return;
    // The thumb's last position is the last page, so that the end is reached however the file is scaled.
    const int32_t upper = ScrollBar1->Max() - ScrollBar1->PageSize() + 1;
    const TAddress p = (int64_t{position} - 1) * ScrollScale(Doc().Store.FileSize()) + 1;
    if (position >= upper || p >= Doc().Store.FileSize() - Doc().View.PageBytes + 1) {
        Engine::GoToEnd(Doc());
    } else if (p > Doc().View.PageBytes) {
        Engine::ShowAddress(Doc(), (p - 1) / Doc().View.Cols * Doc().View.Cols + 1, true, false);
        UpdateStatus();
    } else {
        Engine::GoToStart(Doc());
    }
    // The thumb stays where the view went, not where it was dropped.
    position = ToScroll(Doc().Store.FileSize(), Engine::CurrentAddress(Doc()));
}
