// SPDX-License-Identifier: GPL-3.0-or-later
#include "kit/FirstPaintProbe.h"

#include "engine/document/EngineState.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QWidget>

#include <cstdio>

namespace {

class TFirstPaintProbe : public QObject {
  public:
    explicit TFirstPaintProbe(QWidget* pane) : QObject(pane) { pane->installEventFilter(this); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !Seen) {
            Seen = true;
            // Reported once the paint itself is done.
            QMetaObject::invokeMethod(
                this,
                [] {
                    std::printf("NIBLO first paint %lld\n",
                                static_cast<long long>(Engine::Doc().Store.FileSize()));
                    std::fflush(stdout);
                    QCoreApplication::exit(0);
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool Seen = false;
};

} // namespace

void ArmFirstPaintProbe(QWidget* pane) {
    if (pane && qEnvironmentVariableIsSet("NIBLO_EXIT_AFTER_FIRST_PAINT")) new TFirstPaintProbe(pane);
}
