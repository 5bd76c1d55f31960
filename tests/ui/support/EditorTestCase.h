// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/TempSettings.h"

#include <QObject>

// The base of the window tests: every case starts with fresh settings and a fresh engine.
class TEditorTestCase : public QObject {
    Q_OBJECT

  protected:
    TTempSettings Settings;

  private slots:
    void init();
    void cleanup();
    void cleanupTestCase();
};
