#include "files/FileDrop.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMetaObject>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace {

QStringList LocalFiles(const QMimeData* data) {
    QStringList names;
    if (!data || !data->hasUrls()) return names;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) names.append(url.toLocalFile());
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
        if (LocalFiles(drag->mimeData()).isEmpty())
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
