// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recovery/Recovery.h"

#include "engine/store/ByteStore.h"
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

TRecovery::TRecovery() : Inner(std::make_unique<TRecoveryInner>()) {}
TRecovery::~TRecovery() = default;

namespace {

TRecoveryInner& In() {
    return *Doc().Recovery.Inner;
}

int64_t WallClock() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool Active() {
    return Doc().Recovery.Enabled && !RecoveryFolder.empty();
}

void Listen() {
    Doc().Recovery.Listening =
        Active() && In().State.BaseValid && !In().State.Suspended && !In().State.Paused;
    Doc().Undo.Listener = Doc().Recovery.Listening ? &Doc().Recovery : nullptr;
}

int64_t Budget() {
    return std::max<int64_t>(Doc().Recovery.Budget, 0);
}

void Suspend(const char* reason) {
    In().State.Suspended = true;
    In().Window.Clear();
    Listen();
    Host->ShowStatusText(FormatText(reason, {NamePart(In().State.Base.Name)}));
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

void ReplayPush(int64_t stepId) {
    std::vector<int64_t>& steps = In().State.ReplaySteps;
    steps.resize(In().State.ReplayApplied);
    // Only the newest steps can ever be undone; a long session keeps the last million.
    if (steps.size() >= (size_t{1} << 20)) steps.erase(steps.begin(), steps.begin() + (1 << 19));
    steps.push_back(stepId);
    In().State.ReplayApplied = steps.size();
}

// Tells of another program with unsaved changes to the same file, once for each file.
void TellOfOthers() {
    if (In().State.ToldOfOthers || In().State.Base.Untitled) return;
    In().State.ToldOfOthers = true;
    for (const TFoundJournal& found : FindJournals(&In().State.Base.Name))
        if (found.Running) {
            Host->ShowInfo(FormatText(Texts::OtherWindowEditing, {NamePart(In().State.Base.Name)}));
            return;
        }
}

void StartJournal() {
    if (In().State.Started) return;
    TJournalHeader header = In().State.Base;
    header.Created = WallClock();
    In().OwnPath = RecoveryFolder + "/niblo-" + std::to_string(::getpid()) + "-" +
                   std::to_string(header.Created) + "-" + std::to_string(++In().JournalCount) +
                   TJournalWriter::JournalSuffix;
    In().Writer.Begin(RecoveryFolder, In().OwnPath, EncodeHeader(header));
    In().State.Started = true;
}

// A record of the same step made before (still queued) takes on one that starts inside or right after
// the bytes it put in place: typing on.
bool Compose(TPendingRecord& last, TAddress address, TCount oldLength, std::span<const uint8_t> bytes,
             int64_t sizeAfter, int64_t time) {
    if (!last.MoreAddresses.empty()) return false;
    const TAddress first = last.Head.Address;
    const TCount length = last.Head.NewLength;
    if (address < first || address > first + length) return false;
    const auto at = static_cast<size_t>(address - first);
    const auto end = static_cast<size_t>(std::min(address + oldLength - first, length));
    const int64_t newLength = length - int64_t(end - at) + int64_t(bytes.size());
    if (newLength > Budget()) return false;
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
void Emit(TRecordKind kind, TStepName name, bool reproducible) {
    TWindow& w = In().Window;
    FinishPieces(w);
    if (w.Broken) {
        Suspend(Texts::RecoveryNotWritten);
        return;
    }
    if (w.Count == 0) return;
    const int64_t sizeAfter = Doc().Store.FileSize(), sizeBefore = Doc().Store.FileSize() - w.Delta;
    TRecordHead head;
    head.Kind = kind;
    head.StepName = static_cast<uint8_t>(name);
    head.Reproducible = reproducible;
    head.Time = WallClock();
    head.SizeAfter = sizeAfter;
    TJournalWriter& writer = In().Writer;
    if (writer.Failure() != 0 || writer.Pending() > Budget()) {
        Suspend(Texts::RecoveryNotWritten);
        return;
    }
    const std::vector<TAddress>& at = w.PieceAddresses;
    const auto k = static_cast<int64_t>(at.size());
    const bool pieces =
        w.Count == 1 && w.Pieces && k > 1 && at.front() >= 1 && at.back() + w.PieceOld - 1 <= sizeBefore;
    try {
        if (pieces) {
            Doc().Store.ContiguousBytes(); // the pieces are read more than once: none may move in between
            const TCount o = w.PieceOld, n = w.PieceNew;
            auto pieceBytes = [&](int64_t i) { return Doc().Store.StoreRun(at[size_t(i)] + i * (n - o), n); };
            bool shared = true;
            for (int64_t i = 1; i < k && shared; ++i)
                shared = std::equal(pieceBytes(i).begin(), pieceBytes(i).end(), pieceBytes(0).begin());
            if ((shared ? n : k * n) + 8 * k > Budget()) {
                Suspend(Texts::RecoveryTooLarge);
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
            for (int64_t i = 0; i < (shared ? 1 : k); ++i)
                record.Bytes.insert(record.Bytes.end(), pieceBytes(i).begin(), pieceBytes(i).end());
            StartJournal();
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
        if (newLength > Budget()) {
            Suspend(Texts::RecoveryTooLarge);
            return;
        }
        const std::span<const uint8_t> bytes = Doc().Store.StoreRun(low, newLength);
        if (kind == TRecordKind::Continue && writer.ExtendLast([&](TPendingRecord& last) {
                return Compose(last, low, oldLength, bytes, sizeAfter, head.Time);
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
        StartJournal();
        writer.Queue(std::move(record));
        w.Clear();
    } catch (const std::bad_alloc&) {
        Suspend(Texts::RecoveryNotWritten);
    }
}

// The journal before goes; a new one starts with the next change.
void Restart() {
    if (In().State.Started) In().Writer.Discard();
    In().State.Started = false;
    In().OwnPath.clear();
    In().State.Suspended = false;
    In().State.ToldOfOthers = false;
    In().State.LastStepId = -1;
    In().State.ReplaySteps.clear();
    In().State.ReplayApplied = 0;
    In().Window.Clear();
}

void Unmap(const uint8_t*& data, size_t& size) {
    if (data) ::munmap(const_cast<uint8_t*>(data), size);
    data = nullptr;
    size = 0;
}

} // namespace

void TRecovery::NoteChange(TAddress address, TCount oldLength, TCount newLength) {
    if (!Doc().Recovery.Listening) return;
    TWindow& w = In().Window;
    FinishPieces(w);
    ++w.Count;
    w.Low = std::min(w.Low, address);
    w.MinTerm = std::min(w.MinTerm, w.Delta - address - oldLength);
    w.Delta += newLength - oldLength;
}

void TRecovery::NotePieces(TCount oldLength, TCount newLength) {
    if (!Doc().Recovery.Listening) return;
    TWindow& w = In().Window;
    FinishPieces(w);
    w.PiecesOpen = true;
    w.PieceOld = oldLength;
    w.PieceNew = newLength;
    w.PieceDeltaBefore = w.Delta;
    w.PieceAddresses.clear();
}

void TRecovery::NotePiece(TAddress address) {
    if (!Doc().Recovery.Listening || !In().Window.PiecesOpen) return;
    try {
        In().Window.PieceAddresses.push_back(address);
    } catch (const std::bad_alloc&) {
        In().Window.Broken = true;
    }
}

void TRecovery::StepEnds(TStepName name, bool opened, int64_t stepId) {
    if (!Doc().Recovery.Listening) return;
    FinishPieces(In().Window);
    if (In().Window.Count == 0 && !In().Window.Broken) return;
    const bool goesOn =
        !opened && stepId >= 0 && stepId == In().State.LastStepId && name == TStepName::Typing;
    Emit(goesOn ? TRecordKind::Continue : TRecordKind::Change, name, false);
    if (!goesOn) {
        ReplayPush(stepId);
        In().State.LastStepId = stepId;
    }
    if (Doc().Recovery.Listening) TellOfOthers();
}

void TRecovery::Exchanged(bool undo, TStep& step, int64_t stepId) {
    if (!Doc().Recovery.Listening) return;
    In().Window.Clear();
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
    const std::vector<int64_t>& steps = In().State.ReplaySteps;
    size_t& applied = In().State.ReplayApplied;
    const bool reproducible = stepId >= 0 && (undo ? applied > 0 && steps[applied - 1] == stepId
                                                   : applied < steps.size() && steps[applied] == stepId);
    Emit(undo ? TRecordKind::Undo : TRecordKind::Redo, step.Name, reproducible);
    if (reproducible)
        undo ? --applied : ++applied;
    else
        ReplayPush(-1);
    In().State.LastStepId = -1;
}

bool RecoveryWantsHash() {
    return Active();
}

void RecoveryLoaded(uint64_t hash) {
    In().LoadedHash = hash;
    In().LoadedHashValid = true;
}

bool RecoveryLoadedHash(uint64_t& hash) {
    hash = In().LoadedHash;
    return In().LoadedHashValid;
}

void RecoveryNewBase() {
    Restart();
    In().State.BaseValid = false;
    if (Active() && Doc().FileOpen && !Doc().File.ReadOnly && (Doc().File.Untitled || In().LoadedHashValid)) {
        In().State.BaseValid = true;
        In().State.Base = TJournalHeader();
        In().State.Base.Name = Doc().File.FileName;
        In().State.Base.Untitled = Doc().File.Untitled;
        In().State.Base.BaseSize = Doc().Store.FileSize();
        In().State.Base.BaseTime = Doc().File.Untitled ? 0 : Doc().File.FileTime;
        In().State.Base.BaseHash =
            Doc().File.Untitled
                ? ContentHash(Doc().Store.ContiguousBytes(), static_cast<size_t>(Doc().Store.FileSize()))
                : In().LoadedHash;
    }
    In().LoadedHashValid = false;
    Listen();
}

bool RecoveryBase(TJournalHeader& header) {
    header = In().State.Base;
    return In().State.BaseValid;
}

void RecoveryOthersTold() {
    In().State.ToldOfOthers = true;
}

void RecoverySaved(const std::string& name, uint64_t hash) {
    Restart();
    In().State.BaseValid = Active();
    In().State.Base = TJournalHeader();
    In().State.Base.Name = name;
    In().State.Base.BaseSize = Doc().Store.FileSize();
    In().State.Base.BaseTime = Doc().File.DiskStamp.ModTime;
    In().State.Base.BaseHash = hash;
    Listen();
}

void RecoveryClosed() {
    Restart();
    In().State.BaseValid = false;
    Listen();
}

void RecoveryDrain() {
    In().Writer.Drain();
}

std::string RecoveryJournalPath() {
    return In().Writer.Path();
}

int64_t RecoveryBytesWritten() {
    return In().Writer.Written();
}

void ResetRecovery() {
    RecoveryClosed();
    RecoveryDrain();
    Doc().Recovery.Enabled = true;
    In().State = TJournalState();
    In().LoadedHashValid = false;
    Listen();
}

TRecoveryPause::TRecoveryPause() : Was(In().State.Paused) {
    In().State.Paused = true;
    In().Window.Clear();
    Listen();
}

TRecoveryPause::~TRecoveryPause() {
    In().State.Paused = Was;
    Listen();
}

void RecoveryAdopt(TFoundJournal&& journal, int64_t length, std::span<const int64_t> stepIds,
                   int64_t applied) {
    Restart();
    In().State.BaseValid = true;
    In().State.Base = journal.Header;
    In().State.Started = true;
    In().OwnPath = journal.Path;
    In().State.ReplaySteps.assign(stepIds.begin(), stepIds.end());
    In().State.ReplayApplied = static_cast<size_t>(std::clamp<int64_t>(applied, 0, int64_t(stepIds.size())));
    In().Writer.Adopt(journal.Fd, journal.Path, length);
    journal.Fd = -1; // the writer holds it now
    Listen();
}

void RecoverySnapshot() {
    Restart();
    In().State.BaseValid = Active();
    In().State.Base = TJournalHeader();
    In().State.Base.Name = Doc().File.FileName;
    In().State.Base.Untitled = true;
    In().State.Base.BaseHash = ContentHash(nullptr, 0);
    Listen();
    if (!Doc().Recovery.Listening || Doc().Store.FileSize() == 0) return;
    Doc().Recovery.NoteChange(1, 0, Doc().Store.FileSize());
    Doc().Recovery.StepEnds(TStepName::Change, true, -1);
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

std::vector<TFoundJournal> FindJournals(const std::string* name) {
    std::vector<TFoundJournal> found;
    if (!Active()) return found;
    DIR* dir = ::opendir(RecoveryFolder.c_str());
    if (!dir) return found;
    const std::string written = In().Writer.Path();
    const std::string suffix = TJournalWriter::JournalSuffix;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string entryName = entry->d_name;
        if (!entryName.starts_with("niblo-") || !entryName.ends_with(suffix)) continue;
        TFoundJournal journal;
        journal.Path = RecoveryFolder + "/" + entryName;
        if (journal.Path == In().OwnPath || journal.Path == written) continue;
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
