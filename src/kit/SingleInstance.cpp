// SPDX-License-Identifier: GPL-3.0-or-later
#include "kit/SingleInstance.h"

#include "engine/files/FileAccess.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

#include <algorithm>
#include <memory>

namespace {

// The hand-over: the greeting, the number of files, then each file's length and bytes; the window answers
// Accepted once it has them.
const QByteArray Greeting = "NIBLO-OPEN 1\n";
const QByteArray Accepted = "OK\n";
constexpr qsizetype MaxMessage = 1 << 20;

QByteArray Message(const std::vector<std::string>& files) {
    QByteArray message = Greeting + QByteArray::number(qsizetype(files.size())) + '\n';
    for (const std::string& file : files) {
        const std::string path = FileAccess::FullPath(file);
        message += QByteArray::number(qsizetype(path.size())) + '\n' + QByteArray(path.data(), qsizetype(path.size()));
    }
    return message;
}

// The files of a complete message; false while it is incomplete, or when it is no message of ours (then
// complete is true and nothing is taken).
bool ReadMessage(const QByteArray& data, std::vector<std::string>& files, bool& complete) {
    complete = false;
    files.clear();
    if (!data.startsWith(Greeting.left(std::min(data.size(), Greeting.size())))) {
        complete = true; // something else talks on the socket
        return false;
    }
    if (data.size() < Greeting.size()) return false;
    qsizetype at = Greeting.size();
    auto number = [&](qsizetype& value) {
        const qsizetype end = data.indexOf('\n', at);
        if (end < 0) return false;
        bool ok = false;
        value = data.mid(at, end - at).toLongLong(&ok);
        at = end + 1;
        return ok && value >= 0 && value <= MaxMessage;
    };
    qsizetype count = 0;
    if (!number(count)) return false;
    for (qsizetype i = 0; i < count; ++i) {
        qsizetype length = 0;
        if (!number(length) || data.size() < at + length) return false;
        files.emplace_back(data.constData() + at, size_t(length));
        at += length;
    }
    complete = true;
    return true;
}

} // namespace

QString InstanceName(const std::string& settingsFile) {
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(settingsFile), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("niblo-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash.left(16)));
}

bool HandToRunningInstance(const QString& name, const std::vector<std::string>& files, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(Message(files));
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    QByteArray answer;
    while (answer.size() < Accepted.size() && socket.waitForReadyRead(timeoutMs))
        answer += socket.readAll();
    return answer.startsWith(Accepted);
}

TInstanceServer::TInstanceServer(const QString& name, QObject* parent) : QObject(parent) {
    Server = new QLocalServer(this);
    Server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!Server->listen(name) && Server->serverError() == QAbstractSocket::AddressInUseError) {
        // Only a socket nobody answers on is taken over: a live instance keeps its windows' files.
        QLocalSocket probe;
        probe.connectToServer(name);
        if (!probe.waitForConnected(500)) {
            QLocalServer::removeServer(name);
            Server->listen(name);
        }
    }
    connect(Server, &QLocalServer::newConnection, this, &TInstanceServer::Accept);
}

bool TInstanceServer::Listening() const {
    return Server->isListening();
}

void TInstanceServer::Accept() {
    while (QLocalSocket* socket = Server->nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            std::vector<std::string> files;
            bool complete = false;
            const bool ours = ReadMessage(*buffer, files, complete);
            if (!complete && buffer->size() <= MaxMessage) return;
            if (ours) socket->write(Accepted);
            socket->disconnectFromServer();
            if (ours && OnFiles) OnFiles(files);
        });
    }
}
