// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"
#include "engine/editing/StepName.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The recovery journal as it stands on disk: a header that names the file and its contents as they were
// loaded or saved, then one record per change in the order made. Numbers are little-endian; the header and
// every record end in a checksum of what they hold, so that a tail a crash tore is cut off at the last
// whole record.
namespace Engine {

struct TJournalHeader {
    std::string Name; // the file's full name as bytes; an untitled file's shown name
    bool Untitled = false;
    int64_t BaseSize = 0;
    int64_t BaseTime = 0;  // the file's modification time, nanoseconds since the epoch
    uint64_t BaseHash = 0; // ContentHash of the contents
    int64_t Created = 0;   // wall clock, nanoseconds since the epoch
};

enum class TRecordKind : uint8_t {
    Change = 1,   // a new undo step
    Continue = 2, // more of the last step (typing on)
    Undo = 3,
    Redo = 4,
};

// What a record says: PieceCount pieces of OldLength bytes, the first at Address, became NewLength bytes
// each. Addresses are 1-based, of the file as it was before the record.
struct TRecordHead {
    TRecordKind Kind = TRecordKind::Change;
    uint8_t StepName = 0;      // the TStepName of the undo step
    bool Reproducible = false; // an undo or redo that the replayed undo journal can make itself
    int64_t Time = 0;          // wall clock, nanoseconds since the epoch
    int64_t SizeAfter = 0;     // the file's size after the record
    TAddress Address = 1;
    TCount OldLength = 0;
    TCount NewLength = 0;
};

// A record read back; its spans point into the journal's bytes.
struct TRecordView {
    TRecordHead Head;
    int64_t PieceCount = 1;
    bool Shared = false;                    // one run of new bytes for every piece
    std::span<const uint8_t> MoreAddresses; // the pieces after the first, 8 bytes each, ascending
    std::span<const uint8_t> Bytes;         // NewLength bytes per piece (once when Shared)

    TAddress PieceAddress(int64_t i) const;
    std::span<const uint8_t> PieceBytes(int64_t i) const;
};

inline constexpr int RecordStepNames = StepNameCount; // TStepName values a record may carry

std::vector<uint8_t> EncodeHeader(const TJournalHeader& header);
// Appends a record. moreAddresses: the pieces after the first; bytes: NewLength per piece, or NewLength
// once when shared.
void EncodeRecord(std::vector<uint8_t>& out, const TRecordHead& head, std::span<const TAddress> moreAddresses,
                  bool shared, std::span<const uint8_t> bytes);
// The bytes a record of these sizes takes on disk.
int64_t EncodedRecordSize(int64_t pieces, int64_t bytes);

// Walks a journal's bytes: the header, then record after record up to the first that is not whole and
// sound. Nothing in the bytes is trusted.
class TJournalReader {
  public:
    explicit TJournalReader(std::span<const uint8_t> data) : Data(data) {}
    bool ReadHeader(TJournalHeader& header);
    bool Next(TRecordView& record);
    // The bytes read and found sound so far.
    int64_t ValidLength() const { return static_cast<int64_t>(Position); }

  private:
    std::span<const uint8_t> Data;
    size_t Position = 0;
};

} // namespace Engine
