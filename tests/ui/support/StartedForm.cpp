#include "support/StartedForm.h"

#include <QFile>

std::unique_ptr<TFormMain> StartForm(const QString& argument) {
    auto form = std::make_unique<TFormMain>(argument.toStdString());
    form->show();
    form->FormActivate();
    return form;
}

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
}
