// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recovery/RecoveryFormat.h"

#include "engine/recovery/ContentHash.h"

#include <cstring>

namespace Engine {

namespace {

constexpr char Magic[8] = {'N', 'I', 'B', 'L', 'O', 'R', 'C', 'V'};
constexpr uint32_t Version = 1;
constexpr uint32_t UntitledFlag = 1;
constexpr size_t HeaderFixed = 52; // before the name
constexpr size_t MaxNameLength = 1 << 16;
constexpr size_t RecordFixed = 44; // the body before the pieces and the bytes
constexpr size_t ChecksumSize = 8;
constexpr uint8_t ReproducibleFlag = 1, PiecesFlag = 2, SharedFlag = 4;

void Put(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint64_t Get(const uint8_t* from, int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<uint64_t>(from[i]) << (8 * i);
    return value;
}

int64_t Get64(const uint8_t* from) {
    return static_cast<int64_t>(Get(from, 8));
}

void PutChecksum(std::vector<uint8_t>& out, size_t from) {
    Put(out, ContentHash(out.data() + from, out.size() - from), 8);
}

} // namespace

TAddress TRecordView::PieceAddress(int64_t i) const {
    return i == 0 ? Head.Address : Get64(MoreAddresses.data() + 8 * (i - 1));
}

std::span<const uint8_t> TRecordView::PieceBytes(int64_t i) const {
    const auto n = static_cast<size_t>(Head.NewLength);
    return Shared ? Bytes.first(n) : Bytes.subspan(static_cast<size_t>(i) * n, n);
}

std::vector<uint8_t> EncodeHeader(const TJournalHeader& header) {
    std::vector<uint8_t> out(Magic, Magic + sizeof Magic);
    const size_t nameLength = std::min(header.Name.size(), MaxNameLength);
    Put(out, Version, 4);
    Put(out, header.Untitled ? UntitledFlag : 0, 4);
    Put(out, static_cast<uint64_t>(header.BaseSize), 8);
    Put(out, static_cast<uint64_t>(header.BaseTime), 8);
    Put(out, header.BaseHash, 8);
    Put(out, static_cast<uint64_t>(header.Created), 8);
    Put(out, nameLength, 4);
    out.insert(out.end(), header.Name.begin(), header.Name.begin() + static_cast<ptrdiff_t>(nameLength));
    PutChecksum(out, 0);
    return out;
}

int64_t EncodedRecordSize(int64_t pieces, int64_t bytes) {
    return static_cast<int64_t>(8 + RecordFixed + ChecksumSize) + (pieces > 1 ? 8 * pieces : 0) + bytes;
}

void EncodeRecord(std::vector<uint8_t>& out, const TRecordHead& head, std::span<const TAddress> moreAddresses,
                  bool shared, std::span<const uint8_t> bytes) {
    const size_t start = out.size();
    const bool pieces = !moreAddresses.empty();
    out.reserve(start + static_cast<size_t>(
                            EncodedRecordSize(1 + int64_t(moreAddresses.size()), int64_t(bytes.size()))));
    const uint64_t body = RecordFixed + (pieces ? 8 * (moreAddresses.size() + 1) : 0) + bytes.size();
    Put(out, body, 8);
    out.push_back(static_cast<uint8_t>(head.Kind));
    out.push_back(head.StepName);
    out.push_back(static_cast<uint8_t>((head.Reproducible ? ReproducibleFlag : 0) |
                                       (pieces ? PiecesFlag : 0) | (pieces && shared ? SharedFlag : 0)));
    out.push_back(0);
    for (int64_t value : {head.Time, head.SizeAfter, head.Address, head.OldLength, head.NewLength})
        Put(out, static_cast<uint64_t>(value), 8);
    if (pieces) {
        Put(out, moreAddresses.size() + 1, 8);
        for (TAddress address : moreAddresses)
            Put(out, static_cast<uint64_t>(address), 8);
    }
    out.insert(out.end(), bytes.begin(), bytes.end());
    PutChecksum(out, start);
}

bool TJournalReader::ReadHeader(TJournalHeader& header) {
    Position = 0;
    if (Data.size() < HeaderFixed + ChecksumSize || std::memcmp(Data.data(), Magic, sizeof Magic) != 0)
        return false;
    const uint8_t* p = Data.data();
    const size_t nameLength = Get(p + 48, 4);
    if (Get(p + 8, 4) != Version || Get(p + 12, 4) > UntitledFlag || nameLength > MaxNameLength ||
        Data.size() < HeaderFixed + nameLength + ChecksumSize)
        return false;
    const size_t end = HeaderFixed + nameLength;
    if (ContentHash(p, end) != Get(p + end, 8)) return false;
    header.Untitled = Get(p + 12, 4) == UntitledFlag;
    header.BaseSize = Get64(p + 16);
    header.BaseTime = Get64(p + 24);
    header.BaseHash = Get(p + 32, 8);
    header.Created = Get64(p + 40);
    header.Name.assign(reinterpret_cast<const char*>(p + HeaderFixed), nameLength);
    if (header.BaseSize < 0) return false;
    Position = end + ChecksumSize;
    return true;
}

bool TJournalReader::Next(TRecordView& record) {
    if (Position == 0) return false; // no header read
    const size_t left = Data.size() - Position;
    if (left < 8 + RecordFixed + ChecksumSize) return false;
    const uint8_t* start = Data.data() + Position;
    const uint64_t body = Get(start, 8);
    if (body < RecordFixed || body > left - 8 - ChecksumSize) return false;
    const size_t length = 8 + static_cast<size_t>(body);
    if (ContentHash(start, length) != Get(start + length, 8)) return false;

    const uint8_t* p = start + 8;
    const uint8_t kind = p[0], name = p[1], flags = p[2];
    TRecordHead head;
    head.Kind = static_cast<TRecordKind>(kind);
    head.StepName = name;
    head.Reproducible = (flags & ReproducibleFlag) != 0;
    head.Time = Get64(p + 4);
    head.SizeAfter = Get64(p + 12);
    head.Address = Get64(p + 20);
    head.OldLength = Get64(p + 28);
    head.NewLength = Get64(p + 36);
    const bool pieces = (flags & PiecesFlag) != 0, shared = (flags & SharedFlag) != 0;
    if (kind < 1 || kind > 4 || name >= RecordStepNames || (flags & ~7) != 0 || p[3] != 0 ||
        (shared && !pieces) || head.SizeAfter < 0 || head.Address < 1 || head.OldLength < 0 ||
        head.NewLength < 0)
        return false;
    uint64_t rest = body - RecordFixed;
    const uint8_t* q = p + RecordFixed;
    int64_t count = 1;
    std::span<const uint8_t> more;
    if (pieces) {
        if (rest < 8) return false;
        const uint64_t n = Get(q, 8);
        if (n < 2 || n - 1 > (rest - 8) / 8) return false;
        count = static_cast<int64_t>(n);
        more = {q + 8, static_cast<size_t>(8 * (n - 1))};
        q += 8 * n;
        rest -= 8 * n;
        // Pieces stand apart, ascending.
        TAddress previous = head.Address;
        for (int64_t i = 1; i < count; ++i) {
            const TAddress at = Get64(more.data() + 8 * (i - 1));
            if (at < previous || at - previous < head.OldLength) return false;
            previous = at;
        }
    }
    const auto runs = static_cast<uint64_t>(shared ? 1 : count);
    const auto perRun = static_cast<uint64_t>(head.NewLength);
    if (perRun != 0 && runs > rest / perRun) return false;
    if (perRun * runs != rest) return false;
    record.Head = head;
    record.PieceCount = count;
    record.Shared = shared;
    record.MoreAddresses = more;
    record.Bytes = {q, static_cast<size_t>(rest)};
    Position += length + ChecksumSize;
    return true;
}

} // namespace Engine
