// SPDX-License-Identifier: GPL-3.0-or-later
#include "kit/FirstPaintProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QWidget>

#include <cstdio>
#include <utility>

namespace {

class TFirstPaintProbe : public QObject {
  public:
    TFirstPaintProbe(QWidget* pane, std::function<int64_t()> fileSize) : QObject(pane), FileSize(std::move(fileSize)) {
        pane->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !Seen) {
            Seen = true;
            // Reported once the paint itself is done.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    std::printf("NIBLO first paint %lld\n", static_cast<long long>(FileSize()));
                    std::fflush(stdout);
                    QCoreApplication::exit(0);
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<int64_t()> FileSize;
    bool Seen = false;
};

} // namespace

void ArmFirstPaintProbe(QWidget* pane, std::function<int64_t()> fileSize) {
    if (pane && qEnvironmentVariableIsSet("NIBLO_EXIT_AFTER_FIRST_PAINT"))
        new TFirstPaintProbe(pane, std::move(fileSize));
}
