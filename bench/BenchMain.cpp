// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"

#include <QApplication>

int main(int argc, char** argv) {
    // The pane benchmarks need a window system, but nothing has to reach a screen.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RunBenchmarks(argc, argv);
}
