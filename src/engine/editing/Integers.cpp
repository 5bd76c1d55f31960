// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/editing/Integers.h"

#include "engine/document/Blocks.h"
#include "engine/files/DiskWatch.h"
#include "engine/editing/Editing.h"
#include "engine/document/EngineState.h"
#include "engine/document/HostScopes.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "engine/editing/Undo.h"
#include "engine/document/View.h"

#include <algorithm>
#include <cstring>

namespace Engine {

const char* ByteOrderText(TByteOrder order) {
    return order == TByteOrder::MsbFirst ? Texts::ByteOrderMsb : Texts::ByteOrderLsb;
}

int IntTypeSize(TIntType type) {
    switch (type) {
    case TIntType::Shortint:
    case TIntType::Byte:
        return 1;
    case TIntType::Word:
    case TIntType::Integer:
        return 2;
    case TIntType::Longint:
        return 4;
    }
    return 1;
}

int64_t FromHexPattern(int64_t typed) {
    if (typed > INT32_MAX && typed <= UINT32_MAX) return static_cast<int32_t>(static_cast<uint32_t>(typed));
    return typed;
}

bool IntTypeFits(TIntType type, int64_t value) {
    switch (type) {
    case TIntType::Shortint:
        return value >= INT8_MIN && value <= INT8_MAX;
    case TIntType::Byte:
        return value >= 0 && value <= UINT8_MAX;
    case TIntType::Word:
        return value >= 0 && value <= UINT16_MAX;
    case TIntType::Integer:
        return value >= INT16_MIN && value <= INT16_MAX;
    case TIntType::Longint:
        return value >= INT32_MIN && value <= INT32_MAX;
    }
    return false;
}

uint64_t ComposeBytes(std::span<const uint8_t> bytes, TByteOrder order) {
    uint64_t value = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const size_t significance = order == TByteOrder::LsbFirst ? i : bytes.size() - 1 - i;
        value |= static_cast<uint64_t>(bytes[i]) << (8 * significance);
    }
    return value;
}

std::optional<std::vector<uint8_t>> EncodeInteger(int64_t value, TIntType type, TByteOrder order) {
    if (!IntTypeFits(type, value)) return std::nullopt;
    const auto pattern = static_cast<uint32_t>(value);
    const int size = IntTypeSize(type);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    for (int i = 0; i < size; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(pattern >> (8 * i));
    if (order == TByteOrder::MsbFirst) std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

std::vector<std::string> DecodeLines(TDocument& doc, TByteOrder order) {
    std::vector<std::string> lines;
    const TAddress p = CurrentAddress(doc);
    if (doc.Store.FileSize() == 0 || p < 1 || p > doc.Store.FileSize()) return lines;
    std::vector<uint8_t> read;
    if (!ReadStore(doc, p, std::min<TCount>(4, doc.Store.FileSize() - p + 1), read)) return lines;
    const std::span<const uint8_t> from = read;
    lines.push_back(FormatText(Texts::DecodeShortint, {int64_t(static_cast<int8_t>(from[0]))}));
    if (from.size() >= 2) {
        const auto word = static_cast<uint16_t>(ComposeBytes(from.first(2), order));
        lines.push_back(FormatText(Texts::DecodeWord, {int64_t(word)}));
        lines.push_back(FormatText(Texts::DecodeInteger, {int64_t(static_cast<int16_t>(word))}));
    }
    if (from.size() >= 4)
        lines.push_back(FormatText(Texts::DecodeLongint,
                                   {int64_t(static_cast<int32_t>(ComposeBytes(from.first(4), order)))}));
    return lines;
}

bool WriteEncoded(TDocument& doc, std::span<const uint8_t> bytes, bool overwrite) {
    return WriteEncodedAs(doc, bytes, overwrite, TStepName::Encode);
}

bool WriteEncodedAs(TDocument& doc, std::span<const uint8_t> bytes, bool overwrite, TStepName name) {
    if (bytes.empty()) return false;
    TUndoStep step(doc, name);
    TBusyScope busy(*doc.App.Host, Texts::WritingEncoded);
    const TAddress pos = CurrentAddress(doc);
    const bool inserted = !overwrite && doc.Store.FileSize() > 0;
    if (doc.Store.FileSize() == 0) {
        // The buffer always has room for a few bytes; an empty file takes them from its first address on,
        // and the view takes in the new end at once.
        if (!doc.Store.Insert(1, bytes)) return false;
        RecordChange(doc, 1, {}, doc.Store.FileSize());
        ShowAddress(doc, 1, true, false);
    } else if (inserted) {
        if (!InsertBytesAt(doc, pos, bytes)) return false;
        doc.View.BottomAddress =
            std::min(doc.View.TopAddress + doc.View.PageBytes - 1, doc.Store.FileSize());
    } else if (!OverwriteBytesAt(doc, pos, bytes)) {
        return false;
    }
    RefillPanes(doc, doc.View.CursorCol, doc.View.CursorRow);
    doc.Display->UpdateStatus();
    doc.Modified = true;
    // Everything from the cursor on has moved up: a block reaching there no longer marks its bytes.
    if (inserted) DropBlockIfAffected(doc, pos);
    return true;
}

} // namespace Engine
