// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/text/CharacterSet.h"

#include <QColor>
#include <QFont>
#include <QRawFont>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

class QKeyEvent;
class QWheelEvent;
class QPainter;

// A grid of text cells that paints itself: no fixed rows or columns, one selected cell, grid lines,
// a draw-cell hook and a select-cell veto. A grid can drive a slave grid whose selection follows its own.
class TJkStrGrid : public QWidget {
    Q_OBJECT
  public:
    // Runs after the grid has drawn a cell; rect is the cell, background the colour it was filled with.
    using TDrawCellHook = std::function<void(TJkStrGrid* grid, int col, int row, const QRect& rect,
                                             QPainter& painter, bool selected)>;
    // Asked before a cell is selected by the user or by SelectCell; false keeps the old cell.
    using TSelectCellHook = std::function<bool(TJkStrGrid* grid, int col, int row)>;
    // Key-down and key-up get every key event; the owner moves the selection (the grid itself moves it only on
    // a click).
    using TKeyHook = std::function<void(TJkStrGrid* grid, const QKeyEvent& event)>;
    // Characters typed, one byte each in the typed character set (Engine::TypedByte); characters without
    // a byte never arrive.
    using TKeyPressHook = std::function<void(TJkStrGrid* grid, uint8_t& key)>;
    // The wheel turned over the grid; true when the hook took the event.
    using TWheelHook = std::function<bool(QWheelEvent* event)>;
    // The left button went down on a cell, or the pointer moved with it held (then col may lie one outside
    // the grid, -1 or the count, and row counts on beyond the top (-1, -2, ...) or the bottom (the count and
    // up) as far as the pointer is; the hook is called again every AutoScrollMs while it stays out there).
    // With a press hook the owner moves the selection itself.
    using TCellMouseHook = std::function<void(TJkStrGrid* grid, int col, int row, Qt::KeyboardModifiers)>;
    static constexpr int AutoScrollMs = 50;

    explicit TJkStrGrid(QWidget* parent = nullptr);

    int ColCount() const { return Cols; }
    int RowCount() const { return Rows; }
    void SetColCount(int cols);
    void SetRowCount(int rows);
    int DefaultColWidth() const { return ColWidth; }
    int DefaultRowHeight() const { return RowHeight; }
    void SetDefaultColWidth(int width);
    void SetDefaultRowHeight(int height);
    int GridLineWidth() const { return LineWidth; }

    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);
    void ClearCells();

    int Col() const { return SelCol; }
    int Row() const { return SelRow; }
    // Selection through the veto, driving the slave (the user's and the cursor's way).
    bool SelectCell(int col, int row);
    // Selection without asking (anchor and cursor both).
    void SetSelection(int col, int row);

    TJkStrGrid* SlaveGrid() const { return Slave; }
    void SetSlaveGrid(TJkStrGrid* grid);

    // Font by name: a name the system lacks ("Terminal" on most systems) keeps its name but is drawn
    // with the fixed-pitch system font.
    QString FontName() const { return FontNameValue; }
    int FontSize() const { return FontSizeValue; }
    void SetFontName(const QString& name);
    void SetFontSize(int pointSize);
    const QFont& PaneFont() const { return ResolvedFont; }
    // "Terminal" has the OEM (CP437) glyphs: under the default character set it draws bytes through them,
    // every other font through Windows-1252.
    bool UsesOemGlyphs() const;

    QColor BackgroundColor() const { return Background; }
    void SetBackgroundColor(const QColor& color);

    // Cell changes between these calls repaint once, at the end.
    void BeginUpdate();
    void EndUpdate();

    QRect CellRect(int col, int row) const;
    // The cell at a point of the widget, or (-1, -1).
    QPoint CellAt(const QPoint& point) const;

    TDrawCellHook OnDrawCell;
    TSelectCellHook OnSelectCell;
    TKeyHook OnKeyDown;
    TKeyHook OnKeyUp;
    TKeyPressHook OnKeyPress;
    TWheelHook OnWheel;
    TCellMouseHook OnCellPress;
    TCellMouseHook OnCellDrag;
    std::function<void(TJkStrGrid* grid)> OnCellRelease;

    QSize sizeHint() const override;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    void Invalidate(const QRect& rect);
    // The cell under a point: the column one outside the grid at most, the row counted on beyond it.
    QPoint DragCellAt(const QPoint& point) const;
    void DragTo(QPoint cell);
    void ResizeCells();

    int Cols = 0;
    int Rows = 0;
    int ColWidth = 12;
    int RowHeight = 12;
    int LineWidth = 1;
    int SelCol = 0;
    int SelRow = 0;
    std::vector<QString> Cells;
    TJkStrGrid* Slave = nullptr;
    QString FontNameValue;
    int FontSizeValue = 8;
    QFont ResolvedFont;
    QColor Background;
    int UpdateLock = 0;
    QRect Pending;

    // Glyph indexes and advances of the characters drawn so far, for drawing a row in one run.
    struct TGlyph {
        quint32 Index = 0; // 0: the font has no glyph for it
        qreal Advance = 0;
    };
    struct TGlyphCache {
        void Prepare(const QFont& font);
        // Adds the glyphs of text at origin (a baseline point); false when one is missing (nothing added).
        bool Append(const QString& text, QPointF origin, QList<quint32>& indexes, QList<QPointF>& positions);
        bool Ready = false;
        QFont Source;
        QRawFont Font;
        qreal Ascent = 0;
        std::unordered_map<char16_t, TGlyph> Known;
    };
    TGlyphCache Glyphs;
    bool Dragging = false;
    QPoint DragCell;
    QTimer* AutoScroll = nullptr;
};

// The font a pane draws with for a font name: a name the system lacks stands for the fixed-pitch font.
QFont ResolveFont(const QString& name, int pointSize);
// The pane's size for n cells: n cells plus n + 4 grid lines (frame included).
int PaneWidth(const TJkStrGrid* grid, int n);
int PaneHeight(const TJkStrGrid* grid, int n);
// Selects (col, row) in the grid and, if it has one, in its slave.
void SetCellAndSlave(TJkStrGrid* grid, int col, int row);

// The character a byte shows as in the text pane, drawn in shownSet: 0 shows as 176; control codes as
// their DOS pictures and invisible characters as stand-ins, so that every byte can be seen.
QChar ByteGlyph(uint8_t byte, TCharacterSet shownSet);
// The same in the user's character set (Engine::CharacterSet) for a font with (oemFont) or without the
// OEM glyphs: what a text pane in that font shows. Copying text out takes its characters from here.
QChar ByteGlyph(uint8_t byte, bool oemFont);
// The texts of a byte's cells, built once: two upper-case hex digits; the glyph as ByteGlyph gives it.
const QString& HexCellText(uint8_t byte);
const QString& GlyphCellText(uint8_t byte, bool oemFont);
