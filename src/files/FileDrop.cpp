// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/FileDrop.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QMetaObject>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace {

// The path of a local file URL as bytes. A name that is no valid text (an old archive's "caf\xE9") stays
// percent-encoded in the URL, and decoding the percent signs gives back its bytes; a text conversion
// would turn them into a replacement character.
std::string LocalFileBytes(const QUrl& url) {
#ifdef Q_OS_WIN
    return QFile::encodeName(url.toLocalFile()).toStdString();
#else
    if (!url.host().isEmpty()) return QFile::encodeName(url.toLocalFile()).toStdString();
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
#endif
}

std::vector<std::string> LocalFiles(const QMimeData* data) {
    std::vector<std::string> names;
    if (!data || !data->hasUrls()) return names;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) names.push_back(LocalFileBytes(url));
    return names;
}

} // namespace

TFileDrop::TFileDrop(QObject* owner) : QObject(owner), Window(qobject_cast<QWidget*>(owner)) {
    if (Window) Window->installEventFilter(this);
    SetEnabled(Window != nullptr);
}

TFileDrop::~TFileDrop() {
    if (Window) {
        Window->removeEventFilter(this);
        Window->setAcceptDrops(false);
    }
}

void TFileDrop::SetEnabled(bool on) {
    EnabledValue = on;
    if (Window) Window->setAcceptDrops(on);
}

bool TFileDrop::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Window || !EnabledValue) return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (LocalFiles(drag->mimeData()).empty())
            drag->ignore();
        else
            drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        DroppedFiles = LocalFiles(drop->mimeData());
        drop->acceptProposedAction();
        // Raised once the drag has finished, as a dropped-files message arrives: a question asked by
        // the handler must not hold the program the files were dragged from.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (OnDrop) OnDrop(this);
            },
            Qt::QueuedConnection);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}
