// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recovery/Recovery.h"

#include "engine/recovery/ContentHash.h"
#include "engine/document/EngineState.h"
#include "engine/files/Paths.h"
#include "engine/recovery/RecoveryWriter.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "engine/editing/Undo.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Engine {

namespace {

// What the next journal starts from, and how the journal stands.
struct TJournalState {
    bool BaseValid = false;
    TJournalHeader Base;
    bool Started = false;   // the journal file was asked for
    bool Suspended = false; // until the next save
    bool Paused = false;    // a replay runs
    bool ToldOfOthers = false;
    int64_t LastStepId = -1; // the undo step the last record made or went on in
    // The undo journal a replay of the records would build: the steps' ids (-1: a step of the replay's
    // own), and how many stand. An undo or redo of the step at the edge is one the replay can make itself.
    std::vector<int64_t> ReplaySteps;
    size_t ReplayApplied = 0;
};

// The changes of the command running, from the undo journal's reports.
struct TWindow {
    int64_t Count = 0;           // changes, a piece change counting once
    TAddress Low = INT64_MAX;    // the lowest address any change touched
    int64_t Delta = 0;           // the growth of the file
    int64_t MinTerm = INT64_MAX; // the least (growth before a change - the end of its old bytes)
    // The one change while there is one.
    // A piece change: its pieces in the order reported, then ascending.
    bool PiecesOpen = false;
    bool Pieces = false;
    TCount PieceOld = 0, PieceNew = 0;
    int64_t PieceDeltaBefore = 0;
    std::vector<TAddress> PieceAddresses;
    bool Broken = false; // a report could not be kept

    void Clear() {
        std::vector<TAddress> keep = std::move(PieceAddresses);
        keep.clear();
        *this = TWindow();
        PieceAddresses = std::move(keep);
    }
};

} // namespace

struct TRecoveryInner {
    TJournalWriter Writer;
    TJournalState State;
    // The journal this program writes, known before the writer has made it.
    std::string OwnPath;
    int64_t JournalCount = 0; // journals this file started, to name each apart
    uint64_t LoadedHash = 0;
    bool LoadedHashValid = false;
    TWindow Window;
};

TRecovery::TRecovery(TDocument& owner) : Inner(std::make_unique<TRecoveryInner>()), doc(owner) {}
TRecovery::~TRecovery() = default;

