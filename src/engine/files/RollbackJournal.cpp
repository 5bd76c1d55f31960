// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/files/RollbackJournal.h"

#include "engine/recovery/ContentHash.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace FileAccess {

namespace {

constexpr char Magic[8] = {'N', 'I', 'B', 'L', 'O', 'R', 'B', '1'};
// Journals are named so that a repair finds them among the folder's other files.
constexpr const char* JournalBase = "rollback";
constexpr std::string_view JournalPrefix = "rollback.niblo-";

template <typename T> void Put(std::vector<uint8_t>& out, T value) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
    out.insert(out.end(), bytes, bytes + sizeof value);
}

// Reads a journal's fields in order; any read past its end fails it.
struct TReader {
    std::span<const uint8_t> Data;
    size_t At = 0;
    bool Ok = true;

    template <typename T> T Take() {
        T value{};
        if (!Ok || Data.size() - At < sizeof value) {
            Ok = false;
            return value;
        }
        std::memcpy(&value, Data.data() + At, sizeof value);
        At += sizeof value;
        return value;
    }
    std::span<const uint8_t> Bytes(uint64_t count) {
        if (!Ok || Data.size() - At < count) {
            Ok = false;
            return {};
        }
        std::span<const uint8_t> bytes = Data.subspan(At, count);
        At += count;
        return bytes;
    }
};

struct TJournalContents {
    std::string Target;
    TFileStamp Stamp;
    uint64_t NewHash = 0;
    std::vector<TOldBytes> Old;
};

// The journal's length follows its magic: a reused file may go on past it with a longer journal's end.
bool Parse(std::span<const uint8_t> data, TJournalContents& contents) {
    uint64_t length = 0;
    if (data.size() < sizeof Magic + 2 * sizeof(uint64_t) || std::memcmp(data.data(), Magic, sizeof Magic) != 0)
        return false;
    std::memcpy(&length, data.data() + sizeof Magic, sizeof length);
    if (length < sizeof Magic + 2 * sizeof(uint64_t) || length > data.size()) return false;
    const size_t body = length - sizeof(uint64_t);
    uint64_t stored = 0;
    std::memcpy(&stored, data.data() + body, sizeof stored);
    if (Engine::ContentHash(data.data(), body) != stored) return false;
    TReader reader{data.first(body), sizeof Magic + sizeof length};
    contents.Stamp.Exists = true;
    contents.Stamp.Device = reader.Take<uint64_t>();
    contents.Stamp.Inode = reader.Take<uint64_t>();
    contents.Stamp.Size = reader.Take<int64_t>();
    contents.NewHash = reader.Take<uint64_t>();
    const std::span<const uint8_t> name = reader.Bytes(reader.Take<uint32_t>());
    contents.Target.assign(name.begin(), name.end());
    for (uint32_t count = reader.Take<uint32_t>(); reader.Ok && count > 0; --count) {
        TOldBytes old;
        old.Offset = reader.Take<int64_t>();
        const std::span<const uint8_t> bytes = reader.Bytes(reader.Take<uint64_t>());
        if (old.Offset < 0 || old.Offset > contents.Stamp.Size - static_cast<int64_t>(bytes.size())) return false;
        old.Bytes.assign(bytes.begin(), bytes.end());
        contents.Old.push_back(std::move(old));
    }
    return reader.Ok && reader.At == body;
}

// Writes a journal from its start, hashing the bytes as they go; a failure puts half of them first.
struct TJournalAppender {
    TFile& File;
    int64_t At;
    Engine::TContentHasher Hasher;
    const TJournalFaults& Faults;

    int Append(std::span<const uint8_t> bytes) {
        const auto count = static_cast<int64_t>(bytes.size());
        if (const int code = JournalFault(Faults, TJournalStep::JournalWrite)) {
            File.WriteAt(bytes.data(), count / 2, At);
            return code;
        }
        Hasher.Add(bytes.data(), bytes.size());
        const int code = File.WriteAt(bytes.data(), count, At);
        At += count;
        return code;
    }
};

} // namespace

int JournalFault(const TJournalFaults& faults, TJournalStep step) {
    const int err = faults ? faults(step) : 0;
    return err ? DosErrorFromErrno(err) : 0;
}

