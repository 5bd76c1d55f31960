// SPDX-License-Identifier: GPL-3.0-or-later
#include "kit/JkScroll.h"

#include "engine/text/StringTable.h"

#include <QMouseEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <stdexcept>

// The Qt control, telling its owner when the mouse button goes up so that "end scroll" follows an action.
class TJkScrollBar::TBar : public QScrollBar {
  public:
    TBar(Qt::Orientation orientation, TJkScrollBar* owner) : QScrollBar(orientation, owner), Owner(owner) {}

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        Owner->MouseDown = true;
        QScrollBar::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        QScrollBar::mouseReleaseEvent(event);
        Owner->MouseReleased();
    }
    // The wheel belongs to the owner's view (rows), not to the slider's own steps.
    void wheelEvent(QWheelEvent* event) override {
        if (Owner->OnWheel && Owner->OnWheel(event))
            event->accept();
        else
            QScrollBar::wheelEvent(event);
    }

  private:
    TJkScrollBar* Owner;
};

TJkScrollBar::TJkScrollBar(QWidget* parent) : QWidget(parent), Bar(new TBar(Qt::Horizontal, this)) {
    resize(121, style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    Bar->setFocusPolicy(Qt::NoFocus);
    Bar->setGeometry(rect());
    connect(Bar, &QAbstractSlider::actionTriggered, this, [this](int action) { ActionTriggered(action); });
    connect(Bar, &QAbstractSlider::sliderReleased, this, [this] {
        if (!Sending) Scroll(scPosition);
    });
    SendToControl();
}

QSize TJkScrollBar::sizeHint() const {
    return Bar->sizeHint();
}

void TJkScrollBar::resizeEvent(QResizeEvent* event) {
    Bar->setGeometry(QRect(QPoint(0, 0), event->size()));
}

void TJkScrollBar::SetKind(Qt::Orientation kind) {
    if (kind == KindValue) return;
    KindValue = kind;
    Bar->setOrientation(kind);
    resize(height(), width());
}

int32_t TJkScrollBar::UpperLimit(int32_t min, int32_t pageSize, int32_t max) const {
    (void)min;
    return pageSize < 2 ? max : max - pageSize + 1;
}

void TJkScrollBar::SetParams(int32_t position, int32_t min, int32_t pageSize, int32_t max) {
    if (max < min) throw std::out_of_range(Texts::ScrollbarOutOfRange);
    pageSize = int32_t(std::min<int64_t>(pageSize, int64_t(max) - min + 1));
    position = std::max(position, min);
    position = std::min(position, UpperLimit(min, pageSize, max));

    const bool changedRange = min != MinValue || max != MaxValue;
    const bool changedPage = pageSize != PageValue;
    const bool changedPosition = position != PositionValue;
    MinValue = min;
    MaxValue = max;
    PageValue = pageSize;
    PositionValue = position;
    if (changedRange || changedPage || changedPosition) SendToControl();
    if (changedPosition && OnChange) OnChange();
}

void TJkScrollBar::SendToControl() {
    // The Qt range ends where the thumb stops; its page step only sizes the thumb.
    Sending = true;
    Bar->setPageStep(std::max(0, PageValue));
    Bar->setRange(MinValue, UpperLimit(MinValue, PageValue, MaxValue));
    Bar->setValue(PositionValue);
    Sending = false;
}

void TJkScrollBar::Scroll(int code, int32_t trackPosition) {
    int64_t next = PositionValue;
    switch (code) {
    case scLineUp:
        next -= SmallChange;
        break;
    case scLineDown:
        next += SmallChange;
        break;
    case scPageUp:
        next -= LargeChange;
        break;
    case scPageDown:
        next += LargeChange;
        break;
    case scTrack:
        next = trackPosition;
        break;
    case scTop:
        next = MinValue;
        break;
    case scBottom:
        next = MaxValue;
        break;
    default:
        break; // thumb position, end scroll: unchanged
    }
    next = std::clamp<int64_t>(next, MinValue, std::max(MinValue, UpperLimit(MinValue, PageValue, MaxValue)));
    int32_t position = int32_t(next);
    if (code == scEndScroll)
        EndPending = false;
    else
        EndPending = true;
    if (OnScroll) OnScroll(code, position);
    SetPosition(position);
}

void TJkScrollBar::ActionTriggered(int action) {
    if (Sending) return;
    int code;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        code = scLineUp;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        code = scLineDown;
        break;
    case QAbstractSlider::SliderPageStepSub:
        code = scPageUp;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        code = scPageDown;
        break;
    case QAbstractSlider::SliderToMinimum:
        code = scTop;
        break;
    case QAbstractSlider::SliderToMaximum:
        code = scBottom;
        break;
    case QAbstractSlider::SliderMove:
        code = scTrack;
        break;
    default:
        return;
    }
    Scroll(code, Bar->sliderPosition());
    // Qt applies the slider position after this signal; it must be ours.
    Sending = true;
    Bar->setSliderPosition(PositionValue);
    Sending = false;
    // Wheel and keyboard have no button to release: their scroll ends at once.
    if (!MouseDown && !Bar->isSliderDown()) Scroll(scEndScroll);
}

void TJkScrollBar::MouseReleased() {
    MouseDown = false;
    if (EndPending) Scroll(scEndScroll);
}
