// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recovery/RecoveryWriter.h"

#include "engine/files/FileAccess.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Engine {

TJournalWriter::~TJournalWriter() {
    {
        std::lock_guard lock(Mutex);
        Stopping = true;
    }
    Wake.notify_all();
    SyncWake.notify_all();
    if (Thread.joinable()) Thread.join();
    if (SyncThread.joinable()) SyncThread.join();
}

void TJournalWriter::Begin(const std::string& folder, const std::string& path, std::vector<uint8_t> header) {
    ++Generation;
    Push(TBegin{folder, path, std::move(header), Generation}, 0);
}

void TJournalWriter::Adopt(int fd, const std::string& path, int64_t length) {
    ++Generation;
    Push(TAdopt{fd, path, length, Generation}, 0);
}

void TJournalWriter::Discard() {
    ++Generation;
    Push(TDiscard{Generation}, 0);
}

void TJournalWriter::Queue(TPendingRecord record) {
    const auto bytes = static_cast<int64_t>(record.Bytes.size() + 8 * record.MoreAddresses.size());
    Push(std::move(record), bytes);
}

int TJournalWriter::Failure() const {
    return FailedGeneration.load() == Generation ? FailureCode.load() : 0;
}

std::string TJournalWriter::Path() {
    std::lock_guard lock(Mutex);
    return FilePath;
}

void TJournalWriter::Push(TItem item, int64_t bytes) {
    bool wake = false;
    {
        std::lock_guard lock(Mutex);
        if (!Thread.joinable()) {
            try {
                Thread = std::thread([this] { Run(); });
                SyncThread = std::thread([this] { RunSync(); });
            } catch (const std::system_error&) {
                FailureCode = EAGAIN;
                FailedGeneration = Generation;
                return;
            }
        }
        // The writer waits for a first item; while it gathers more it needs no call.
        wake = Items.empty();
        if (wake) FirstQueued = std::chrono::steady_clock::now();
        Items.push_back(std::move(item));
        QueuedBytes += bytes;
    }
    if (wake) Wake.notify_one();
}

void TJournalWriter::Drain() {
    std::unique_lock lock(Mutex);
    if (!Thread.joinable()) return;
    Flushing = true;
    Wake.notify_all();
    Idle.wait(lock, [this] { return Items.empty() && !Busy && !Unsynced && !Syncing && SyncFd < 0; });
    Flushing = false;
}

// Under the lock: hands the journal to the sync thread, unless it is still busy with the last sync.
bool TJournalWriter::RequestSync() {
    if (Syncing || SyncFd >= 0) return false;
    Unsynced = false;
    if (Fd < 0) return true;
    SyncFd = ::fcntl(Fd, F_DUPFD_CLOEXEC, 0);
    if (SyncFd < 0) {
        Fail(errno);
        return true;
    }
    SyncWake.notify_one();
    return true;
}

void TJournalWriter::Run() {
    std::unique_lock lock(Mutex);
    for (;;) {
        while (Items.empty() && !Stopping) {
            if (!Unsynced) {
                Idle.notify_all();
                Wake.wait(lock);
                continue;
            }
            const auto due = UnsyncedSince + SyncDelay;
            if (!Flushing && std::chrono::steady_clock::now() < due) {
                Wake.wait_until(lock, due);
                continue;
            }
            // Still busy with the sync before: it calls when done.
            if (!RequestSync()) Wake.wait(lock);
        }
        if (Items.empty()) break; // stopping with nothing left
        // A run of keys within the delay becomes one write.
        if (!Stopping && !Flushing)
            Wake.wait_until(lock, FirstQueued + WriteDelay, [this] { return Stopping || Flushing; });
        std::deque<TItem> work;
        work.swap(Items);
        Busy = true;
        lock.unlock();
        for (TItem& item : work)
            std::visit([this](auto& one) { Do(one); }, item);
        WriteBatch();
        lock.lock();
        Busy = false;
        if (WroteUnsynced && !Unsynced) {
            Unsynced = true;
            UnsyncedSince = std::chrono::steady_clock::now();
        }
        WroteUnsynced = false;
    }
    // The end of the program: what is written goes to the disk before the journal is let go.
    lock.unlock();
    if (Fd >= 0) {
        ::fdatasync(Fd);
        ::close(Fd);
        Fd = -1;
    }
}