TRollbackJournal::TRollbackJournal(std::string folder) : Folder(std::move(folder)) {}

TRollbackJournal::~TRollbackJournal() {
    if (!JournalPath.empty() && !HoldsBytes) FileAccess::Remove(JournalPath);
}

int TRollbackJournal::Open(const TJournalFaults& faults) {
    if (File.IsOpen()) return 0;
    if (!MakeFolders(Folder)) return DosError::PathNotFound;
    std::string path;
    int code = JournalFault(faults, TJournalStep::JournalCreate);
    if (code == 0) code = File.CreateTempBeside(Folder + "/" + JournalBase, path);
    // Nobody else knows the name yet, so the lock is taken before anyone could look.
    if (code == 0) code = File.LockExclusive();
    if (code != 0) {
        if (!path.empty()) FileAccess::Remove(path);
        File.Close();
        return code;
    }
    // The name must outlast a crash before the journal is ever needed; later saves reuse the file.
    SyncFolderOf(path);
    JournalPath = path;
    return 0;
}

int TRollbackJournal::Write(const std::string& target, const TFileStamp& stamp, const std::vector<TOldBytes>& old,
                            uint64_t newHash, const TJournalFaults& faults) {
    if (const int code = Open(faults)) return code;
    // From the first byte on, a crash leaves something for the repair to look at (and discard when torn).
    HoldsBytes = true;
    TJournalAppender out{File, 0, {}, faults};
    // Magic, length, identity (3), new bytes' hash, path, range count, ranges, and the hash at the end.
    uint64_t length = sizeof Magic + 5 * sizeof(uint64_t) + 2 * sizeof(uint32_t) + target.size() + sizeof(uint64_t);
    for (const TOldBytes& range : old)
        length += 2 * sizeof(uint64_t) + range.Bytes.size();
    std::vector<uint8_t> head(Magic, Magic + sizeof Magic);
    Put(head, length);
    Put(head, stamp.Device);
    Put(head, stamp.Inode);
    Put(head, stamp.Size);
    Put(head, newHash);
    Put(head, static_cast<uint32_t>(target.size()));
    head.insert(head.end(), target.begin(), target.end());
    Put(head, static_cast<uint32_t>(old.size()));
    int code = out.Append(head);
    for (size_t i = 0; code == 0 && i < old.size(); ++i) {
        std::vector<uint8_t> rangeHead;
        Put(rangeHead, old[i].Offset);
        Put(rangeHead, static_cast<uint64_t>(old[i].Bytes.size()));
        code = out.Append(rangeHead);
        if (code == 0) code = out.Append(old[i].Bytes);
    }
    if (code == 0) {
        std::vector<uint8_t> tail;
        Put(tail, out.Hasher.Digest());
        code = out.Append(tail);
    }
    if (code == 0) code = JournalFault(faults, TJournalStep::JournalSync);
    // fdatasync: the size comes with the bytes, and the name was made durable when the file was made.
    if (code == 0) code = File.DataSync();
    if (code != 0 && Invalidate() == 0) HoldsBytes = false;
    return code;
}

int TRollbackJournal::Invalidate() {
    const std::array<uint8_t, sizeof Magic> none{};
    return File.WriteAt(none.data(), none.size(), 0);
}

int TRollbackJournal::Remove(const TJournalFaults& faults) {
    if (!HoldsBytes) return 0;
    int code = JournalFault(faults, TJournalStep::JournalRemove);
    // Its magic wiped, not flushed: should that be lost, the repair finds the new bytes in place and lets
    // it go. The file keeps its size, so that the next save's flush has no size to write.
    if (code == 0) code = Invalidate();
    if (code != 0) return code;
    HoldsBytes = false;
    return 0;
}

int PutBack(TFile& file, const std::vector<TOldBytes>& old, const TJournalFaults& faults) {
    for (const TOldBytes& range : old) {
        const auto count = static_cast<int64_t>(range.Bytes.size());
        if (const int code = JournalFault(faults, TJournalStep::RestoreWrite)) {
            file.WriteAt(range.Bytes.data(), count / 2, range.Offset);
            return code;
        }
        if (const int code = file.WriteAt(range.Bytes.data(), count, range.Offset)) return code;
    }
    if (const int code = JournalFault(faults, TJournalStep::RestoreSync)) return code;
    return file.DataSync();
}