namespace {

TRecoveryInner& In(TDocument& doc) {
    return *doc.Recovery.Inner;
}

int64_t WallClock() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool Active(TDocument& doc) {
    return doc.Recovery.Enabled && !doc.App.RecoveryFolder.empty();
}

void Listen(TDocument& doc) {
    doc.Recovery.Listening =
        Active(doc) && In(doc).State.BaseValid && !In(doc).State.Suspended && !In(doc).State.Paused;
    doc.Undo.Listener = doc.Recovery.Listening ? &doc.Recovery : nullptr;
}

int64_t Budget(TDocument& doc) {
    return std::max<int64_t>(doc.Recovery.Budget, 0);
}

void Suspend(TDocument& doc, const char* reason) {
    In(doc).State.Suspended = true;
    In(doc).Window.Clear();
    Listen(doc);
    doc.App.Host->ShowStatusText(FormatText(reason, {NamePart(In(doc).State.Base.Name)}));
}

void FinishPieces(TWindow& w) {
    if (!w.PiecesOpen) return;
    w.PiecesOpen = false;
    std::vector<TAddress>& at = w.PieceAddresses;
    if (at.empty()) return;
    if (at.front() > at.back()) std::reverse(at.begin(), at.end());
    ++w.Count;
    w.Pieces = true;
    w.Low = std::min(w.Low, at.front());
    w.MinTerm = std::min(w.MinTerm, w.PieceDeltaBefore - at.back() - w.PieceOld);
    w.Delta += static_cast<int64_t>(at.size()) * (w.PieceNew - w.PieceOld);
}

void ReplayPush(TDocument& doc, int64_t stepId) {
    std::vector<int64_t>& steps = In(doc).State.ReplaySteps;
    steps.resize(In(doc).State.ReplayApplied);
    // Only the newest steps can ever be undone; a long session keeps the last million.
    if (steps.size() >= (size_t{1} << 20)) steps.erase(steps.begin(), steps.begin() + (1 << 19));
    steps.push_back(stepId);
    In(doc).State.ReplayApplied = steps.size();
}

// Tells of another program with unsaved changes to the same file, once for each file.
void TellOfOthers(TDocument& doc) {
    if (In(doc).State.ToldOfOthers || In(doc).State.Base.Untitled) return;
    In(doc).State.ToldOfOthers = true;
    for (const TFoundJournal& found : FindJournals(doc, &In(doc).State.Base.Name))
        if (found.Running) {
            doc.App.Host->ShowInfo(FormatText(Texts::OtherWindowEditing, {NamePart(In(doc).State.Base.Name)}));
            return;
        }
}

void StartJournal(TDocument& doc) {
    if (In(doc).State.Started) return;
    TJournalHeader header = In(doc).State.Base;
    header.Created = WallClock();
    In(doc).OwnPath = doc.App.RecoveryFolder + "/niblo-" + std::to_string(::getpid()) + "-" +
                   std::to_string(header.Created) + "-" + std::to_string(++In(doc).JournalCount) +
                   TJournalWriter::JournalSuffix;
    In(doc).Writer.Begin(doc.App.RecoveryFolder, In(doc).OwnPath, EncodeHeader(header));
    In(doc).State.Started = true;
}

// A record of the same step made before (still queued) takes on one that starts inside or right after
// the bytes it put in place: typing on.
bool Compose(TDocument& doc, TPendingRecord& last, TAddress address, TCount oldLength, std::span<const uint8_t> bytes,
             int64_t sizeAfter, int64_t time) {
    if (!last.MoreAddresses.empty()) return false;
    const TAddress first = last.Head.Address;
    const TCount length = last.Head.NewLength;
    if (address < first || address > first + length) return false;
    const auto at = static_cast<size_t>(address - first);
    const auto end = static_cast<size_t>(std::min(address + oldLength - first, length));
    const int64_t newLength = length - int64_t(end - at) + int64_t(bytes.size());
    if (newLength > Budget(doc)) return false;
    std::vector<uint8_t>& run = last.Bytes;
    if (end - at == bytes.size()) {
        if (!bytes.empty()) std::memcpy(run.data() + at, bytes.data(), bytes.size());
    } else {
        run.erase(run.begin() + static_cast<ptrdiff_t>(at), run.begin() + static_cast<ptrdiff_t>(end));
        run.insert(run.begin() + static_cast<ptrdiff_t>(at), bytes.begin(), bytes.end());
    }
    last.Head.OldLength += std::max<int64_t>(0, address + oldLength - (first + length));
    last.Head.NewLength = newLength;
    last.Head.SizeAfter = sizeAfter;
    last.Head.Time = time;
    return true;
}

// The record of the window's changes: the pieces of one piece change, else the one stretch of the file
// that holds every change (for a single change, the change itself).
void Emit(TDocument& doc, TRecordKind kind, TStepName name, bool reproducible) {
    TWindow& w = In(doc).Window;
    FinishPieces(w);
    if (w.Broken) {
        Suspend(doc, Texts::RecoveryNotWritten);
        return;
    }
    if (w.Count == 0) return;
    const int64_t sizeAfter = doc.Store.FileSize(), sizeBefore = doc.Store.FileSize() - w.Delta;
    TRecordHead head;
    head.Kind = kind;
    head.StepName = static_cast<uint8_t>(name);
    head.Reproducible = reproducible;
    head.Time = WallClock();
    head.SizeAfter = sizeAfter;
    TJournalWriter& writer = In(doc).Writer;
    if (writer.Failure() != 0 || writer.Pending() > Budget(doc)) {
        Suspend(doc, Texts::RecoveryNotWritten);
        return;
    }
    const std::vector<TAddress>& at = w.PieceAddresses;
    const auto k = static_cast<int64_t>(at.size());
    const bool pieces =
        w.Count == 1 && w.Pieces && k > 1 && at.front() >= 1 && at.back() + w.PieceOld - 1 <= sizeBefore;
    try {
        if (pieces) {
            const TCount o = w.PieceOld, n = w.PieceNew;
            std::vector<uint8_t> first, other;
            auto pieceBytes = [&](int64_t i, std::vector<uint8_t>& into) {
                return doc.Store.Read(at[size_t(i)] + i * (n - o), n, into);
            };
            if (!pieceBytes(0, first)) {
                Suspend(doc, Texts::RecoveryNotWritten);
                return;
            }
            bool shared = true;
            for (int64_t i = 1; i < k && shared; ++i)
                shared = pieceBytes(i, other) && other == first;
            if ((shared ? n : k * n) + 8 * k > Budget(doc)) {
                Suspend(doc, Texts::RecoveryTooLarge);
                return;
            }
            TPendingRecord record;
            record.Head = head;
            record.Head.Address = at.front();
            record.Head.OldLength = o;
            record.Head.NewLength = n;
            record.MoreAddresses.assign(at.begin() + 1, at.end());
            record.Shared = shared;
            record.Bytes.reserve(static_cast<size_t>(shared ? n : k * n));
            for (int64_t i = 0; i < (shared ? 1 : k); ++i) {
                if (!pieceBytes(i, other)) {
                    Suspend(doc, Texts::RecoveryNotWritten);
                    return;
                }
                record.Bytes.insert(record.Bytes.end(), other.begin(), other.end());
            }
            StartJournal(doc);
            writer.Queue(std::move(record));
            w.Clear();
            return;
        }
        // The stretch: from the lowest change to the longest tail no change reached.
        const int64_t tail = sizeBefore + 1 + w.MinTerm;
        TAddress low = w.Low;
        TCount oldLength = sizeBefore - tail - low + 1, newLength = sizeAfter - tail - low + 1;
        if (tail < 0 || low < 1 || oldLength < 0 || newLength < 0 || low + newLength - 1 > sizeAfter) {
            // Reports that do not add up: the whole file, which is right whatever happened.
            low = 1;
            oldLength = sizeBefore;
            newLength = sizeAfter;
        }
        if (newLength > Budget(doc)) {
            Suspend(doc, Texts::RecoveryTooLarge);
            return;
        }
        std::vector<uint8_t> read;
        if (!doc.Store.Read(low, newLength, read)) {
            Suspend(doc, Texts::RecoveryNotWritten);
            return;
        }
        const std::span<const uint8_t> bytes = read;
        if (kind == TRecordKind::Continue && writer.ExtendLast([&](TPendingRecord& last) {
                return Compose(doc, last, low, oldLength, bytes, sizeAfter, head.Time);
            })) {
            w.Clear();
            return;
        }
        TPendingRecord record;
        record.Head = head;
        record.Head.Address = low;
        record.Head.OldLength = oldLength;
        record.Head.NewLength = newLength;
        record.Bytes.assign(bytes.begin(), bytes.end());
        StartJournal(doc);
        writer.Queue(std::move(record));
        w.Clear();
    } catch (const std::bad_alloc&) {
        Suspend(doc, Texts::RecoveryNotWritten);
    }
}

// The journal before goes; a new one starts with the next change.
void Restart(TDocument& doc) {
    if (In(doc).State.Started) In(doc).Writer.Discard();
    In(doc).State.Started = false;
    In(doc).OwnPath.clear();
    In(doc).State.Suspended = false;
    In(doc).State.ToldOfOthers = false;
    In(doc).State.LastStepId = -1;
    In(doc).State.ReplaySteps.clear();
    In(doc).State.ReplayApplied = 0;
    In(doc).Window.Clear();
}

void Unmap(const uint8_t*& data, size_t& size) {
    if (data) ::munmap(const_cast<uint8_t*>(data), size);
    data = nullptr;
    size = 0;
}

} // namespace

