// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

// The progress box: a gauge in whole percent and an optional Cancel button. Shown at once without
// blocking; while it lives its owner is disabled and closing it from the window manager is refused.
class TProgressBox : public QDialog {
    Q_OBJECT
  public:
    TProgressBox(QWidget* owner, bool showCancel, bool useGauge, const QString& labelText,
                 const QString& caption);
    ~TProgressBox() override;

    bool Cancelled = false;
    int TextCounter = 0;
    // The percentage last shown and when events were last processed for it.
    int GaugeShown = -1;
    QElapsedTimer SinceEvents;

    QLabel* Label() const { return LabelCtl; }
    QProgressBar* Gauge() const { return GaugeCtl; }
    QPushButton* CancelButton() const { return CancelCtl; }
    // The box that lives now, if any (at most one at a time); message boxes open above it.
    static TProgressBox* Live();

  public slots:
    // Neither Escape nor any other path closes the box; the owner of the operation deletes it.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Refuses close requests for the owner window while the box lives.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPointer<QWidget> Owner; // the owner's top-level window, disabled while the box lives
    bool OwnerWasEnabled = false;
    QPointer<QWidget> OwnerFocus; // the owner's focus widget before it was disabled
    QLabel* LabelCtl = nullptr;
    QProgressBar* GaugeCtl = nullptr;
    QProgressBar* BarCtl = nullptr;
    QPushButton* CancelCtl = nullptr;
};

// Sets the gauge to the percentage of done in total (total 0: 100) when it is a multiple of step and
// then processes pending events (for a percentage already shown, at most every few milliseconds); returns
// false, touching nothing, otherwise or without a gauge.
bool AdvanceGauge(TProgressBox* box, qint64 done, qint64 total, int step);
// Counts the calls; every "every"th call shows text in the label and processes pending events.
void ShowProgressText(TProgressBox* box, const QString& text, int every);
// Enables or disables the Cancel button and processes pending events.
void EnableCancelButton(TProgressBox* box, bool on);
