// SPDX-License-Identifier: GPL-3.0-or-later
// TJkStatusBar and the panel helpers PanelsAdjust, PanelAt, RemainingPanelWidth and FitText.
#include "kit/JkStatusBar.h"

#include "kit/Jkdialog.h"

#include "engine/text/StringTable.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMetaType>
#include <QPainter>
#include <QPaintEvent>
#include <qdrawutil.h>

#include <algorithm>
#include <stdexcept>

namespace {

const int DesignedHeight = 19;
const int PanelGap = 2;   // between the frames of two panels
const int TextIndent = 3; // from a panel's frame to its text

} // namespace

TJkStatusBar::TJkStatusBar(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    SetPanelWidths(MainPanelWidths);
}

void TJkStatusBar::SetPanelWidths(const std::vector<int>& widths) {
    std::vector<TPanel> panels;
    panels.reserve(widths.size());
    for (std::size_t i = 0; i < widths.size(); ++i)
        panels.push_back({std::max(0, widths[i]), i < Panels.size() ? Panels[i].Text : QString()});
    Panels = std::move(panels);
    updateGeometry();
    update();
}

int TJkStatusBar::PanelCount() const {
    return int(Panels.size());
}

int TJkStatusBar::PanelWidth(int index) const {
    return index >= 0 && index < PanelCount() ? Panels[std::size_t(index)].Width : 0;
}

void TJkStatusBar::SetPanelWidth(int index, int width) {
    if (index < 0 || index >= PanelCount()) return;
    Panels[std::size_t(index)].Width = std::max(0, width);
    updateGeometry();
    update();
}

QString TJkStatusBar::PanelText(int index) const {
    return index >= 0 && index < PanelCount() ? Panels[std::size_t(index)].Text : QString();
}

void TJkStatusBar::SetPanelText(int index, const QString& text) {
    if (index < 0 || index >= PanelCount()) return;
    TPanel& panel = Panels[std::size_t(index)];
    if (panel.Text == text) return;
    panel.Text = text;
    update();
}

QSize TJkStatusBar::sizeHint() const {
    int width = 0;
    for (const TPanel& panel : Panels)
        width += panel.Width;
    return QSize(width, std::max(DesignedHeight, fontMetrics().height() + 6));
}

QSize TJkStatusBar::minimumSizeHint() const {
    return QSize(0, sizeHint().height());
}

void TJkStatusBar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) updateGeometry();
    QWidget::changeEvent(event);
}

void TJkStatusBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const int top = 2;
    const int height = this->height() - top;
    int x = 0;
    for (int i = 0; i < PanelCount(); ++i) {
        const TPanel& panel = Panels[std::size_t(i)];
        // The last panel reaches to the right edge of the bar.
        const int width = i + 1 == PanelCount() ? std::max(panel.Width, this->width() - x) : panel.Width;
        const QRect frame(x, top, std::max(0, width - PanelGap), height);
        x += width;
        if (frame.width() <= 0 || frame.height() <= 0) continue;
        qDrawShadePanel(&painter, frame, palette(), true, 1);
        const QRect textRect = frame.adjusted(TextIndent, 1, -TextIndent, -1);
        if (panel.Text.isEmpty() || textRect.width() <= 0) continue;
        painter.save();
        painter.setClipRect(textRect);
        painter.setPen(
            palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, panel.Text);
        painter.restore();
    }
}

namespace {

bool IsIntegerIndex(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

[[noreturn]] void FailPanelsAdjust() {
    throw std::invalid_argument(Texts::PanelsAdjustError);
}

} // namespace

void PanelsAdjust(TJkStatusBar* statusBar, const QVariantList& list) {
    if (!statusBar) return;
    const QFontMetrics metrics(statusBar->font());
    for (qsizetype i = 0; i < list.size(); i += 2) {
        const QVariant& index = list[i];
        if (!IsIntegerIndex(index)) FailPanelsAdjust();
        bool ok = false;
        const qlonglong panel = index.toLongLong(&ok);
        if (!ok || panel < 0 || panel >= statusBar->PanelCount()) FailPanelsAdjust();

        QString text;
        if (i + 1 < list.size()) {
            const QVariant& value = list[i + 1];
            switch (value.typeId()) {
            case QMetaType::QString:
                text = value.toString();
                break;
            case QMetaType::QChar:
                text = QString(value.toChar());
                break;
            case QMetaType::Char:
                text = QString(QChar::fromLatin1(value.value<char>()));
                break;
            case QMetaType::QByteArray:
                text = QString::fromUtf8(value.toByteArray());
                break;
            default:
                FailPanelsAdjust();
            }
        }
        if (text.isEmpty()) text = statusBar->PanelText(int(panel));
        statusBar->SetPanelWidth(int(panel), metrics.horizontalAdvance(text) + 10);
    }
}

int PanelAt(const TJkStatusBar* statusBar, int x) {
    if (!statusBar) return 0;
    int right = 0;
    for (int i = 0; i < statusBar->PanelCount(); ++i) {
        right += statusBar->PanelWidth(i);
        if (right > x) return i;
    }
    return statusBar->PanelCount();
}

int RemainingPanelWidth(const TJkStatusBar* statusBar, int n) {
    if (!statusBar) return 0;
    int width = statusBar->width();
    for (int i = 0; i < n && i < statusBar->PanelCount(); ++i)
        width -= statusBar->PanelWidth(i) + 4;
    return width;
}

QString FitText(const QString& text, const QFontMetrics& metrics, int maxWidth) {
    QString source = text;
    QString result = text;
    if (metrics.horizontalAdvance(result) <= maxWidth) return result;
    do {
        // Drop the last character, a surrogate pair as one.
        int drop = 1;
        if (source.size() >= 2 && source.at(source.size() - 1).isLowSurrogate() &&
            source.at(source.size() - 2).isHighSurrogate())
            drop = 2;
        source.chop(drop);
        result = source + QLatin1String("...");
    } while (metrics.horizontalAdvance(result) > maxWidth && source.size() > 2);
    return result;
}
