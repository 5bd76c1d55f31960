#include "engine/EngineState.h"
#include "ui/NIBLO_Main.h"
#include "kit/SettingsLocation.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <string>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NIBLO"));
    // The desktop entry that belongs to the windows (icon and name in task bars on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.niblo.Niblo"));

    // The one argument is a file name: its bytes go to the file layer as they are, since a name that is
    // no valid text in the system's encoding would not survive a conversion.
    const std::string firstArgument = argc > 1 ? std::string(argv[1]) : std::string();

    // Settings, histories, recent files and favourites share one file.
    ProgramSettingsFile();
    // The user's state folder, for the recovery journals and the copy of a file's old contents while it
    // is overwritten in place.
    Engine::RecoveryFolder = RecoveryFolderLocation();

    TFormMain formMain(firstArgument);
    formMain.show();
    return app.exec();
}
