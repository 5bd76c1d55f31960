// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QWidget>

class TJkStrGrid;

// A column of texts beside a grid, one per row of the grid, right-aligned in the grid's font. It only
// shows: it takes no focus, and clicks go through to what lies beneath.
class TJkRowAddresses : public QWidget {
    Q_OBJECT
  public:
    TJkRowAddresses(const TJkStrGrid* grid, QWidget* parent);

    // The width that holds a text of so many digits.
    int WidthFor(int digits) const;
    const QStringList& Texts() const { return RowTexts; }
    void SetTexts(const QStringList& texts);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const TJkStrGrid* Grid;
    QStringList RowTexts;
};
