// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/TestDocument.h"
#include "engine/editing/Clipboard.h"
#include "engine/editing/ClipboardPort.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A clipboard with one slot per format. Data hands out an exact-size copy, so that the sanitizer
// catches any read past the data.
class TFakeClipboard : public TClipboardPort {
  public:
    std::optional<std::vector<uint8_t>> Binary, OctetStream, Text;
    bool FailReserve = false, FailPublish = false;
    int Clears = 0;

    std::span<uint8_t> Reserve(size_t size) override {
        if (FailReserve) return {};
        Reserved.assign(size, 0xEE);
        return Reserved;
    }
    bool Publish(std::u16string_view text) override {
        if (FailPublish) return false;
        Clear();
        Binary = Reserved;
        PublishedText = text;
        if (!text.empty()) Text = Engine::ClipboardTextBytes(TestApp(), text);
        return true;
    }
    std::u16string PublishedText;
    void Clear() override {
        ++Clears;
        Binary.reset();
        OctetStream.reset();
        Text.reset();
    }
    bool Offers(TClipFormat format) override { return Slot(format).has_value(); }
    std::optional<TClipData> Data(TClipFormat format) override {
        const std::optional<std::vector<uint8_t>>& slot = Slot(format);
        if (!slot) return std::nullopt;
        std::shared_ptr<uint8_t[]> copy(new uint8_t[std::max<size_t>(slot->size(), 1)]);
        std::copy(slot->begin(), slot->end(), copy.get());
        return TClipData{{copy.get(), slot->size()}, copy};
    }

  private:
    std::optional<std::vector<uint8_t>>& Slot(TClipFormat format) {
        return format == TClipFormat::Binary        ? Binary
               : format == TClipFormat::OctetStream ? OctetStream
                                                    : Text;
    }
    std::vector<uint8_t> Reserved;
};
