// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/editing/Clipboard.h"

#include "engine/document/Blocks.h"
#include "engine/files/DiskWatch.h"
#include "engine/document/EngineState.h"
#include "engine/text/CharacterSet.h"
#include "engine/document/CommandEnabling.h"
#include "engine/editing/Editing.h"
#include "engine/text/HexText.h"
#include "engine/document/HostScopes.h"
#include "engine/store/RoomCheck.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "engine/editing/Undo.h"
#include "engine/document/View.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace Engine {

void EncodePayload(std::span<const uint8_t> bytes, std::span<uint8_t> payload) {
    const auto n = static_cast<uint32_t>(bytes.size());
    for (size_t i = 0; i < PayloadHeader; ++i)
        payload[i] = static_cast<uint8_t>(n >> (8 * i));
    if (!bytes.empty()) std::memcpy(payload.data() + PayloadHeader, bytes.data(), bytes.size());
}

std::optional<std::span<const uint8_t>> DecodePayload(std::span<const uint8_t> payload) {
    if (payload.size() < PayloadHeader) return std::nullopt;
    uint32_t n = 0;
    for (size_t i = 0; i < PayloadHeader; ++i)
        n |= static_cast<uint32_t>(payload[i]) << (8 * i);
    if (n > payload.size() - PayloadHeader) return std::nullopt;
    return payload.subspan(PayloadHeader, n);
}

std::vector<uint8_t> ClipboardTextBytes(const TApplication& app, std::u16string_view text) {
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t character = text[i];
        if (character == 0) break;
        // A surrogate pair is one character (no set has a byte for any of them).
        if (character >= 0xD800 && character <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            character = 0x10000 + ((character - 0xD800) << 10) + (text[++i] - 0xDC00);
        bytes.push_back(TypedByte(app, character).value_or(uint8_t('?')));
    }
    return bytes;
}

std::u16string BlockText(std::span<const uint8_t> bytes, bool textPane, TCharacterSet set) {
    std::u16string text;
    if (!textPane) {
        const std::string hex =
            BytesToHex(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), true);
        return std::u16string(hex.begin(), hex.end());
    }
    text.reserve(bytes.size());
    for (uint8_t byte : bytes) {
        char32_t c = DecodeByte(set, byte);
        if (byte < 0x20 || byte == 0x7F || c < 0x20 || (c >= 0x7F && c <= 0x9F)) c = U'.';
        if (c > 0xFFFF) {
            text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            text += static_cast<char16_t>(c);
        }
    }
    return text;
}

namespace {

bool PutOnClipboard(TDocument& doc, TClipboardPort& clipboard, std::span<const uint8_t> bytes) {
    // The payload's count has 4 bytes: a larger block is refused rather than carried with a wrapped count.
    if (bytes.size() > UINT32_MAX) return false;
    const std::span<uint8_t> payload = clipboard.Reserve(bytes.size() + PayloadHeader);
    if (payload.size() == bytes.size() + PayloadHeader) {
        EncodePayload(bytes, payload);
        std::u16string text;
        try {
            if (bytes.size() <= TextFlavourLimit) text = BlockText(bytes, doc.App.TextMode, doc.Display->TextPaneSet());
        } catch (const std::bad_alloc&) {
            text.clear(); // the bytes go over without their text
        }
        if (clipboard.Publish(text)) return true;
    }
    clipboard.Clear();
    return false;
}

// Inserts bytes before the cursor as one step; text asks for room for its terminating zero as well,
// although only the text stays.
void InsertPasted(TDocument& doc, std::span<const uint8_t> bytes, bool text) {
    const TAddress a = CurrentAddress(doc);
    {
        const TCount room = static_cast<TCount>(bytes.size()) + (text ? 1 : 0);
        if (room <= MaxFileSize - doc.Store.FileSize() && !RoomOrRefusal(doc, room)) return;
        if (room > MaxFileSize - doc.Store.FileSize() || !doc.Store.Insert(a, bytes)) {
            doc.App.Host->ShowError(Texts::NotEnoughMemory);
            return;
        }
        TBusyScope pasting(*doc.App.Host, Texts::PasteFromClipboardBusy);
        RecordChange(doc, a, {}, static_cast<TCount>(bytes.size()));
        doc.Modified = true;
    }
    doc.View.BottomAddress =
        std::min(doc.View.TopAddress + doc.View.PageBytes - 1, doc.Store.FileSize());
    DropBlockIfAffected(doc, a);
    RefillPanes(doc, doc.View.CursorCol, doc.View.CursorRow);
    doc.Display->UpdateStatus();
}

} // namespace

