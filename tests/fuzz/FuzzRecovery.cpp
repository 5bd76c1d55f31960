// SPDX-License-Identifier: GPL-3.0-or-later
// The recovery journal's reader against any bytes, and its replay against sound records of any values: a
// journal torn, damaged or forged never crashes the program, a record that does not fit changes nothing,
// and every record replayed is an undo step that leads back to the file as it was.
#include "FuzzSupport.h"
#include "common/TestDocument.h"

#include "common/EngineSetup.h"
#include "engine/document/EngineState.h"
#include "engine/recovery/RecoveryFormat.h"
#include "engine/recovery/RecoveryReplay.h"
#include "engine/editing/Undo.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>

namespace {

using TBytes = std::vector<uint8_t>;

bool FileIs(const TBytes& bytes) {
    using namespace Engine;
    return TestDoc().Store.FileSize() == static_cast<int64_t>(bytes.size()) &&
           EngineSetup::StoredBytes() == bytes;
}

// Everything a record says can be read without leaving its bytes.
void ReadAll(const uint8_t* data, size_t size) {
    Engine::TJournalReader reader({data, size});
    Engine::TJournalHeader header;
    if (!reader.ReadHeader(header)) return;
    Engine::TRecordView record;
    while (reader.Next(record)) {
        // The pieces stand ascending inside the file's addresses, and their bytes are the record's.
        size_t bytes = 0;
        TAddress previous = 1;
        for (int64_t i = 0; i < record.PieceCount; ++i) {
            FUZZ_CHECK(record.PieceAddress(i) >= previous);
            previous = record.PieceAddress(i);
            const auto piece = record.PieceBytes(i);
            FUZZ_CHECK(piece.size() == static_cast<size_t>(record.Head.NewLength));
            FUZZ_CHECK(piece.data() >= record.Bytes.data() &&
                       piece.data() + piece.size() <= record.Bytes.data() + record.Bytes.size());
            bytes += piece.size();
        }
        FUZZ_CHECK(record.Shared ? record.Bytes.size() == static_cast<size_t>(record.Head.NewLength)
                                 : record.Bytes.size() == bytes);
        FUZZ_CHECK(reader.ValidLength() <= static_cast<int64_t>(size));
    }
}

// A record of the input's values with sound checksums, read back as the replay reads it.
bool NextRecord(FuzzedDataProvider& input, TBytes& journal, Engine::TRecordView& record) {
    using namespace Engine;
    TRecordHead head;
    head.Kind = static_cast<TRecordKind>(input.ConsumeIntegralInRange(1, 4));
    head.StepName = input.ConsumeIntegralInRange<uint8_t>(0, RecordStepNames - 1);
    head.Reproducible = input.ConsumeBool();
    head.Address = input.ConsumeIntegralInRange<int64_t>(1, TestDoc().Store.FileSize() + 3);
    head.OldLength = input.ConsumeIntegralInRange<int64_t>(0, 12);
    head.NewLength = input.ConsumeIntegralInRange<int64_t>(0, 12);
    std::vector<TAddress> more;
    TAddress at = head.Address;
    for (int i = input.ConsumeIntegralInRange(0, 4); i > 0; --i) {
        at += head.OldLength + input.ConsumeIntegralInRange<int64_t>(0, 6);
        more.push_back(at);
    }
    const bool shared = !more.empty() && input.ConsumeBool();
    const auto runs = static_cast<size_t>(shared ? 1 : 1 + more.size());
    TBytes bytes = input.ConsumeBytes<uint8_t>(runs * static_cast<size_t>(head.NewLength));
    bytes.resize(runs * static_cast<size_t>(head.NewLength), 0x5A);
    const int64_t growth = static_cast<int64_t>(1 + more.size()) * (head.NewLength - head.OldLength);
    head.SizeAfter = input.ConsumeIntegralInRange(0, 7) == 0
                         ? input.ConsumeIntegralInRange<int64_t>(0, 200)
                         : std::max<int64_t>(0, TestDoc().Store.FileSize() + growth);
    journal = EncodeHeader(TJournalHeader());
    const size_t start = journal.size();
    EncodeRecord(journal, head, more, shared, bytes);
    FUZZ_CHECK(static_cast<int64_t>(journal.size() - start) ==
               EncodedRecordSize(static_cast<int64_t>(1 + more.size()), static_cast<int64_t>(bytes.size())));
    TJournalReader reader(journal);
    TJournalHeader header;
    FUZZ_CHECK(reader.ReadHeader(header));
    return reader.Next(record);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace Engine;
    ReadAll(data, size);

    FuzzedDataProvider input(data, size);
    FreshEngine();
    const TBytes base = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(0, 64));
    FUZZ_CHECK(OpenTight(base, input.ConsumeIntegralInRange<int32_t>(0, 16)));
    const bool strict = input.ConsumeBool();
    TBytes journal;
    while (input.remaining_bytes() > 0) {
        TRecordView record;
        const bool sound = NextRecord(input, journal, record);
        // Pieces that do not stand apart never pass the reader.
        if (!sound) continue;
        const TBytes before = EngineSetup::StoredBytes();
        const bool replayed = ReplayRecord(TestDoc(), record, strict);
        if (!replayed) {
            FUZZ_CHECK(FileIs(before));
        } else if (strict && record.Head.Kind != TRecordKind::Undo && record.Head.Kind != TRecordKind::Redo) {
            FUZZ_CHECK(TestDoc().Store.FileSize() == record.Head.SizeAfter);
        }
        FUZZ_CHECK(TestDoc().Store.FileSize() >= 0 && TestDoc().Store.FileSize() <= Engine::MaxFileSize);
    }
    // Every replayed record was a step: undo leads all the way back.
    SealUndoStep(TestDoc());
    while (TestDoc().Undo.Journal.CanUndo())
        Undo1Click(TestDoc());
    FUZZ_CHECK(FileIs(base));
    return 0;
}
