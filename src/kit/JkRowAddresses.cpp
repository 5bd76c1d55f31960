// SPDX-License-Identifier: GPL-3.0-or-later
#include "kit/JkRowAddresses.h"

#include "kit/JkGrid.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

// Space between the texts and the column's edges.
constexpr int Margin = 4;

} // namespace

TJkRowAddresses::TJkRowAddresses(const TJkStrGrid* grid, QWidget* parent) : QWidget(parent), Grid(grid) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

int TJkRowAddresses::WidthFor(int digits) const {
    const QFontMetrics metrics(Grid->PaneFont());
    int widest = 0;
    for (QChar digit : QStringLiteral("0123456789ABCDEF"))
        widest = std::max(widest, metrics.horizontalAdvance(digit));
    return digits * widest + 2 * Margin;
}

void TJkRowAddresses::SetTexts(const QStringList& texts) {
    if (texts == RowTexts) return;
    RowTexts = texts;
    update();
}

void TJkRowAddresses::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(Grid->PaneFont());
    painter.setPen(palette().color(QPalette::Active, QPalette::WindowText));
    // Each text on the line of its row's cells, as the grid draws them.
    for (int row = 0; row < RowTexts.size(); ++row) {
        const QRect cell = Grid->CellRect(0, row);
        painter.drawText(QRect(0, cell.top() + 2, width() - Margin, cell.height() - 2),
                         Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, RowTexts[row]);
    }
}