void TRecovery::NoteChange(TAddress address, TCount oldLength, TCount newLength) {
    if (!doc.Recovery.Listening) return;
    TWindow& w = In(doc).Window;
    FinishPieces(w);
    ++w.Count;
    w.Low = std::min(w.Low, address);
    w.MinTerm = std::min(w.MinTerm, w.Delta - address - oldLength);
    w.Delta += newLength - oldLength;
}

void TRecovery::NotePieces(TCount oldLength, TCount newLength) {
    if (!doc.Recovery.Listening) return;
    TWindow& w = In(doc).Window;
    FinishPieces(w);
    w.PiecesOpen = true;
    w.PieceOld = oldLength;
    w.PieceNew = newLength;
    w.PieceDeltaBefore = w.Delta;
    w.PieceAddresses.clear();
}

void TRecovery::NotePiece(TAddress address) {
    if (!doc.Recovery.Listening || !In(doc).Window.PiecesOpen) return;
    try {
        In(doc).Window.PieceAddresses.push_back(address);
    } catch (const std::bad_alloc&) {
        In(doc).Window.Broken = true;
    }
}

void TRecovery::StepEnds(TStepName name, bool opened, int64_t stepId) {
    if (!doc.Recovery.Listening) return;
    FinishPieces(In(doc).Window);
    if (In(doc).Window.Count == 0 && !In(doc).Window.Broken) return;
    const bool goesOn =
        !opened && stepId >= 0 && stepId == In(doc).State.LastStepId && name == TStepName::Typing;
    Emit(doc, goesOn ? TRecordKind::Continue : TRecordKind::Change, name, false);
    if (!goesOn) {
        ReplayPush(doc, stepId);
        In(doc).State.LastStepId = stepId;
    }
    if (doc.Recovery.Listening) TellOfOthers(doc);
}

