// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>

class QEvent;
class QWidget;
class TFormMain;

// The main window for the benchmarks that measure from a key to the painted window.

// One window for every such benchmark, with the largest page that fits a 1920 x 1080 screen.
TFormMain& Form();
// A fresh engine driven by the window, holding the bench file of the given size.
TFormMain& OpenInForm(int64_t size);
void ClosePanes();
// A key pressed and released on the pane, and every event it leads to processed.
void SendKey(QWidget* pane, int qtKey, const QString& text = {});

// Counts the paint events of the widgets it watches.
class TPaintCounter : public QObject {
  public:
    int Paints = 0;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
