// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>

class QScrollBar;
class QWheelEvent;

// Scroll codes as the scroll notifications number them.
enum TScrollCode : int {
    scLineUp = 0,
    scLineDown = 1,
    scPageUp = 2,
    scPageDown = 3,
    scPosition = 4,
    scTrack = 5,
    scTop = 6,
    scBottom = 7,
    scEndScroll = 8
};

// A scroll bar with 32-bit position, range and page, in the numbering where Max is the last value of the
// range and the thumb stops at Max - PageSize + 1. Every user action arrives as OnScroll(code, position),
// which may change the position; "end scroll" (8) follows when the mouse button is released.
class TJkScrollBar : public QWidget {
    Q_OBJECT
  public:
    explicit TJkScrollBar(QWidget* parent = nullptr);

    Qt::Orientation Kind() const { return KindValue; }
    void SetKind(Qt::Orientation kind);

    int32_t Position() const { return PositionValue; }
    int32_t Min() const { return MinValue; }
    int32_t Max() const { return MaxValue; }
    int32_t PageSize() const { return PageValue; }
    int32_t SmallChange = 1;
    int32_t LargeChange = 1;

    // Throws std::out_of_range("Scrollbar property out of range") when max < min; clamps the page to the
    // range and the position to [min, upper limit]; raises OnChange when the position changed.
    void SetParams(int32_t position, int32_t min, int32_t pageSize, int32_t max);
    void SetPosition(int32_t position) { SetParams(position, MinValue, PageValue, MaxValue); }
    void SetMin(int32_t min) { SetParams(PositionValue, min, PageValue, MaxValue); }
    void SetMax(int32_t max) { SetParams(PositionValue, MinValue, PageValue, max); }
    void SetPageSize(int32_t pageSize) { SetParams(PositionValue, MinValue, pageSize, MaxValue); }

    // One scroll notification: computes the new position, lets OnScroll adjust it, then stores it.
    // trackPosition is the thumb's position for scTrack.
    void Scroll(int code, int32_t trackPosition = 0);

    std::function<void()> OnChange;
    std::function<void(int code, int32_t& position)> OnScroll;
    // The wheel turned over the bar; true when the hook took the event.
    std::function<bool(QWheelEvent* event)> OnWheel;

    QScrollBar* Control() const { return Bar; }
    QSize sizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    class TBar;
    int32_t UpperLimit(int32_t min, int32_t pageSize, int32_t max) const;
    void SendToControl();
    void ActionTriggered(int action);
    void MouseReleased();

    QScrollBar* Bar;
    Qt::Orientation KindValue = Qt::Horizontal;
    int32_t PositionValue = 0;
    int32_t MinValue = 0;
    int32_t MaxValue = 100;
    int32_t PageValue = 0;
    bool Sending = false;
    bool EndPending = false;
    bool MouseDown = false;
};