void TJournalWriter::RunSync() {
    std::unique_lock lock(Mutex);
    for (;;) {
        SyncWake.wait(lock, [this] { return SyncFd >= 0 || Stopping; });
        if (SyncFd < 0) break;
        const int fd = SyncFd;
        SyncFd = -1;
        Syncing = true;
        const int64_t generation = WriterGeneration;
        lock.unlock();
        const int result = ::fdatasync(fd);
        const int err = errno;
        ::close(fd);
        lock.lock();
        Syncing = false;
        if (result != 0 && generation == WriterGeneration) {
            FailureCode = err;
            FailedGeneration = generation;
        }
        Wake.notify_all();
        Idle.notify_all();
    }
}

void TJournalWriter::Fail(int err) {
    FailureCode = err != 0 ? err : EIO;
    FailedGeneration = WriterGeneration.load();
}

void TJournalWriter::Close(bool remove) {
    WriteBatch();
    if (Fd < 0) return;
    if (remove) ::unlink(FilePath.c_str());
    ::close(Fd); // the lock goes with it
    Fd = -1;
    std::lock_guard lock(Mutex);
    FilePath.clear();
}

void TJournalWriter::Do(TBegin& item) {
    Close(true);
    WriterGeneration = item.Generation;
    if (!FileAccess::MakeFolders(item.Folder)) {
        Fail(errno);
        return;
    }
    ::chmod(item.Folder.c_str(), 0700); // it holds file contents
    std::string name = item.Path;
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) {
        name = item.Folder + "/niblo-XXXXXX" + JournalSuffix;
        fd = ::mkostemps(name.data(), static_cast<int>(std::char_traits<char>::length(JournalSuffix)),
                         O_CLOEXEC);
    }
    if (fd < 0) {
        Fail(errno);
        return;
    }
    // Held while this program runs: a journal nobody holds was left by a program that ended.
    ::flock(fd, LOCK_EX | LOCK_NB);
    Fd = fd;
    Offset = 0;
    {
        std::lock_guard lock(Mutex);
        FilePath = name;
    }
    Batch = std::move(item.Header);
}

void TJournalWriter::Do(TAdopt& item) {
    Close(true);
    WriterGeneration = item.Generation;
    Fd = item.Fd;
    Offset = item.Length;
    {
        std::lock_guard lock(Mutex);
        FilePath = item.Path;
    }
    if (::ftruncate(Fd, item.Length) != 0) Fail(errno);
}

void TJournalWriter::Do(TDiscard& item) {
    Close(true);
    WriterGeneration = item.Generation;
}

void TJournalWriter::Do(TPendingRecord& item) {
    QueuedBytes -= static_cast<int64_t>(item.Bytes.size() + 8 * item.MoreAddresses.size());
    if (Fd < 0 || FailedGeneration.load() == WriterGeneration.load()) return;
    try {
        EncodeRecord(Batch, item.Head, item.MoreAddresses, item.Shared, item.Bytes);
    } catch (const std::bad_alloc&) {
        Fail(ENOMEM);
    }
}

void TJournalWriter::WriteBatch() {
    if (Batch.empty()) return;
    if (Fd >= 0 && FailedGeneration.load() != WriterGeneration.load()) {
        size_t done = 0;
        while (done < Batch.size()) {
            const ssize_t put = ::pwrite(Fd, Batch.data() + done, Batch.size() - done,
                                         static_cast<off_t>(Offset + int64_t(done)));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) {
                Fail(put < 0 ? errno : ENOSPC);
                // What was written of the last records is cut off again; the journal stays whole.
                const int cut = ::ftruncate(Fd, Offset);
                (void)cut;
                break;
            }
            done += static_cast<size_t>(put);
        }
        if (done == Batch.size()) {
            Offset += static_cast<int64_t>(done);
            WrittenBytes += static_cast<int64_t>(done);
            WroteUnsynced = true;
        }
    }
    Batch.clear();
    if (Batch.capacity() > (size_t{1} << 20)) Batch.shrink_to_fit();
}

} // namespace Engine
