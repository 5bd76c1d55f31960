// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTemporaryDir>

// Points the program's settings file into a temporary folder, empty for every test case, so that no
// case sees the recent files or options another case (or an earlier run) left behind.
class TTempSettings {
  public:
    // Call from init(): removes what the previous case wrote and selects the file again.
    void Fresh();
    // Call from cleanupTestCase().
    void Release();

  private:
    QTemporaryDir Dir;
};