void TRecovery::Exchanged(bool undo, TStep& step, int64_t stepId) {
    if (!doc.Recovery.Listening) return;
    In(doc).Window.Clear();
    const int32_t count = step.ChangeCount();
    for (int32_t n = 0; n < count; ++n) {
        const int32_t i = undo ? count - 1 - n : n;
        const TChange& change = step.Change(i);
        const TCount from = undo ? change.NewLength : change.OldLength;
        const TCount to = undo ? change.OldLength : change.NewLength;
        if (i != 0 || !step.Extra || step.Extra->FirstPieces.empty()) {
            NoteChange(change.Address, from, to);
            continue;
        }
        // The pieces as they stand before the exchange.
        NotePieces(from, to);
        const std::vector<TAddress>& more = step.Extra->FirstPieces;
        const TCount shift = undo ? change.NewLength - change.OldLength : 0;
        NotePiece(change.Address);
        for (size_t j = 0; j < more.size(); ++j)
            NotePiece(more[j] + static_cast<int64_t>(j + 1) * shift);
    }
    const std::vector<int64_t>& steps = In(doc).State.ReplaySteps;
    size_t& applied = In(doc).State.ReplayApplied;
    const bool reproducible = stepId >= 0 && (undo ? applied > 0 && steps[applied - 1] == stepId
                                                   : applied < steps.size() && steps[applied] == stepId);
    Emit(doc, undo ? TRecordKind::Undo : TRecordKind::Redo, step.Name, reproducible);
    if (reproducible)
        undo ? --applied : ++applied;
    else
        ReplayPush(doc, -1);
    In(doc).State.LastStepId = -1;
}

bool RecoveryWantsHash(TDocument& doc) {
    return Active(doc);
}

void RecoveryLoaded(TDocument& doc, uint64_t hash) {
    In(doc).LoadedHash = hash;
    In(doc).LoadedHashValid = true;
}

bool RecoveryLoadedHash(TDocument& doc, uint64_t& hash) {
    hash = In(doc).LoadedHash;
    return In(doc).LoadedHashValid;
}