uint64_t RangesHash(const std::vector<TOldBytes>& ranges,
                    const std::function<bool(int64_t offset, std::span<uint8_t> into)>& read) {
    Engine::TContentHasher hasher;
    std::vector<uint8_t> chunk;
    constexpr int64_t Chunk = 262144;
    for (const TOldBytes& range : ranges) {
        const auto count = static_cast<int64_t>(range.Bytes.size());
        for (int64_t done = 0; done < count;) {
            const int64_t piece = std::min(Chunk, count - done);
            chunk.resize(static_cast<size_t>(piece));
            // Bytes that cannot be read make a hash that matches nothing.
            if (!read(range.Offset + done, chunk)) return ~hasher.Digest();
            hasher.Add(chunk.data(), chunk.size());
            done += piece;
        }
    }
    return hasher.Digest();
}

TRepair RepairFromJournal(const std::string& journal, const TJournalFaults& faults) {
    TRepair repair;
    repair.Journal = journal;
    auto discard = [&](TRepairOutcome outcome) {
        repair.Outcome = outcome;
        repair.Code = JournalFault(faults, TJournalStep::JournalRemove);
        if (repair.Code == 0) repair.Code = FileAccess::Remove(journal);
        if (repair.Code != 0) repair.Outcome = TRepairOutcome::Failed;
        return repair;
    };
    // Locked for the whole repair; a journal a running save holds is left to it.
    TFile locked;
    repair.Code = locked.OpenRead(journal);
    if (repair.Code == 0 && locked.LockExclusive() != 0) {
        repair.Outcome = TRepairOutcome::InUse;
        return repair;
    }
    // The save removed it between the open and the lock: nothing is left to do.
    const TFileStamp named = StampOf(journal);
    if (repair.Code == 0 && (named.Inode != locked.Stamp().Inode || !named.Exists)) return repair;
    std::vector<uint8_t> data(static_cast<size_t>(std::max<int64_t>(locked.Size(), 0)));
    int64_t got = 0;
    if (repair.Code == 0) repair.Code = locked.Read(data.data(), static_cast<int64_t>(data.size()), got);
    if (repair.Code != 0) {
        repair.Outcome = TRepairOutcome::Failed;
        return repair;
    }
    data.resize(static_cast<size_t>(got));
    TJournalContents contents;
    // A journal cut short was never flushed whole, so the file was never touched.
    if (!Parse(data, contents)) return discard(TRepairOutcome::Discarded);
    repair.Target = contents.Target;
    TFile file;
    repair.Code = file.OpenUpdate(contents.Target);
    const TFileStamp now = file.Stamp();
    // Another file under that name, or one another program resized since: its bytes are not ours to touch
    // (a device's stamp has no size).
    if (repair.Code == 0 && (now.Device != contents.Stamp.Device || now.Inode != contents.Stamp.Inode ||
                             (now.Size != 0 && now.Size != contents.Stamp.Size)))
        repair.Code = DosError::AccessDenied;
    if (repair.Code != 0) {
        repair.Outcome = TRepairOutcome::Failed;
        return repair;
    }
    const uint64_t onDisk = RangesHash(contents.Old, [&](int64_t offset, std::span<uint8_t> into) {
        int64_t got = 0;
        return file.ReadAt(into.data(), static_cast<int64_t>(into.size()), offset, got) == 0 &&
               got == static_cast<int64_t>(into.size());
    });
    if (onDisk == contents.NewHash) return discard(TRepairOutcome::Completed);
    repair.Code = PutBack(file, contents.Old, faults);
    if (repair.Code != 0) {
        repair.Outcome = TRepairOutcome::Failed;
        return repair;
    }
    return discard(TRepairOutcome::RolledBack);
}

std::vector<TRepair> RepairFromJournals(const std::string& folder, const TJournalFaults& faults) {
    std::vector<TRepair> repairs;
    std::error_code error;
    std::vector<std::string> journals;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.compare(0, JournalPrefix.size(), JournalPrefix) == 0) journals.push_back(entry.path().string());
    }
    std::sort(journals.begin(), journals.end());
    for (const std::string& journal : journals)
        repairs.push_back(RepairFromJournal(journal, faults));
    return repairs;
}

} // namespace FileAccess
