// SPDX-License-Identifier: GPL-3.0-or-later
#include "kit/JkGrid.h"

#include "kit/UiApplication.h"

#include "engine/text/CharacterSet.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <optional>

namespace {

const QString TerminalFont = QStringLiteral("Terminal");

} // namespace

QFont ResolveFont(const QString& name, int pointSize) {
    QFont font;
    if (QFontDatabase::families().contains(name, Qt::CaseInsensitive))
        font = QFont(name);
    else
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(std::max(1, pointSize));
    return font;
}

QChar ByteGlyph(uint8_t byte, TCharacterSet shownSet) {
    if (byte == 0) byte = 176;
    // Control codes have no picture in the other sets; their DOS ones keep every byte visible.
    if (byte < 0x20 || byte == 0x7F) return QChar(char16_t(Engine::DecodeByte(TCharacterSet::Dos437, byte)));
    const char32_t c = Engine::DecodeByte(shownSet, byte);
    // Latin-1's C1 controls and the five codes Windows-1252 leaves undefined are invisible: a box stands in.
    if (c >= 0x80 && c <= 0x9F) return QChar(char16_t(0x25A1));
    if (c == 0xAD) // a soft hyphen would not be drawn
        return QChar(char16_t(0x2010));
    return QChar(char16_t(c));
}

QChar ByteGlyph(uint8_t byte, bool oemFont) {
    return ByteGlyph(byte, Engine::ShownSet(UiApplication().CharacterSet, oemFont));
}

const QString& HexCellText(uint8_t byte) {
    static const std::array<QString, 256> texts = [] {
        std::array<QString, 256> result;
        for (int i = 0; i < 256; ++i)
            result[size_t(i)] = QStringLiteral("%1").arg(i, 2, 16, QLatin1Char('0')).toUpper();
        return result;
    }();
    return texts[byte];
}

const QString& GlyphCellText(uint8_t byte, bool oemFont) {
    using TTexts = std::array<QString, 256>;
    static const std::array<TTexts, CharacterSetCount> texts = [] {
        std::array<TTexts, CharacterSetCount> result;
        for (size_t set = 0; set < result.size(); ++set)
            for (int i = 0; i < 256; ++i)
                result[set][size_t(i)] = QString(ByteGlyph(uint8_t(i), TCharacterSet(set)));
        return result;
    }();
    return texts[size_t(Engine::ShownSet(UiApplication().CharacterSet, oemFont))][byte];
}

TJkStrGrid::TJkStrGrid(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    Background = palette().color(QPalette::Active, QPalette::Base);
    SetFontName(TerminalFont);
}

void TJkStrGrid::ResizeCells() {
    Cells.assign(size_t(std::max(0, Cols)) * size_t(std::max(0, Rows)), QString());
    SelCol = std::clamp(SelCol, 0, std::max(0, Cols - 1));
    SelRow = std::clamp(SelRow, 0, std::max(0, Rows - 1));
    update();
}

void TJkStrGrid::SetColCount(int cols) {
    if (cols == Cols) return;
    Cols = std::max(0, cols);
    ResizeCells();
}

void TJkStrGrid::SetRowCount(int rows) {
    if (rows == Rows) return;
    Rows = std::max(0, rows);
    ResizeCells();
}

void TJkStrGrid::SetDefaultColWidth(int width) {
    ColWidth = std::max(1, width);
    update();
}

void TJkStrGrid::SetDefaultRowHeight(int height) {
    RowHeight = std::max(1, height);
    update();
}

QString TJkStrGrid::Cell(int col, int row) const {
    if (col < 0 || row < 0 || col >= Cols || row >= Rows) return {};
    return Cells[size_t(row) * size_t(Cols) + size_t(col)];
}

void TJkStrGrid::SetCell(int col, int row, const QString& text) {
    if (col < 0 || row < 0 || col >= Cols || row >= Rows) return;
    QString& cell = Cells[size_t(row) * size_t(Cols) + size_t(col)];
    if (cell == text) return;
    cell = text;
    Invalidate(CellRect(col, row));
}

void TJkStrGrid::ClearCells() {
    std::fill(Cells.begin(), Cells.end(), QString());
    update();
}

bool TJkStrGrid::SelectCell(int col, int row) {
    if (col < 0 || row < 0 || col >= Cols || row >= Rows) return false;
    if (OnSelectCell && !OnSelectCell(this, col, row)) return false;
    SetSelection(col, row);
    // Two grids that are each other's slave would drive each other round; neither drives then.
    if (Slave && Slave != this && Slave->Slave != this && (Slave->SelCol != col || Slave->SelRow != row))
        SetCellAndSlave(Slave, col, row);
    return true;
}