void RecoveryNewBase(TDocument& doc) {
    Restart(doc);
    In(doc).State.BaseValid = false;
    if (Active(doc) && doc.FileOpen && !doc.File.ReadOnly && (doc.File.Untitled || In(doc).LoadedHashValid)) {
        In(doc).State.BaseValid = true;
        In(doc).State.Base = TJournalHeader();
        In(doc).State.Base.Name = doc.File.FileName;
        In(doc).State.Base.Untitled = doc.File.Untitled;
        In(doc).State.Base.BaseSize = doc.Store.FileSize();
        In(doc).State.Base.BaseTime = doc.File.Untitled ? 0 : doc.File.FileTime;
        const std::optional<uint64_t> hash =
            doc.File.Untitled ? StoreHash(doc.Store.Snapshot()) : std::optional(In(doc).LoadedHash);
        In(doc).State.Base.BaseHash = hash.value_or(0);
        In(doc).State.BaseValid = hash.has_value();
    }
    In(doc).LoadedHashValid = false;
    Listen(doc);
}

bool RecoveryBase(TDocument& doc, TJournalHeader& header) {
    header = In(doc).State.Base;
    return In(doc).State.BaseValid;
}

void RecoveryOthersTold(TDocument& doc) {
    In(doc).State.ToldOfOthers = true;
}

void RecoverySaved(TDocument& doc, const std::string& name, uint64_t hash) {
    Restart(doc);
    In(doc).State.BaseValid = Active(doc);
    In(doc).State.Base = TJournalHeader();
    In(doc).State.Base.Name = name;
    In(doc).State.Base.BaseSize = doc.Store.FileSize();
    In(doc).State.Base.BaseTime = doc.File.DiskStamp.ModTime;
    In(doc).State.Base.BaseHash = hash;
    Listen(doc);
}

void RecoveryClosed(TDocument& doc) {
    Restart(doc);
    In(doc).State.BaseValid = false;
    Listen(doc);
}

void RecoveryDrain(TDocument& doc) {
    In(doc).Writer.Drain();
}

std::string RecoveryJournalPath(TDocument& doc) {
    return In(doc).Writer.Path();
}

int64_t RecoveryBytesWritten(TDocument& doc) {
    return In(doc).Writer.Written();
}

void ResetRecovery(TDocument& doc) {
    RecoveryClosed(doc);
    RecoveryDrain(doc);
    doc.Recovery.Enabled = true;
    In(doc).State = TJournalState();
    In(doc).LoadedHashValid = false;
    Listen(doc);
}

TRecoveryPause::TRecoveryPause(TDocument& document) : doc(document), Was(In(doc).State.Paused) {
    In(doc).State.Paused = true;
    In(doc).Window.Clear();
    Listen(doc);
}

TRecoveryPause::~TRecoveryPause() {
    In(doc).State.Paused = Was;
    Listen(doc);
}

void RecoveryAdopt(TDocument& doc, TFoundJournal&& journal, int64_t length, std::span<const int64_t> stepIds,
                   int64_t applied) {
    Restart(doc);
    In(doc).State.BaseValid = true;
    In(doc).State.Base = journal.Header;
    In(doc).State.Started = true;
    In(doc).OwnPath = journal.Path;
    In(doc).State.ReplaySteps.assign(stepIds.begin(), stepIds.end());
    In(doc).State.ReplayApplied = static_cast<size_t>(std::clamp<int64_t>(applied, 0, int64_t(stepIds.size())));
    In(doc).Writer.Adopt(journal.Fd, journal.Path, length);
    journal.Fd = -1; // the writer holds it now
    Listen(doc);
}

void RecoverySnapshot(TDocument& doc) {
    Restart(doc);
    In(doc).State.BaseValid = Active(doc);
    In(doc).State.Base = TJournalHeader();
    In(doc).State.Base.Name = doc.File.FileName;
    In(doc).State.Base.Untitled = true;
    In(doc).State.Base.BaseHash = ContentHash(nullptr, 0);
    Listen(doc);
    if (!doc.Recovery.Listening || doc.Store.FileSize() == 0) return;
    doc.Recovery.NoteChange(1, 0, doc.Store.FileSize());
    doc.Recovery.StepEnds(TStepName::Change, true, -1);
}

