// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/files/StoreSave.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace FileAccess {

using Engine::TRange;

namespace {

bool SameFile(const TFileStamp& a, const TFileStamp& b) {
    return a.Exists && b.Exists && a.Device == b.Device && a.Inode == b.Inode;
}

// The bytes of current at each range, the ranges' shape given by old.
bool ReadCurrent(const Engine::TStoreSnapshot& current, int64_t offset, std::span<uint8_t> into) {
    return current.CopyOut(offset + 1, into).Readable();
}

// Writes the ranges of current over file, each span as the store gives it.
int WriteRanges(TFile& file, const Engine::TStoreSnapshot& current, const std::vector<TRange>& ranges,
                const TJournalFaults& faults) {
    int code = 0;
    for (const TRange& range : ranges) {
        int64_t at = range.First - 1;
        const Engine::TReadResult read = current.Visit(range.First, range.Count, [&](std::span<const uint8_t> bytes) {
            const auto count = static_cast<int64_t>(bytes.size());
            if ((code = JournalFault(faults, TJournalStep::FileWrite)) != 0) {
                file.WriteAt(bytes.data(), count / 2, at);
                return false;
            }
            if ((code = file.WriteAt(bytes.data(), count, at)) != 0) return false;
            at += count;
            return true;
        });
        if (code == 0 && !read.Readable()) code = DosError::GeneralFailure;
        if (code != 0) return code;
    }
    return 0;
}

} // namespace

std::vector<TRange> WholeSectors(const std::vector<TRange>& ranges, int sectorSize, int64_t size) {
    const int64_t sector = std::max(sectorSize, 1);
    std::vector<TRange> sorted = ranges;
    std::sort(sorted.begin(), sorted.end(), [](const TRange& a, const TRange& b) { return a.First < b.First; });
    std::vector<TRange> whole;
    for (const TRange& range : sorted) {
        if (range.Count <= 0) continue;
        const int64_t from = (range.First - 1) / sector * sector;
        const int64_t to = std::min(size, (range.First - 1 + range.Count + sector - 1) / sector * sector);
        if (!whole.empty() && whole.back().First - 1 + whole.back().Count >= from)
            whole.back().Count = std::max(whole.back().Count, to - (whole.back().First - 1));
        else
            whole.push_back({from + 1, to - from});
    }
    return whole;
}

TInPlaceResult SaveChangedInPlace(TFileSource& file, const Engine::TStoreSnapshot& current,
                                  const std::vector<TRange>& changed, TRollbackJournal& journal,
                                  const TJournalFaults& faults) {
    TInPlaceResult result;
    // Before the file is written, a failure leaves it as it was.
    auto fail = [&](int code, TJournalStep step) {
        result.Code = code;
        result.Step = step;
        result.FileIntact = true;
        return result;
    };
    if (current.Size() != file.Size()) return fail(DosError::InvalidParameter, TJournalStep::FileWrite);
    const std::vector<TRange> ranges =
        file.IsDevice() ? WholeSectors(changed, file.SectorSize(), current.Size()) : changed;
    if (ranges.empty()) return result;

    TFile target;
    if (const int code = target.OpenUpdate(file.Path())) return fail(code, TJournalStep::FileWrite);
    // Another program replaced or resized the file since it was opened: our ranges would not fit it.
    const TFileStamp now = target.Stamp();
    // A source that reads a copy no longer tells what the file holds.
    if (!SameFile(now, file.Stamp()) || (!file.IsDevice() && now.Size != file.Size()) || file.ReadsCopy())
        return fail(DosError::AccessDenied, TJournalStep::FileWrite);

    std::vector<TOldBytes> old;
    for (const TRange& range : ranges) {
        TOldBytes bytes{range.First - 1, std::vector<uint8_t>(static_cast<size_t>(range.Count))};
        int64_t got = 0;
        const int code = target.ReadAt(bytes.Bytes.data(), range.Count, bytes.Offset, got);
        if (code != 0 || got != range.Count) return fail(code ? code : DosError::GeneralFailure, TJournalStep::FileWrite);
        old.push_back(std::move(bytes));
    }
    bool readable = true;
    const uint64_t newHash = RangesHash(old, [&](int64_t offset, std::span<uint8_t> into) {
        return readable = readable && ReadCurrent(current, offset, into);
    });
    // Bytes of the store that cannot be read are never written as anything else.
    if (!readable) return fail(DosError::GeneralFailure, TJournalStep::FileWrite);

    if (const int code = journal.Write(file.Path(), now, old, newHash, faults))
        return fail(code, TJournalStep::JournalWrite);
    // From here on the pieces of earlier snapshots read the old bytes from memory.
    for (const TOldBytes& bytes : old)
        file.KeepOldBytes(bytes.Offset, bytes.Bytes);

    int code = WriteRanges(target, current, ranges, faults);
    result.Step = TJournalStep::FileWrite;
    if (code == 0) {
        result.Step = TJournalStep::FileSync;
        code = JournalFault(faults, TJournalStep::FileSync);
        if (code == 0) code = target.DataSync();
    }
    if (code != 0) {
        result.Code = code;
        result.FileIntact = PutBack(target, old, faults) == 0;
        // Without the old bytes back, the journal is what repairs the file at the next start.
        if (!result.FileIntact || journal.Remove(faults) != 0) result.JournalLeft = journal.Path();
        return result;
    }
    // The save is complete: a journal that cannot go finds the new bytes in place at the next start and
    // goes then.
    if (journal.Remove(faults) != 0) result.JournalLeft = journal.Path();
    return result;
}

TReplaceResult SaveByStreaming(const std::string& path, const Engine::TStoreSnapshot& current,
                               TReplaceRequest request, const std::shared_ptr<TFileSource>& opened,
                               const TWrittenSpan& written) {
    request.Size = current.Size();
    if (opened && SameFile(opened->Stamp(), StampOf(SaveTarget(path)))) {
        // The contents are read from the very file that would be overwritten: only from a copy of it.
        request.ConfirmNoCopy = nullptr;
        request.BeforeInPlace = [opened](const std::string& copyPath) {
            if (copyPath.empty()) return static_cast<int>(DosError::AccessDenied);
            const int fd = ::open(copyPath.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) return DosErrorFromErrno(errno);
            opened->ReadFrom(fd);
            return 0;
        };
    }
    request.WriteContents = [&](TFile& file, bool inPlace) {
        int code = 0;
        const Engine::TReadResult read = current.Visit(1, current.Size(), [&](std::span<const uint8_t> bytes) {
            if ((code = file.Write(bytes.data(), static_cast<int64_t>(bytes.size()))) != 0) return false;
            if (written && !written(bytes) && !inPlace) code = SaveCancelled;
            return code == 0;
        });
        if (code == 0 && !read.Readable()) code = DosError::GeneralFailure;
        return code;
    };
    return ReplaceFile(path, request);
}

} // namespace FileAccess