void TJkStrGrid::SetSelection(int col, int row) {
    col = std::clamp(col, 0, std::max(0, Cols - 1));
    row = std::clamp(row, 0, std::max(0, Rows - 1));
    if (col == SelCol && row == SelRow) return;
    Invalidate(CellRect(SelCol, SelRow));
    SelCol = col;
    SelRow = row;
    Invalidate(CellRect(SelCol, SelRow));
}

void TJkStrGrid::SetSlaveGrid(TJkStrGrid* grid) {
    if (grid != Slave && grid != this) Slave = grid;
}

void TJkStrGrid::SetFontName(const QString& name) {
    FontNameValue = name.left(255);
    ResolvedFont = ResolveFont(FontNameValue, FontSizeValue);
    update();
}

void TJkStrGrid::SetFontSize(int pointSize) {
    FontSizeValue = pointSize;
    ResolvedFont = ResolveFont(FontNameValue, FontSizeValue);
    update();
}

bool TJkStrGrid::UsesOemGlyphs() const {
    return FontNameValue.compare(TerminalFont, Qt::CaseInsensitive) == 0;
}

void TJkStrGrid::SetBackgroundColor(const QColor& color) {
    Background = color;
    update();
}

void TJkStrGrid::BeginUpdate() {
    ++UpdateLock;
}

void TJkStrGrid::EndUpdate() {
    if (UpdateLock > 0 && --UpdateLock == 0 && !Pending.isEmpty()) {
        update(Pending);
        Pending = QRect();
    }
}

void TJkStrGrid::Invalidate(const QRect& rect) {
    if (UpdateLock > 0)
        Pending = Pending.united(rect); // a refill changes whole rows; their bounding box is exact enough
    else
        update(rect);
}

QRect TJkStrGrid::CellRect(int col, int row) const {
    const int frame = 2 * LineWidth;
    return QRect(frame + col * (ColWidth + LineWidth), frame + row * (RowHeight + LineWidth), ColWidth,
                 RowHeight);
}

QPoint TJkStrGrid::CellAt(const QPoint& point) const {
    const int frame = 2 * LineWidth;
    const int x = point.x() - frame;
    const int y = point.y() - frame;
    if (x < 0 || y < 0) return {-1, -1};
    const int col = x / (ColWidth + LineWidth);
    const int row = y / (RowHeight + LineWidth);
    if (col >= Cols || row >= Rows) return {-1, -1};
    return {col, row};
}

QSize TJkStrGrid::sizeHint() const {
    return {PaneWidth(this, Cols), PaneHeight(this, Rows)};
}

void TJkStrGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QPalette& pal = palette();
    const QRect dirty = event->rect();
    painter.fillRect(dirty, Background);

    // Sunken frame, as wide as two grid lines.
    const QRect outer = rect();
    painter.setPen(pal.color(QPalette::Active, QPalette::Dark));
    painter.drawLine(outer.topLeft(), outer.topRight());
    painter.drawLine(outer.topLeft(), outer.bottomLeft());
    painter.setPen(pal.color(QPalette::Active, QPalette::Shadow));
    painter.drawLine(outer.topLeft() + QPoint(1, 1), QPoint(outer.right() - 1, 1));
    painter.drawLine(outer.topLeft() + QPoint(1, 1), QPoint(1, outer.bottom() - 1));
    painter.setPen(pal.color(QPalette::Active, QPalette::Light));
    painter.drawLine(outer.bottomLeft(), outer.bottomRight());
    painter.drawLine(outer.topRight(), outer.bottomRight());
    if (Cols <= 0 || Rows <= 0) return;

    // The cells the dirty rectangle touches, grid lines included.
    const int frame = 2 * LineWidth;
    const int pitchX = ColWidth + LineWidth;
    const int pitchY = RowHeight + LineWidth;
    const int firstCol = std::clamp((dirty.left() - frame) / pitchX, 0, Cols - 1);
    const int lastCol = std::clamp((dirty.right() - frame) / pitchX, 0, Cols - 1);
    const int firstRow = std::clamp((dirty.top() - frame) / pitchY, 0, Rows - 1);
    const int lastRow = std::clamp((dirty.bottom() - frame) / pitchY, 0, Rows - 1);
    const QRect area = CellRect(firstCol, firstRow).united(CellRect(lastCol, lastRow));

    // Grid lines: one per column and one per row.
    const QColor lineColor = pal.color(QPalette::Active, QPalette::Mid);
    for (int col = firstCol; col <= lastCol; ++col)
        painter.fillRect(
            QRect(CellRect(col, 0).right() + 1, area.top(), LineWidth, area.height() + LineWidth), lineColor);
    for (int row = firstRow; row <= lastRow; ++row)
        painter.fillRect(
            QRect(area.left(), CellRect(0, row).bottom() + 1, area.width() + LineWidth, LineWidth),
            lineColor);

    const bool selectedShown =
        SelCol >= firstCol && SelCol <= lastCol && SelRow >= firstRow && SelRow <= lastRow;
    if (selectedShown)
        painter.fillRect(CellRect(SelCol, SelRow), pal.color(QPalette::Active, QPalette::Highlight));

    // The texts, one glyph run per row; a cell whose characters the font lacks is drawn on its own, so that
    // the font fallback finds them a glyph.
    painter.setFont(ResolvedFont);
    Glyphs.Prepare(ResolvedFont);
    const qreal baseline = 2 + Glyphs.Ascent;
    QList<quint32> indexes;
    QList<QPointF> positions;
    std::vector<QPoint> aside;
    for (int row = firstRow; row <= lastRow; ++row) {
        indexes.clear();
        positions.clear();
        for (int col = firstCol; col <= lastCol; ++col) {
            const QString& text = Cells[size_t(row) * size_t(Cols) + size_t(col)];
            if (text.isEmpty()) continue;
            if ((col == SelCol && row == SelRow) ||
                !Glyphs.Append(text, CellRect(col, row).topLeft() + QPointF(2, baseline), indexes,
                               positions)) {
                aside.push_back({col, row});
            }
        }
        if (!indexes.isEmpty()) {
            QGlyphRun run;
            run.setRawFont(Glyphs.Font);
            run.setGlyphIndexes(indexes);
            run.setPositions(positions);
            painter.setPen(pal.color(QPalette::Active, QPalette::Text));
            painter.drawGlyphRun(QPointF(0, 0), run);
        }
    }
    for (const QPoint& cell : aside) {
        const bool selected = cell.x() == SelCol && cell.y() == SelRow;
        painter.setPen(selected ? pal.color(QPalette::Active, QPalette::HighlightedText)
                                : pal.color(QPalette::Active, QPalette::Text));
        painter.drawText(CellRect(cell.x(), cell.y()).adjusted(2, 2, 0, 0),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         Cells[size_t(cell.y()) * size_t(Cols) + size_t(cell.x())]);
    }

    if (!OnDrawCell) return;
    painter.save();
    for (int row = firstRow; row <= lastRow; ++row)
        for (int col = firstCol; col <= lastCol; ++col)
            OnDrawCell(this, col, row, CellRect(col, row), painter, col == SelCol && row == SelRow);
    painter.restore();
}

void TJkStrGrid::TGlyphCache::Prepare(const QFont& font) {
    if (Ready && font == Source) return;
    Source = font;
    Font = QRawFont::fromFont(font);
    Ascent = QFontMetricsF(font).ascent();
    Known.clear();
    Ready = true;
}

bool TJkStrGrid::TGlyphCache::Append(const QString& text, QPointF origin, QList<quint32>& indexes,
                                     QList<QPointF>& positions) {
    const qsizetype start = indexes.size();
    for (QChar c : text) {
        auto found = Known.find(c.unicode());
        if (found == Known.end()) {
            TGlyph glyph;
            const QList<quint32> index = Font.glyphIndexesForString(QString(c));
            glyph.Index = index.isEmpty() ? 0 : index.first();
            if (glyph.Index != 0) {
                const QList<QPointF> advance = Font.advancesForGlyphIndexes(index);
                glyph.Advance = advance.isEmpty() ? 0 : advance.first().x();
            }
            found = Known.emplace(c.unicode(), glyph).first;
        }
        if (found->second.Index == 0) {
            indexes.resize(start);
            positions.resize(start);
            return false;
        }
        indexes.append(found->second.Index);
        positions.append(origin);
        origin.rx() += found->second.Advance;
    }
    return true;
}

void TJkStrGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint cell = CellAt(event->position().toPoint());
        if (cell.x() >= 0) {
            Dragging = true;
            DragCell = cell;
            if (OnCellPress)
                OnCellPress(this, cell.x(), cell.y(), event->modifiers());
            else
                SelectCell(cell.x(), cell.y());
        }
    }
    QWidget::mousePressEvent(event);
}

QPoint TJkStrGrid::DragCellAt(const QPoint& point) const {
    const int frame = 2 * LineWidth;
    const int x = point.x() - frame;
    const int y = point.y() - frame;
    const int col = x < 0 ? -1 : std::min(x / (ColWidth + LineWidth), Cols);
    // Rows beyond the top or bottom count on, so that the owner knows how far out the pointer is.
    const int pitch = RowHeight + LineWidth;
    const int row = y < 0 ? -1 - (-y - 1) / pitch : y / pitch;
    return {col, row};
}

void TJkStrGrid::DragTo(QPoint cell) {
    DragCell = cell;
    if (OnCellDrag) OnCellDrag(this, cell.x(), cell.y(), Qt::NoModifier);
    // Beyond the top or bottom edge the view goes on scrolling while the pointer stays there.
    const bool outside = cell.y() < 0 || cell.y() >= Rows;
    if (outside && !AutoScroll) {
        AutoScroll = new QTimer(this);
        AutoScroll->setInterval(AutoScrollMs);
        connect(AutoScroll, &QTimer::timeout, this, [this] {
            if (Dragging) DragTo(DragCell);
        });
    }
    if (AutoScroll) {
        if (outside && !AutoScroll->isActive()) AutoScroll->start();
        if (!outside) AutoScroll->stop();
    }
}

void TJkStrGrid::mouseMoveEvent(QMouseEvent* event) {
    if (Dragging && (event->buttons() & Qt::LeftButton)) {
        const QPoint cell = DragCellAt(event->position().toPoint());
        if (cell != DragCell) DragTo(cell);
    }
    QWidget::mouseMoveEvent(event);
}

void TJkStrGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && Dragging) {
        Dragging = false;
        if (AutoScroll) AutoScroll->stop();
        if (OnCellRelease) OnCellRelease(this);
    }
    QWidget::mouseReleaseEvent(event);
}

bool TJkStrGrid::event(QEvent* event) {
    // Tab belongs to the pane's key handler (it switches panes), not to focus moving.
    if (event->type() == QEvent::KeyPress) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        if (keyEvent->key() == Qt::Key_Tab || keyEvent->key() == Qt::Key_Backtab) {
            keyPressEvent(keyEvent);
            return true;
        }
    }
    return QWidget::event(event);
}

// Ctrl or Alt with a key is a command, not typing; both together are AltGr on some systems.
static bool TypesCharacters(const QKeyEvent& event) {
    const Qt::KeyboardModifiers held = event.modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    return held == Qt::NoModifier || held == (Qt::ControlModifier | Qt::AltModifier);
}

void TJkStrGrid::keyPressEvent(QKeyEvent* event) {
    event->accept();
    if (OnKeyDown) OnKeyDown(this, *event);
    // The characters of the key come after its key-down, as a typed character follows its key.
    if (!OnKeyPress || !TypesCharacters(*event)) return;
    const QList<uint> characters = event->text().toUcs4();
    for (uint character : characters) {
        if (character == 0x7F) continue; // the Delete key's text: Delete acts in key-down only
        if (const std::optional<uint8_t> byte = Engine::TypedByte(UiApplication(), char32_t(character))) {
            uint8_t code = *byte;
            OnKeyPress(this, code);
        }
    }
}

void TJkStrGrid::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    // A held key repeats its key-down only; the one key-up comes when it is let go.
    if (event->isAutoRepeat() || !OnKeyUp) return;
    OnKeyUp(this, *event);
}

void TJkStrGrid::wheelEvent(QWheelEvent* event) {
    if (OnWheel && OnWheel(event))
        event->accept();
    else
        QWidget::wheelEvent(event);
}

int PaneWidth(const TJkStrGrid* grid, int n) {
    return n * grid->DefaultColWidth() + (n + 4) * grid->GridLineWidth();
}

int PaneHeight(const TJkStrGrid* grid, int n) {
    return n * grid->DefaultRowHeight() + (n + 4) * grid->GridLineWidth();
}

void SetCellAndSlave(TJkStrGrid* grid, int col, int row) {
    grid->SetSelection(col, row);
    if (TJkStrGrid* slave = grid->SlaveGrid(); slave && slave != grid) slave->SetSelection(col, row);
}
