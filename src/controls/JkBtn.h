// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>
#include <QToolButton>

// The flat picture button of the toolbar. Its glyph is a strip of three square images side by side:
// coloured (enabled, mouse over it), greyed (disabled) and black-and-white (idle); the colour of the
// strip's top-left pixel is transparent. It paints everything itself and keeps its own press rules:
// dragging off the button while holding the mouse cancels the click, also when the mouse comes back.
// It stays a QToolButton so that it fits wherever one is expected (clicked(), setEnabled, hints).
class TJkBtn : public QToolButton {
    Q_OBJECT
  public:
    explicit TJkBtn(QWidget* parent = nullptr);

    // Loads the strip from a file or resource path; a version named "<name>@2x.<ext>" beside it is
    // used on screens with a device pixel ratio above 1.
    bool LoadGlyph(const QString& path);
    void SetGlyph(const QImage& strip, const QImage& strip2x = {});

    int BevelWidth = 1;

    bool Hot() const { return IsHot; }
    bool Pressed() const { return IsPressed; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    enum class TEdge { Flat, Raised, Sunken };
    void MouseEnter();
    void MouseLeave();
    void DrawEdge(QPainter& painter, TEdge edge) const;
    static QImage Transparent(const QImage& strip);

    QImage Glyph;
    QImage Glyph2x;
    bool IsHot = false;
    bool IsPressed = false;
};