void Cut1Click(TDocument& doc, TClipboardPort& clipboard, bool cut) {
    if (!doc.FileOpen || !BlockComplete(doc) || doc.Block.BlockEnd > doc.Store.FileSize()) {
        doc.App.Host->ShowError(Texts::NoBlockMarked);
        return;
    }
    // The clipboard format counts its bytes in 4 bytes; a larger block keeps its bytes (and Cut its block).
    const TCount length = doc.Block.BlockEnd - doc.Block.BlockBegin + 1;
    if (length > TCount{UINT32_MAX}) {
        doc.App.Host->ShowError(FormatText(Texts::BlockTooLargeForClipboard, {length, TCount{UINT32_MAX}}));
        return;
    }
    TBusyScope busy(*doc.App.Host, Texts::CopyToClipboardBusy);
    const TAddress a = CurrentAddress(doc);
    std::vector<uint8_t> block;
    if (!ReadStore(doc, doc.Block.BlockBegin, length, block)) return;
    // A Cut whose copy failed keeps the block: its bytes would otherwise exist nowhere.
    if (!PutOnClipboard(doc, clipboard, block)) {
        doc.App.Host->ShowError(Texts::CantCopyToClipboard);
        return;
    }
    if (!cut) return;
    TUndoStep step(doc, TStepName::Cut);
    TBusyScope deleting(*doc.App.Host, Texts::DeleteBusy);
    DeleteBlock(doc);
    ShowAddress(doc, a, true, true);
}

void Paste1Click(TDocument& doc, TClipboardPort& clipboard) {
    if (!doc.FileOpen) return;
    TUndoStep step(doc, TStepName::Paste);
    TBusyScope busy(*doc.App.Host, "");
    // Ours first, then raw bytes of other programs, then text.
    std::span<const uint8_t> bytes;
    bool text = false;
    std::optional<TClipData> data = clipboard.Data(TClipFormat::Binary);
    if (data) {
        const std::optional<std::span<const uint8_t>> carried = DecodePayload(data->Bytes);
        if (!carried) return;
        bytes = *carried;
    } else if ((data = clipboard.Data(TClipFormat::OctetStream))) {
        bytes = data->Bytes;
    } else if ((data = clipboard.Data(TClipFormat::Text))) {
        bytes = data->Bytes;
        text = true;
    } else {
        return;
    }
    InsertPasted(doc, bytes, text);
}

void PasteHex1Click(TDocument& doc, TClipboardPort& clipboard) {
    if (!doc.FileOpen) return;
    const std::optional<TClipData> data = clipboard.Data(TClipFormat::Text);
    const std::optional<std::string> bytes =
        data ? LooseHexToBytes(std::string_view(reinterpret_cast<const char*>(data->Bytes.data()), data->Bytes.size()))
             : std::nullopt;
    if (!bytes) {
        doc.App.Host->ShowError(Texts::ClipboardNotHex);
        return;
    }
    TUndoStep step(doc, TStepName::Paste);
    TBusyScope busy(*doc.App.Host, "");
    InsertPasted(doc, std::span(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()), false);
}

bool CanPaste(TClipboardPort& clipboard) {
    return clipboard.Offers(TClipFormat::Binary) || clipboard.Offers(TClipFormat::OctetStream) ||
           clipboard.Offers(TClipFormat::Text);
}

void Clipboard1Click(TDocument& doc, TClipboardPort& clipboard) {
    if (doc.FileOpen) SetCommandEnabled(doc, TCommand::Paste1, CanPaste(clipboard));
    if (doc.FileOpen) SetCommandEnabled(doc, TCommand::Pastehex1, clipboard.Offers(TClipFormat::Text));
}

void OfferToEmptyClipboard(TDocument& doc, TClipboardPort& clipboard) {
    const std::optional<TClipData> data = clipboard.Data(TClipFormat::Binary);
    if (!data || data->Bytes.size() <= OfferThreshold) return;
    if (doc.App.Host->AskYesNo(FormatText(Texts::OfferEmptyClipboard, {static_cast<int64_t>(OfferThreshold)})) ==
        mrYes)
        clipboard.Clear();
}

} // namespace Engine
