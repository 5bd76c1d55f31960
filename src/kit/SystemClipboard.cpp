// SPDX-License-Identifier: GPL-3.0-or-later
#include "kit/SystemClipboard.h"

#include "kit/UiApplication.h"

#include "engine/editing/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <limits>
#include <memory>
#include <new>
#include <string_view>

namespace {

const QString OctetStreamType = QStringLiteral("application/octet-stream");

const QMimeData* Offered() {
    return QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
}

// Lends the bytes of a QByteArray without copying them.
TClipData Lent(QByteArray bytes) {
    auto owner = std::make_shared<const QByteArray>(std::move(bytes));
    return {{reinterpret_cast<const uint8_t*>(owner->constData()), static_cast<size_t>(owner->size())},
            owner};
}

} // namespace

QString TSystemClipboard::BinaryMimeType() {
#ifdef Q_OS_WIN
    // The format name registered with the system, so that the Windows builds of the program share it.
    return QStringLiteral("application/x-qt-windows-mime;value=\"JKBINARY\"");
#else
    return QStringLiteral("application/x-jkbinary");
#endif
}

std::span<uint8_t> TSystemClipboard::Reserve(size_t size) {
    Payload = QByteArray();
    if (size > static_cast<size_t>(std::numeric_limits<qsizetype>::max())) return {};
    try {
        // Uninitialised: the engine writes every byte.
        Payload = QByteArray(static_cast<qsizetype>(size), Qt::Uninitialized);
    } catch (const std::bad_alloc&) {
        return {};
    }
    return {reinterpret_cast<uint8_t*>(Payload.data()), static_cast<size_t>(Payload.size())};
}

bool TSystemClipboard::Publish(std::u16string_view text) {
    if (Payload.isNull()) return false;
    auto* mime = new QMimeData;
    mime->setData(BinaryMimeType(), Payload);
    if (!text.empty()) mime->setText(QString::fromUtf16(text.data(), qsizetype(text.size())));
    Payload = QByteArray();
    QGuiApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
    return true;
}

void TSystemClipboard::Clear() {
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
}

bool TSystemClipboard::Offers(TClipFormat format) {
    const QMimeData* mime = Offered();
    if (!mime) return false;
    switch (format) {
    case TClipFormat::Binary:
        return mime->hasFormat(BinaryMimeType());
    case TClipFormat::OctetStream:
        return mime->hasFormat(OctetStreamType);
    case TClipFormat::Text:
        return mime->hasText();
    }
    return false;
}

std::optional<TClipData> TSystemClipboard::Data(TClipFormat format) {
    if (!Offers(format)) return std::nullopt;
    const QMimeData* mime = Offered();
    switch (format) {
    case TClipFormat::Binary:
        return Lent(mime->data(BinaryMimeType()));
    case TClipFormat::OctetStream:
        return Lent(mime->data(OctetStreamType));
    case TClipFormat::Text: {
        const QString text = mime->text();
        auto bytes =
            std::make_shared<const std::vector<uint8_t>>(Engine::ClipboardTextBytes(UiApplication(), std::u16string_view(
                reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()))));
        return TClipData{{bytes->data(), bytes->size()}, bytes};
    }
    }
    return std::nullopt;
}
