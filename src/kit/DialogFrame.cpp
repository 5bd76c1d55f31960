// SPDX-License-Identifier: GPL-3.0-or-later
#include "kit/DialogFrame.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>

#include <algorithm>

int CaptionFitWidth(const QString& caption) {
    // Qt cannot ask the window manager for its title font; the larger of the title bar font Qt knows and
    // the window font, in bold, stands in for it.
    QFont title = QApplication::font("QMdiSubWindowTitleBar");
    const QFont window = QApplication::font();
    if (window.pointSizeF() > title.pointSizeF()) title.setPointSizeF(window.pointSizeF());
    title.setBold(true);
    const QFontMetrics metrics(title);
    // A window icon, the close button and, on desktops that add them anyway, two more: square buttons as
    // tall as the title row, with the frame's margins.
    const int button = metrics.height() + 8;
    return metrics.horizontalAdvance(caption) + 4 * button + 2 * metrics.averageCharWidth();
}
