// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/editing/ClipboardPort.h"

#include <QByteArray>
#include <QString>

// The desktop's clipboard behind the engine's port.
class TSystemClipboard : public TClipboardPort {
  public:
    // The program's binary format under the name the desktop knows it by.
    static QString BinaryMimeType();

    std::span<uint8_t> Reserve(size_t size) override;
    bool Publish(std::u16string_view text) override;
    void Clear() override;
    bool Offers(TClipFormat format) override;
    std::optional<TClipData> Data(TClipFormat format) override;

  private:
    QByteArray Payload;
};
