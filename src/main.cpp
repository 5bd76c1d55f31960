#include "engine/IniFile.h"
#include "ui/NIBLO_Main.h"

#include <QApplication>
#include <QFile>

#include <string>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NIBLO"));

    // The one argument is a file name in the system's encoding; the engine takes UTF-8.
    std::string firstArgument;
    if (argc > 1) firstArgument = QFile::decodeName(argv[1]).toStdString();

    // Settings, histories, recent files and favourites live beside the program.
    SetSettingsFile(SettingsFileName(QCoreApplication::applicationFilePath().toStdString()));

    TFormMain formMain(firstArgument);
    formMain.show();
    return app.exec();
}
