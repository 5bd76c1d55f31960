// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/checksums/Checksums.h"

#include <QThread>

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The thread that computes the Checksums dialog's values: one pass of the engine's ComputeChecksums over
// a snapshot of the store, which the user's changes do not reach. It reports the percentage done through a queued signal
// and ends with QThread::finished, after which Results() holds the values (nothing when cancelled).
class TChecksumWorker : public QThread {
    Q_OBJECT
  public:
    TChecksumWorker(Engine::TChecksumInput input, std::vector<Engine::TChecksumKind> kinds,
                    QObject* parent = nullptr);
    // Cancels a pass still running and waits for it.
    ~TChecksumWorker() override;

    // Stops the pass at its next chunk; callable from any thread.
    void Cancel() { CancelFlag.store(true, std::memory_order_relaxed); }
    const std::optional<std::vector<std::string>>& Results() const { return Values; }

  signals:
    // The whole percentage of the bytes done, once for each new one.
    void Progressed(int percent);

  protected:
    void run() override;

  private:
    Engine::TChecksumInput Input;
    std::vector<Engine::TChecksumKind> Kinds;
    std::atomic<bool> CancelFlag{false};
    std::optional<std::vector<std::string>> Values;
};
