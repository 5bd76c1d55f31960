// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/StartedEditor.h"
#include "common/TestDocument.h"

#include "common/EngineSetup.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileCommands.h"
#include "engine/document/View.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>

QByteArray SampleBytes(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 37 + 11) & 0xFF);
    return bytes;
}

QByteArray FileBytes() {
    const std::vector<uint8_t> bytes = EngineSetup::StoredBytes();
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

TStartedEditor::TStartedEditor(const QByteArray& bytes) {
    Form.show();
    Form.FormActivate();
    Form.SetPaneDimensions(16, 10);
    QCoreApplication::processEvents();
    if (bytes.isNull()) {
        Form.Run(TCommand::New1);
        return;
    }
    Path = Dir.filePath("data.bin");
    QFile file(Path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(Path));
    file.close();
    Engine::OpenFile(TestDoc(), QFile::encodeName(Path).toStdString(), false);
}

void TStartedEditor::GoTo(int32_t address) {
    Engine::ShowAddress(TestDoc(), address, true, false);
}
