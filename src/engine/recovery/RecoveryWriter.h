// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/recovery/RecoveryFormat.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <variant>
#include <vector>

// Writes the recovery journal on a thread of its own, so that an edit never waits for the disk: records
// reach the file (write) within WriteDelay of being queued, gathered so that a run of keys makes one write,
// and the disk (fdatasync, on a second thread) within SyncDelay after that. The journal file is created
// 0600 in a folder made 0700, and held with an flock while this program runs.
namespace Engine {

// A record waiting to be written: the engine builds it, the writer encodes it.
struct TPendingRecord {
    TRecordHead Head;
    std::vector<TAddress> MoreAddresses;
    bool Shared = false;
    std::vector<uint8_t> Bytes;
};

class TJournalWriter {
  public:
    static constexpr auto WriteDelay = std::chrono::milliseconds(100);
    static constexpr auto SyncDelay = std::chrono::milliseconds(1000);
    // Journal files are named niblo-XXXXXX.journal.
    static constexpr const char* JournalSuffix = ".journal";

    TJournalWriter() = default;
    ~TJournalWriter();
    TJournalWriter(const TJournalWriter&) = delete;
    TJournalWriter& operator=(const TJournalWriter&) = delete;

    // Each call queues work, done in the order queued; none waits for the disk.
    // A new journal at path in folder (the one before is removed), starting with header. Should path be
    // taken, another name in folder is found.
    void Begin(const std::string& folder, const std::string& path, std::vector<uint8_t> header);
    // An existing journal, held open and locked in fd, cut to length and continued.
    void Adopt(int fd, const std::string& path, int64_t length);
    // The journal file is removed.
    void Discard();
    void Queue(TPendingRecord record);
    // The last queued record while the writer has not taken it yet (null otherwise), for fn to extend;
    // fn returns false when it could not.
    template <typename TFn> bool ExtendLast(TFn fn) {
        std::lock_guard lock(Mutex);
        if (Items.empty() || !std::holds_alternative<TPendingRecord>(Items.back())) return false;
        TPendingRecord& last = std::get<TPendingRecord>(Items.back());
        const size_t before = last.Bytes.size();
        if (!fn(last)) return false;
        QueuedBytes += static_cast<int64_t>(last.Bytes.size()) - static_cast<int64_t>(before);
        return true;
    }

    // The errno of the write that failed since the last Begin, Adopt or Discard; 0 while all went well.
    int Failure() const;
    // Bytes queued and not yet written.
    int64_t Pending() const { return QueuedBytes.load(); }
    // Bytes written to journal files since the program started.
    int64_t Written() const { return WrittenBytes.load(); }
    // The journal file being written ("" when none).
    std::string Path();
    // Waits until everything queued is written and on the disk (tests, the end of the program).
    void Drain();

  private:
    // Each journal is a generation: a failure counts only for the journal it happened to.
    struct TBegin {
        std::string Folder;
        std::string Path;
        std::vector<uint8_t> Header;
        int64_t Generation;
    };
    struct TAdopt {
        int Fd;
        std::string Path;
        int64_t Length;
        int64_t Generation;
    };
    struct TDiscard {
        int64_t Generation;
    };
    using TItem = std::variant<TBegin, TAdopt, TDiscard, TPendingRecord>;

    void Push(TItem item, int64_t bytes);
    void Run();
    void RunSync();
    void Do(TBegin& item);
    void Do(TAdopt& item);
    void Do(TDiscard& item);
    void Do(TPendingRecord& item);
    void WriteBatch();
    bool RequestSync();
    void Fail(int err);
    void Close(bool remove);

    std::mutex Mutex;
    std::condition_variable Wake;
    std::condition_variable Idle;
    std::deque<TItem> Items;
    std::chrono::steady_clock::time_point FirstQueued;
    bool Busy = false;
    bool Flushing = false;
    bool Stopping = false;
    std::thread Thread;
    int64_t Generation = 0; // the engine's: the journal last asked for
    std::atomic<int64_t> WriterGeneration{0};
    std::atomic<int64_t> FailedGeneration{-1};
    std::atomic<int> FailureCode{0};
    std::atomic<int64_t> QueuedBytes{0};
    std::atomic<int64_t> WrittenBytes{0};

    // The writer thread's own.
    int Fd = -1;
    std::string FilePath; // guarded by Mutex for Path()
    int64_t Offset = 0;
    bool WroteUnsynced = false;
    std::vector<uint8_t> Batch; // encoded, written at once
    // Guarded by Mutex: written and not yet handed to the sync thread.
    bool Unsynced = false;
    std::chrono::steady_clock::time_point UnsyncedSince;

    // The sync thread: fdatasync of a duplicate of the journal's descriptor.
    std::thread SyncThread;
    std::condition_variable SyncWake;
    int SyncFd = -1;      // waiting for the sync thread
    bool Syncing = false; // the sync thread is at work
};

} // namespace Engine
