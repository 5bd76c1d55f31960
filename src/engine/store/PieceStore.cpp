// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/store/PieceStore.h"

#include <algorithm>
#include <cstring>

namespace Engine {

using PieceTree::TNodePtr;
using PieceTree::TPiece;

namespace {

// The add buffer grows by blocks of this size (a larger insertion gets a block of its own size); a block
// never moves, so that its bytes stay where snapshots point.
constexpr int64_t AddBlockSize = 65536;
// Runs of one value longer than this cost no memory (a fill piece).
constexpr int64_t FillInMemoryLimit = 4096;
// The chunk in which bytes of the file are read for a visit.
constexpr int64_t VisitChunk = 262144;
// ByteAt's window: aligned, so that scrolling a row at a time mostly stays inside it.
constexpr int64_t CacheWindow = 16384;

// The last piece of a tree, without copying anything.
const TPiece* LastPiece(const TNodePtr& tree) {
    const PieceTree::TNode* node = tree.get();
    while (node && node->Right)
        node = node->Right.get();
    return node ? &node->Piece : nullptr;
}

} // namespace

TReadResult TStoreSnapshot::Visit(TAddress first, TCount count, const TSpanVisitor& visit) const {
    TReadResult result;
    std::vector<uint8_t> chunk;
    int64_t at = std::max<int64_t>(first - 1, 0);
    PieceTree::ForEachPart(Root, first - 1, count, [&](const TPiece& piece, int64_t start, int64_t length) {
        if (const uint8_t* bytes = piece.Source->Bytes(piece.Offset + start)) {
            at += length;
            if (visit(std::span(bytes, static_cast<size_t>(length)))) return true;
            result.Status = TReadStatus::Stopped;
            return false;
        }
        if (chunk.empty()) chunk.resize(static_cast<size_t>(std::min(VisitChunk, std::max<int64_t>(count, 1))));
        for (int64_t done = 0; done < length;) {
            const int64_t want = std::min<int64_t>(length - done, static_cast<int64_t>(chunk.size()));
            const int64_t got = piece.Source->Read(piece.Offset + start + done, std::span(chunk.data(), want));
            if (got > 0 && !visit(std::span(chunk.data(), static_cast<size_t>(got)))) {
                result.Status = TReadStatus::Stopped;
                return false;
            }
            at += got;
            done += got;
            if (got < want) {
                result = {TReadStatus::Unreadable, at + 1, length - done};
                return false;
            }
        }
        return true;
    });
    return result;
}

TReadResult TStoreSnapshot::VisitWindows(TAddress first, TCount count, size_t overlap,
                                         const TWindowVisitor& visit) const {
    // carry: the last bytes seen whose hits are not yet counted (at most overlap of them), from carryAt.
    std::vector<uint8_t> carry;
    TAddress carryAt = std::max<TAddress>(first, 1);
    bool going = true;
    TReadResult result = Visit(first, count, [&](std::span<const uint8_t> span) {
        if (span.size() <= 2 * overlap) {
            // A short span joins the carry; what can no longer grow into a longer hit is counted.
            carry.insert(carry.end(), span.begin(), span.end());
            if (carry.size() > overlap) {
                going = visit(carryAt, carry, carry.size() - overlap);
                carryAt += static_cast<TCount>(carry.size() - overlap);
                carry.erase(carry.begin(), carry.end() - static_cast<std::ptrdiff_t>(overlap));
            }
            return going;
        }
        // The seam: the carry and the span's first overlap bytes, then the span where it lies.
        if (!carry.empty()) {
            const size_t own = carry.size();
            carry.insert(carry.end(), span.begin(), span.begin() + static_cast<std::ptrdiff_t>(overlap));
            if (!(going = visit(carryAt, carry, own))) return false;
            carryAt += static_cast<TCount>(own);
        }
        if (!(going = visit(carryAt, span, span.size() - overlap))) return false;
        carryAt += static_cast<TCount>(span.size() - overlap);
        carry.assign(span.end() - static_cast<std::ptrdiff_t>(overlap), span.end());
        return true;
    });
    if (going && result.Readable() && !carry.empty() && !visit(carryAt, carry, carry.size()))
        result.Status = TReadStatus::Stopped;
    return result;
}

TReadResult TStoreSnapshot::CopyOut(TAddress first, std::span<uint8_t> into) const {
    size_t done = 0;
    TReadResult result = Visit(first, static_cast<TCount>(into.size()), [&](std::span<const uint8_t> bytes) {
        std::memcpy(into.data() + done, bytes.data(), bytes.size());
        done += bytes.size();
        return true;
    });
    if (result.Readable() && done < into.size())
        result = {TReadStatus::Unreadable, first + static_cast<TCount>(done), static_cast<TCount>(into.size() - done)};
    return result;
}

TStoreSnapshot TStoreSnapshot::Part(TAddress first, TCount count) const {
    PieceTree::TPriorities priorities;
    TStoreSnapshot part;
    const TNodePtr rest = PieceTree::Split(Root, std::max<TAddress>(first, 1) - 1, priorities).second;
    part.Root = PieceTree::Split(rest, std::max<TCount>(count, 0), priorities).first;
    return part;
}

std::vector<TRange> TStoreSnapshot::ChangedSince(const TStoreSnapshot& older) const {
    std::vector<TRange> changed;
    if (SameAs(older)) return changed;
    auto add = [&](int64_t from, int64_t to) {
        if (!changed.empty() && changed.back().First + changed.back().Count == from + 1)
            changed.back().Count += to - from;
        else
            changed.push_back({from + 1, to - from});
    };
    struct TPlaced {
        TPiece Piece;
        int64_t Start;
    };
    auto pieces = [](const TNodePtr& root) {
        std::vector<TPlaced> list;
        int64_t at = 0;
        PieceTree::ForEachPart(root, 0, PieceTree::Length(root), [&](const TPiece& piece, int64_t, int64_t) {
            list.push_back({piece, at});
            at += piece.Length;
            return true;
        });
        return list;
    };
    const std::vector<TPlaced> mine = pieces(Root);
    const std::vector<TPlaced> theirs = pieces(older.Root);
    const int64_t common = std::min(Size(), older.Size());
    size_t i = 0, j = 0;
    for (int64_t at = 0; at < common;) {
        const TPlaced& a = mine[i];
        const TPlaced& b = theirs[j];
        const int64_t aEnd = a.Start + a.Piece.Length;
        const int64_t bEnd = b.Start + b.Piece.Length;
        const int64_t end = std::min({aEnd, bEnd, common});
        const bool same = a.Piece.Source == b.Piece.Source &&
                          a.Piece.Offset + (at - a.Start) == b.Piece.Offset + (at - b.Start);
        if (!same) add(at, end);
        at = end;
        if (at == aEnd) ++i;
        if (at == bEnd) ++j;
    }
    if (Size() > common) add(common, Size());
    return changed;
}

void TPieceStore::Load(TSourcePtr source, TCount size) {
    Current.Root = size > 0 ? PieceTree::Leaf(TPiece{std::move(source), 0, size}, Priorities) : nullptr;
    Block.reset();
    Added = 0;
    Cache = {};
}

void TPieceStore::Clear() {
    Load(nullptr, 0);
}

void TPieceStore::Restore(const TStoreSnapshot& snapshot) {
    Replace(snapshot.Root);
}

void TPieceStore::Replace(TNodePtr root) {
    Current.Root = std::move(root);
    Cache.First = 0;
}

bool TPieceStore::InRange(TAddress address, TCount n, bool insert) const {
    if (n < 0 || address < 1 || address > FileSize() + 1) return false;
    // Compared as a difference, since the sum could pass the 64-bit range.
    return insert ? n <= INT64_MAX - FileSize() : n <= FileSize() - address + 1;
}

TPiece TPieceStore::AddBytes(std::span<const uint8_t> bytes, uint8_t fill, TCount n) {
    if (bytes.empty() && n > FillInMemoryLimit) return TPiece{std::make_shared<TFillSource>(fill), 0, n};
    if (!Block || Block->Room() < n) Block = std::make_shared<TAddBlock>(std::max(AddBlockSize, n));
    Added += n;
    const int64_t at = bytes.empty() ? Block->AppendFill(fill, n) : Block->Append(bytes);
    return TPiece{Block, at, n};
}

void TPieceStore::Put(int64_t at, TPiece piece) {
    auto [left, right] = PieceTree::Split(Current.Root, at, Priorities);
    const TPiece* last = LastPiece(left);
    if (last && last->Source == piece.Source && last->Offset + last->Length == piece.Offset) {
        auto [rest, joined] = PieceTree::PopLast(left);
        joined.Length += piece.Length;
        left = PieceTree::Merge(rest, PieceTree::Leaf(joined, Priorities));
    } else {
        left = PieceTree::Merge(left, PieceTree::Leaf(std::move(piece), Priorities));
    }
    Replace(PieceTree::Merge(left, right));
}

bool TPieceStore::Insert(TAddress address, std::span<const uint8_t> bytes) {
    const auto n = static_cast<TCount>(bytes.size());
    if (!InRange(address, n, true)) return false;
    if (n > 0) Put(address - 1, AddBytes(bytes, 0, n));
    return true;
}

bool TPieceStore::InsertFill(TAddress address, uint8_t value, TCount n) {
    if (!InRange(address, n, true)) return false;
    if (n > 0) Put(address - 1, AddBytes({}, value, n));
    return true;
}

bool TPieceStore::InsertFrom(TAddress address, const TStoreSnapshot& from, TAddress first, TCount count) {
    if (!InRange(address, count, true) || first < 1 || count > from.Size() - first + 1) return false;
    if (count == 0) return true;
    auto [before, rest] = PieceTree::Split(from.Root, first - 1, Priorities);
    TNodePtr part = PieceTree::Split(rest, count, Priorities).first;
    auto [left, right] = PieceTree::Split(Current.Root, address - 1, Priorities);
    Replace(PieceTree::Merge(PieceTree::Merge(left, part), right));
    return true;
}

bool TPieceStore::InsertSource(TAddress address, TSourcePtr source, int64_t offset, TCount length) {
    if (!InRange(address, length, true) || !source || offset < 0) return false;
    if (length > 0) Put(address - 1, TPiece{std::move(source), offset, length});
    return true;
}

bool TPieceStore::RemoveBytes(TAddress address, TCount n) {
    if (!InRange(address, n, false)) return false;
    if (n == 0) return true;
    auto [left, rest] = PieceTree::Split(Current.Root, address - 1, Priorities);
    Replace(PieceTree::Merge(left, PieceTree::Split(rest, n, Priorities).second));
    return true;
}

bool TPieceStore::Overwrite(TAddress address, std::span<const uint8_t> bytes) {
    const auto n = static_cast<TCount>(bytes.size());
    if (!InRange(address, n, false)) return false;
    if (n == 0) return true;
    RemoveBytes(address, n);
    return Insert(address, bytes);
}

bool TPieceStore::Read(TAddress first, TCount count, std::vector<uint8_t>& out) const {
    out.resize(static_cast<size_t>(std::max<TCount>(count, 0)));
    return count >= 0 && first >= 1 && count <= FileSize() - first + 1 && CopyOut(first, out).Readable();
}

bool TPieceStore::ReplacePieces(const TPieces& pieces) {
    const TCount o = pieces.OldLength, n = pieces.NewLength;
    std::vector<TPiece> parts;
    auto keep = [&](int64_t from, int64_t count) {
        PieceTree::ForEachPart(Current.Root, from, count, [&](const TPiece& piece, int64_t start, int64_t length) {
            parts.push_back(TPiece{piece.Source, piece.Offset + start, length});
            return true;
        });
    };
    for (int64_t i = 0, end = 0; i < pieces.Count; ++i) {
        const TAddress address = pieces.Address(i);
        if (address - 1 < end || o > FileSize() - address + 1) return false;
        end = address - 1 + o;
    }
    std::vector<uint8_t> old(static_cast<size_t>(pieces.Before ? o : 0));
    const uint8_t* lastBytes = nullptr;
    TPiece added;
    int64_t at = 0; // 0-based: the contents before it are taken care of
    for (int64_t i = 0; i < pieces.Count; ++i) {
        const TAddress address = pieces.Address(i);
        keep(at, address - 1 - at);
        if (pieces.Before) {
            if (o > 0 && !CopyOut(address, old).Readable()) return false;
            pieces.Before(i, old.data(), address + i * (n - o));
        }
        if (n > 0) {
            const uint8_t* bytes = pieces.Bytes(i);
            if (bytes != lastBytes) {
                added = AddBytes(std::span(bytes, static_cast<size_t>(n)), 0, n);
                lastBytes = bytes;
            }
            parts.push_back(added);
        }
        at = address - 1 + o;
    }
    keep(at, FileSize() - at);
    // Neighbours that continue each other (bytes added one after another) become one piece.
    std::vector<TPiece> joined;
    for (TPiece& piece : parts) {
        TPiece* last = joined.empty() ? nullptr : &joined.back();
        if (last && last->Source == piece.Source && last->Offset + last->Length == piece.Offset)
            last->Length += piece.Length;
        else
            joined.push_back(std::move(piece));
    }
    Replace(PieceTree::Build(joined, Priorities));
    return true;
}

void TPieceStore::FillCache(TAddress first) const {
    Cache.First = first;
    const TCount length = std::min(CacheWindow, FileSize() - first + 1);
    Cache.Bytes.resize(static_cast<size_t>(length));
    const TReadResult result = Current.CopyOut(first, Cache.Bytes);
    Cache.Readable = result.Readable() ? length : result.At - first;
    Cache.Unreadable = result.Readable() ? 0 : std::min(result.Count, length - Cache.Readable);
}

int TPieceStore::ByteAt(TAddress address) const {
    if (address < 1 || address > FileSize()) return UnreadableByte;
    auto covered = [&] {
        return Cache.First != 0 && address >= Cache.First && address < Cache.First + Cache.Readable + Cache.Unreadable;
    };
    if (!covered()) FillCache((address - 1) / CacheWindow * CacheWindow + 1);
    // Past an unreadable stretch the window may go on with bytes that can be read: from here, then.
    if (!covered()) FillCache(address);
    const TCount at = address - Cache.First;
    return at < Cache.Readable ? Cache.Bytes[static_cast<size_t>(at)] : UnreadableByte;
}

} // namespace Engine
