// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/document/EngineState.h"
#include "ui/NIBLO_Main.h"
#include "kit/CommandLine.h"
#include "kit/ProgramInfo.h"
#include "kit/SettingsLocation.h"
#include "kit/SingleInstance.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cstdio>
#include <memory>
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
    // Files for a window that runs already go to it (a measuring run always starts on its own; so do
    // --new-window, and --read-only and --goto, which belong to a start). That is tried before any window
    // system is asked for, so that handing files over costs a fraction of a start.
    const bool ownWindow = commandLine.NewWindow || commandLine.ReadOnly || commandLine.Address ||
                           qEnvironmentVariableIsSet("NIBLO_EXIT_AFTER_FIRST_PAINT");
    std::vector<std::string> files = commandLine.MoreFiles;
    if (!commandLine.FileName.empty()) files.insert(files.begin(), commandLine.FileName);
    QString instance;
    {
        QCoreApplication core(qtArgc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("NIBLO"));
        // Settings, histories, recent files and favourites share one file.
        instance = InstanceName(ProgramSettingsFile());
        if (!ownWindow && !files.empty() && HandToRunningInstance(instance, files)) return 0;
    }
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("NIBLO"));
    QApplication::setApplicationVersion(ProgramVersion());
    // The desktop entry that belongs to the windows (icon and name in task bars on Wayland).
    QGuiApplication::setDesktopFileName(ProgramId());

    TFormMain formMain(commandLine.FileName);
    // The user's state folder, for the recovery journals and the copy of a file's old contents while it
    // is overwritten in place.
    formMain.App.RecoveryFolder = RecoveryFolderLocation();
    formMain.FirstReadOnly = commandLine.ReadOnly;
    formMain.MoreArguments = commandLine.MoreFiles;
    formMain.FirstAddress = commandLine.Address;
    formMain.show();
    std::unique_ptr<TInstanceServer> server;
    if (!commandLine.NewWindow && !qEnvironmentVariableIsSet("NIBLO_EXIT_AFTER_FIRST_PAINT")) {
        server = std::make_unique<TInstanceServer>(instance);
        server->OnFiles = [&formMain](const std::vector<std::string>& handed) { formMain.TakeFiles(handed); };
    }
    return app.exec();
}
