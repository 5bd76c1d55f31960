// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"
#include "engine/editing/UndoListener.h"

#include <cstdint>
#include <memory>

namespace Engine {

struct TRecoveryInner;
class TDocument;

// The open file's journal: it hears of every change from the undo journal.
class TRecovery final : public TUndoListener {
  public:
    // owner: the document whose changes the journal keeps.
    explicit TRecovery(TDocument& owner);
    ~TRecovery() override;
    TRecovery(const TRecovery&) = delete;
    TRecovery& operator=(const TRecovery&) = delete;

    // Journals are kept (the benchmarks compare with them off); only where RecoveryFolder names a folder.
    bool Enabled = true;
    // The largest change a journal takes, in bytes: a larger one (or a full disk) suspends the journal of
    // the file until it is saved. The window sets it from the settings (default: the undo journal's budget).
    int64_t Budget = int64_t{64} << 20;
    // The changes of the open file go to a journal: the undo journal's reports are wanted.
    bool Listening = false;
    // The replay running is of a journal written against this file: each record must leave the size it
    // names.
    bool ReplayStrict = true;

    void NoteChange(TAddress address, TCount oldLength, TCount newLength) override;
    void NotePieces(TCount oldLength, TCount newLength) override;
    void NotePiece(TAddress address) override;
    void StepEnds(TStepName name, bool opened, int64_t stepId) override;
    void Exchanged(bool undo, TStep& step, int64_t stepId) override;

    // The journal being written and how it stands.
    std::unique_ptr<TRecoveryInner> Inner;

  private:
    TDocument& doc;
};

} // namespace Engine
