// SPDX-License-Identifier: GPL-3.0-or-later
// TProgressBox and AdvanceGauge, ShowProgressText, EnableCancelButton.
#include "kit/ProgressBox.h"

#include "kit/Jkdialog.h"

#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <climits>

namespace {
TProgressBox* LiveBox = nullptr;
} // namespace

TProgressBox* TProgressBox::Live() {
    return LiveBox;
}

TProgressBox::TProgressBox(QWidget* owner, bool showCancel, bool useGauge, const QString& labelText,
                           const QString& caption)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint |
                           Qt::MSWindowsFixedSizeDialogHint),
      Owner(owner ? owner->window() : nullptr) {
    // The box is no Qt child of its owner: disabling the owner would disable the box as well. The
    // window system still sees the owner as its parent window (see below).
    setObjectName(QStringLiteral("ProgressBox"));
    LiveBox = this;
    setWindowTitle(caption);
    setModal(false);

    const QSize charSize = AverageCharSize(font());
    const int cx = charSize.width(), cy = charSize.height();
    const int ppi = screen() ? qRound(screen()->logicalDotsPerInch()) : 96;
    // Dialog units, scaled by the screen's pixels per inch over 96.
    auto horz = [&](int units) { return MulDivRound(MulDivRound(units, cx, 4), ppi, 96); };
    auto vert = [&](int units) { return MulDivRound(MulDivRound(units, cy, 8), ppi, 96); };

    const int clientWidth = horz(160);
    const int v = vert(7);
    const int barWidth = horz(130), barHeight = vert(12);
    const int barLeft = (clientWidth - barWidth) / 2;

    int y = v;
    if (!labelText.isEmpty()) {
        LabelCtl = new QLabel(this);
        LabelCtl->setObjectName(QStringLiteral("Label1"));
        LabelCtl->setTextFormat(Qt::PlainText);
        LabelCtl->setText(labelText);
        LabelCtl->move(barLeft, y); // aligned with the bar's left edge
        LabelCtl->adjustSize();
        y += LabelCtl->height() + v;
    } else {
        y += v / 2;
    }

    QProgressBar* bar = new QProgressBar(this);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setGeometry(barLeft, y, barWidth, barHeight);
    if (useGauge) {
        GaugeCtl = bar;
        GaugeCtl->setObjectName(QStringLiteral("Gauge1"));
        GaugeCtl->setTextVisible(true);
        GaugeCtl->setFormat(QStringLiteral("%p%"));
        GaugeCtl->setAlignment(Qt::AlignCenter);
        QPalette palette = GaugeCtl->palette();
        palette.setColor(QPalette::Highlight, QWidget::palette().color(QPalette::Highlight));
        GaugeCtl->setPalette(palette);
    } else {
        BarCtl = bar;
        BarCtl->setObjectName(QStringLiteral("ProgressBar1"));
        BarCtl->setTextVisible(false);
    }
    y += barHeight + v;

    if (showCancel) {
        CancelCtl = new QPushButton(QString::fromUtf8(Texts::BtnCancel), this);
        CancelCtl->setObjectName(QStringLiteral("Cancel"));
        CancelCtl->setAutoDefault(true);
        CancelCtl->setDefault(true);
        const int buttonWidth = horz(50), buttonHeight = vert(15);
        CancelCtl->setGeometry((clientWidth - buttonWidth) / 2, y, buttonWidth, buttonHeight);
        connect(CancelCtl, &QPushButton::clicked, this, [this] { Cancelled = true; });
        y += buttonHeight + v;
    } else {
        y += v / 2;
    }
    setFixedSize(clientWidth, y);

    CenterOverActiveForm(this);
    if (Owner) {
        create();
        if (QWindow* ownerWindow = Owner->windowHandle()) windowHandle()->setTransientParent(ownerWindow);
    }
    if (CancelCtl) CancelCtl->setFocus(Qt::OtherFocusReason);
    if (Owner) {
        // Disabling the owner takes the focus from its controls; it is given back when the box goes.
        OwnerFocus = Owner->focusWidget();
        OwnerWasEnabled = Owner->isEnabled();
        Owner->setEnabled(false);
        Owner->installEventFilter(this);
    }
    show();
    activateWindow();
}

TProgressBox::~TProgressBox() {
    if (LiveBox == this) LiveBox = nullptr;
    const bool wasActive = isActiveWindow();
    hide();
    if (Owner) {
        Owner->removeEventFilter(this);
        if (OwnerWasEnabled) Owner->setEnabled(true);
        if (OwnerFocus && OwnerFocus->window() == Owner && OwnerFocus->isEnabled())
            OwnerFocus->setFocus(Qt::OtherFocusReason);
        if (wasActive && Owner->isVisible()) Owner->activateWindow();
    }
}

void TProgressBox::reject() {
    // Escape and the window's close request must not close the box.
}

void TProgressBox::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void TProgressBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // Escape acts as the Cancel button (when there is one and it is enabled).
        if (CancelCtl && CancelCtl->isEnabled()) CancelCtl->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TProgressBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Owner && event->type() == QEvent::Close) {
        event->ignore();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool AdvanceGauge(TProgressBox* box, qint64 done, qint64 total, int step) {
    if (!box || !box->Gauge()) return false;
    const int value = ProgressPercent(done, total);
    if (step <= 0) step = 1;
    if (value % step != 0) return false;
    // A percentage spans many calls on a large file: events for each would slow the work down.
    constexpr qint64 EventsEveryMs = 20;
    if (value == box->GaugeShown && box->SinceEvents.isValid() && box->SinceEvents.elapsed() < EventsEveryMs)
        return true;
    box->Gauge()->setValue(qBound(box->Gauge()->minimum(), value, box->Gauge()->maximum()));
    QCoreApplication::processEvents();
    box->GaugeShown = value;
    box->SinceEvents.start();
    return true;
}

void ShowProgressText(TProgressBox* box, const QString& text, int every) {
    if (!box || !box->Label()) return;
    if (box->TextCounter >= INT_MAX - 1 || box->TextCounter < 0)
        box->TextCounter = 0;
    else
        ++box->TextCounter;
    if (every <= 0) every = 1;
    if (box->TextCounter % every != 0) return;
    box->Label()->setText(text);
    box->Label()->adjustSize();
    QCoreApplication::processEvents();
}

void EnableCancelButton(TProgressBox* box, bool on) {
    if (!box || !box->CancelButton()) return;
    box->CancelButton()->setEnabled(on);
    QCoreApplication::processEvents();
}
