#include "engine/IniFile.h"
#include "ui/NIBLO_Main.h"
#include "ui/SettingsLocation.h"

#include <QApplication>
#include <QFile>

#include <string>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NIBLO"));
    // The desktop entry that belongs to the windows (icon and name in task bars on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.niblo.Niblo"));

    // The one argument is a file name in the system's encoding; the engine takes UTF-8.
    std::string firstArgument;
    if (argc > 1) firstArgument = QFile::decodeName(argv[1]).toStdString();

    // Settings, histories, recent files and favourites live beside the program, or in the user's
    // configuration folder when the program's folder cannot be written.
    SetSettingsFile(SettingsLocation());

    TFormMain formMain(firstArgument);
    formMain.show();
    return app.exec();
}
