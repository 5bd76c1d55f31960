#include "ui/NIBLO_Main.h"

#include <QApplication>
#include <QFile>

#include <string>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NIBLO"));

    // The one argument is a file name in the system's encoding; the engine takes UTF-8.
    std::string firstArgument;
    if (argc > 1)
        firstArgument = QFile::decodeName(argv[1]).toStdString();

    TFormMain formMain(firstArgument);
    formMain.show();
    return app.exec();
}
