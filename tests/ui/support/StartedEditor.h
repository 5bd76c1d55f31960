#pragma once

#include "ui/NIBLO_Main.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>

// Bytes that differ from their neighbours, so that a misplaced byte shows.
QByteArray SampleBytes(int size);
// The file as the editor holds it.
QByteArray FileBytes();

// A started main window with a 16 x 10 page, holding the given bytes from a file in a temporary folder
// (or a new empty file when bytes is null).
class TStartedEditor {
  public:
    explicit TStartedEditor(const QByteArray& bytes);

    void Run(TCommand command) { Form.Action(command)->trigger(); }
    void GoTo(int32_t address);

    QTemporaryDir Dir;
    QString Path;
    TFormMain Form;
};