// Found journals.

TFoundJournal::~TFoundJournal() {
    if (Fd >= 0) ::close(Fd);
}

TFoundJournal::TFoundJournal(TFoundJournal&& other) noexcept
    : Path(std::move(other.Path)), Running(other.Running), Header(std::move(other.Header)),
      Changes(other.Changes), LastTime(other.LastTime), ValidLength(other.ValidLength), Fd(other.Fd) {
    other.Fd = -1;
}

TFoundJournal& TFoundJournal::operator=(TFoundJournal&& other) noexcept {
    if (this != &other) {
        this->~TFoundJournal();
        new (this) TFoundJournal(std::move(other));
    }
    return *this;
}

std::vector<uint8_t> TFoundJournal::Read() const {
    std::vector<uint8_t> bytes;
    struct stat info {};
    if (Fd < 0 || ::fstat(Fd, &info) != 0 || info.st_size <= 0) return bytes;
    try {
        bytes.resize(static_cast<size_t>(info.st_size));
    } catch (const std::bad_alloc&) {
        return {};
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(Fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

void TFoundJournal::Remove() {
    ::unlink(Path.c_str());
    if (Fd >= 0) ::close(Fd);
    Fd = -1;
}

std::vector<TFoundJournal> FindJournals(TDocument& doc, const std::string* name) {
    std::vector<TFoundJournal> found;
    if (!Active(doc)) return found;
    DIR* dir = ::opendir(doc.App.RecoveryFolder.c_str());
    if (!dir) return found;
    const std::string written = In(doc).Writer.Path();
    const std::string suffix = TJournalWriter::JournalSuffix;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string entryName = entry->d_name;
        if (!entryName.starts_with("niblo-") || !entryName.ends_with(suffix)) continue;
        TFoundJournal journal;
        journal.Path = doc.App.RecoveryFolder + "/" + entryName;
        if (journal.Path == In(doc).OwnPath || journal.Path == written) continue;
        journal.Fd = ::open(journal.Path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        struct stat info {};
        if (journal.Fd < 0 || ::fstat(journal.Fd, &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid())
            continue;
        journal.Running = ::flock(journal.Fd, LOCK_EX | LOCK_NB) != 0;
        const uint8_t* data = nullptr;
        size_t size = 0;
        if (info.st_size > 0) {
            size = static_cast<size_t>(info.st_size);
            void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, journal.Fd, 0);
            if (mapped != MAP_FAILED)
                data = static_cast<const uint8_t*>(mapped);
            else
                size = 0;
        }
        TJournalReader reader({data, size});
        const bool header = reader.ReadHeader(journal.Header);
        const bool wanted = header && (!name || (!journal.Header.Untitled && journal.Header.Name == *name));
        if (header && !wanted) {
            Unmap(data, size);
            continue;
        }
        if (!journal.Running) {
            TRecordView record;
            while (reader.Next(record)) {
                if (record.Head.Kind != TRecordKind::Continue) ++journal.Changes;
                journal.LastTime = record.Head.Time;
            }
            journal.ValidLength = reader.ValidLength();
        }
        Unmap(data, size);
        const int64_t age = WallClock() / 1000000000 - static_cast<int64_t>(info.st_mtim.tv_sec);
        if (!journal.Running && (header ? journal.Changes == 0 : age > 60)) {
            // Nothing to offer: a journal whose program ended before its first record, or one that is no
            // journal (a program that was just creating it has its lock by now).
            journal.Remove();
            continue;
        }
        if (!header) continue;
        found.push_back(std::move(journal));
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(),
              [](const TFoundJournal& a, const TFoundJournal& b) { return a.LastTime < b.LastTime; });
    return found;
}

} // namespace Engine
