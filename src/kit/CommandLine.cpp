// SPDX-License-Identifier: GPL-3.0-or-later
#include "kit/CommandLine.h"

#include "engine/document/Navigation.h"
#include "engine/structure/StructCommand.h"
#include "kit/ProgramInfo.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

namespace {

// The parser works on text. Latin-1 turns each byte into one character and back, so that a name that is
// no valid text in any encoding keeps its bytes, and an error message quotes the argument as it was given.
QString FromBytes(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text) {
    return text.toLatin1().toStdString();
}

// The parser's help with our own first line: it would name the program by the path it was started from.
QString HelpText(const QCommandLineParser& parser) {
    const QString text = parser.helpText();
    return QStringLiteral("Usage: niblo [options] [FILE]") + text.mid(text.indexOf(QLatin1Char('\n')));
}

QString VersionText() {
    return QStringLiteral("niblo %1\n%2\nLicence %3: %4 <%5>.\n"
                          "This is free software: you are free to change and redistribute it.\n"
                          "There is NO WARRANTY, to the extent permitted by law.\n")
        .arg(ProgramVersion(), ProgramNotice(), ProgramLicence(), ProgramLicenceName(), ProgramLicenceUrl());
}

} // namespace

TCommandLine ReadCommandLine(const std::vector<std::string>& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A hex editor: shows FILE byte by byte, as text and as hexadecimal, and edits it."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and ends."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version and the licence and ends."));
    const QCommandLineOption readOnly({QStringLiteral("r"), QStringLiteral("read-only")},
                                      QStringLiteral("Opens FILE read-only: it can be viewed, not changed."));
    const QCommandLineOption address(
        {QStringLiteral("g"), QStringLiteral("goto")},
        QStringLiteral("Puts the cursor on ADDRESS in FILE: decimal, or hexadecimal after $ or 0x, counted "
                       "from 0 or 1 as the options' address base says."),
        QStringLiteral("ADDRESS"));
    const QCommandLineOption structure(
        {QStringLiteral("s"), QStringLiteral("structure")},
        QStringLiteral("Prints FILE's fields as FORMAT (a .ksy format definition, or the name of a shipped one "
                       "such as png) describes them, as JSON: path, address counted from 0, size and value of "
                       "each; opens no window."),
        QStringLiteral("FORMAT"));
    parser.addOptions({help, version, readOnly, address, structure});
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("The file to open; put -- before a name that starts with a dash."),
        QStringLiteral("[FILE]"));

    TCommandLine result;
    const auto refuse = [&](const QString& message) {
        result.ExitCode = UsageExitCode;
        // ToBytes: an argument quoted in the message goes out as the bytes it came in as.
        result.Error = "niblo: " + ToBytes(message) + "\n\n" + ToBytes(HelpText(parser));
        return result;
    };

    QStringList list{QStringLiteral("niblo")};
    for (const std::string& argument : arguments)
        list << FromBytes(argument);
    if (!parser.parse(list)) return refuse(parser.errorText());
    if (parser.isSet(help)) {
        result.Output = HelpText(parser).toStdString();
        return result;
    }
    if (parser.isSet(version)) {
        result.Output = VersionText().toUtf8().toStdString();
        return result;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return refuse(QStringLiteral("One FILE at most; '%1' is one too many.").arg(files.at(1)));
    result.FileName = files.isEmpty() ? std::string() : ToBytes(files.first());
    if (parser.isSet(structure)) {
        if (result.FileName.empty()) return refuse(QStringLiteral("--structure needs a FILE."));
        const Engine::TStructCommandResult run = Engine::RunStructureCommand(
            ToBytes(parser.value(structure)), result.FileName, {NIBLO_FORMATS_DIR, NIBLO_SOURCE_FORMATS_DIR});
        result.ExitCode = run.ExitCode;
        result.Output = run.Output;
        result.Error = run.Error;
        return result;
    }
    result.ReadOnly = parser.isSet(readOnly);
    if (parser.isSet(address)) {
        const QString text = parser.value(address);
        result.Address = Engine::ReadAddressText(ToBytes(text));
        if (!result.Address)
            return refuse(QStringLiteral("'%1' is no address for --goto: give a decimal number, or a "
                                         "hexadecimal one after $ or 0x.")
                              .arg(text));
    }
    if (result.FileName.empty() && (result.ReadOnly || result.Address))
        return refuse(QStringLiteral("%1 needs a FILE.")
                          .arg(result.Address ? QStringLiteral("--goto") : QStringLiteral("--read-only")));
    result.Start = true;
    return result;
}
