// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/JkBtn.h"

#include <QCursor>
#include <QEnterEvent>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPointer>

TJkBtn::TJkBtn(QWidget* parent) : QToolButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    resize(50, 50);
}

QSize TJkBtn::sizeHint() const {
    return QSize(50, 50);
}

bool TJkBtn::LoadGlyph(const QString& path) {
    const QImage strip(path);
    if (strip.isNull()) return false;
    const QFileInfo info(path);
    const QString at2x =
        info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral("@2x.") + info.suffix();
    SetGlyph(strip, QImage(at2x));
    return true;
}

void TJkBtn::SetGlyph(const QImage& strip, const QImage& strip2x) {
    Glyph = Transparent(strip);
    Glyph2x = Transparent(strip2x);
    Glyph2x.setDevicePixelRatio(2);
    update();
}

// Pixels of the top-left pixel's colour let the face colour through.
QImage TJkBtn::Transparent(const QImage& strip) {
    if (strip.isNull()) return {};
    QImage image = strip.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (line[x] == key) line[x] = qRgba(0, 0, 0, 0);
    }
    return image;
}

void TJkBtn::DrawEdge(QPainter& painter, TEdge edge) const {
    const QColor face = palette().color(QPalette::Button);
    const QColor light = edge == TEdge::Flat ? face : palette().color(QPalette::Light);
    const QColor shadow = edge == TEdge::Flat ? face : palette().color(QPalette::Dark);
    const QColor& topLeft = edge == TEdge::Sunken ? shadow : light;
    const QColor& bottomRight = edge == TEdge::Sunken ? light : shadow;
    const int w = width(), h = height(), b = BevelWidth;
    painter.fillRect(0, 0, w, b, topLeft);
    painter.fillRect(0, 0, b, h, topLeft);
    painter.fillRect(0, h - b, w, b, bottomRight);
    painter.fillRect(w - b, 0, b, h, bottomRight);
}

void TJkBtn::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));

    // Image 1 coloured, 2 greyed, 3 idle.
    int image = 2;
    TEdge edge = TEdge::Flat;
    if (isEnabled()) {
        image = IsHot ? 1 : 3;
        if (IsHot) edge = IsPressed ? TEdge::Sunken : TEdge::Raised;
    }
    DrawEdge(painter, edge);

    // The device painted on knows its pixel ratio (a screen, or an image when the button is rendered).
    const QImage& strip =
        painter.paintEngine()->paintDevice()->devicePixelRatioF() > 1 && !Glyph2x.isNull() ? Glyph2x : Glyph;
    if (strip.isNull()) return;
    const qreal ratio = strip.devicePixelRatio();
    const int w = int(strip.width() / ratio) / 3;
    const int h = int(strip.height() / ratio);
    const int pixelWidth = strip.width() / 3;
    painter.drawImage(QRectF((width() - w) / 2, (height() - h) / 2, w, h), strip,
                      QRectF((image - 1) * pixelWidth, 0, pixelWidth, strip.height()));
}

void TJkBtn::MouseEnter() {
    IsHot = true;
    if (isEnabled()) update();
}

void TJkBtn::MouseLeave() {
    IsHot = false;
    IsPressed = false;
    if (isEnabled()) update();
}

void TJkBtn::enterEvent(QEnterEvent*) {
    MouseEnter();
}

void TJkBtn::leaveEvent(QEvent*) {
    MouseLeave();
}

void TJkBtn::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && isEnabled()) {
        IsPressed = true;
        repaint();
    }
}

void TJkBtn::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is a press like the first.
    mousePressEvent(event);
}

// While a mouse button is held Qt reports no leaving or entering; the moves stand in for them, so that
// dragging off the button cancels the press.
void TJkBtn::mouseMoveEvent(QMouseEvent* event) {
    const bool inside = rect().contains(event->position().toPoint());
    if (inside && !IsHot) MouseEnter();
    if (!inside && IsHot) MouseLeave();
}

void TJkBtn::mouseReleaseEvent(QMouseEvent* event) {
    if (!IsPressed) return;
    if (event->button() != Qt::LeftButton) {
        IsPressed = false;
        return;
    }
    if (IsHot && isEnabled()) {
        // The command runs with the button idle; it may open a dialog or take long.
        IsHot = false;
        repaint();
        const QPointer<TJkBtn> self(this);
        emit clicked();
        if (!self) return;
        IsPressed = false;
        // Where is the mouse now, after the command?
        IsHot = rect().contains(mapFromGlobal(QCursor::pos()));
    }
    IsPressed = false;
    update();
}

void TJkBtn::changeEvent(QEvent* event) {
    QToolButton::changeEvent(event);
    if (event->type() != QEvent::EnabledChange) return;
    // A disabled button gets no release: a press held while it was disabled ends here.
    if (!isEnabled()) IsPressed = false;
    repaint();
}
