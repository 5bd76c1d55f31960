// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/document/EngineState.h"
#include "ui/NIBLO_Main.h"
#include "kit/CommandLine.h"
#include "kit/ProgramInfo.h"
#include "kit/SettingsLocation.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char* argv[]) {
    // Read before any window system is asked for: --help, --version and a wrong argument need no display.
    // The file name's bytes go to the file layer as they are, since a name that is no valid text in the
    // system's encoding would not survive a conversion.
    const TCommandLine commandLine =
        ReadCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (!commandLine.Start) {
        std::fwrite(commandLine.Output.data(), 1, commandLine.Output.size(), stdout);
        std::fwrite(commandLine.Error.data(), 1, commandLine.Error.size(), stderr);
        return commandLine.ExitCode;
    }

    // Qt sees the program's name only: it would take a file name after "--" such as "-style" for its own
    // option.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("NIBLO"));
    QApplication::setApplicationVersion(ProgramVersion());
    // The desktop entry that belongs to the windows (icon and name in task bars on Wayland).
    QGuiApplication::setDesktopFileName(ProgramId());

    // Settings, histories, recent files and favourites share one file.
    ProgramSettingsFile();
    TFormMain formMain(commandLine.FileName);
    // The user's state folder, for the recovery journals and the copy of a file's old contents while it
    // is overwritten in place.
    formMain.App.RecoveryFolder = RecoveryFolderLocation();
    formMain.FirstReadOnly = commandLine.ReadOnly;
    formMain.FirstAddress = commandLine.Address;
    formMain.show();
    return app.exec();
}
