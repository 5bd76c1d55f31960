// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/ChecksumWorker.h"

#include "engine/text/TextFormat.h"

TChecksumWorker::TChecksumWorker(Engine::TChecksumInput input, std::vector<Engine::TChecksumKind> kinds,
                                 QObject* parent)
    : QThread(parent), Input(std::move(input)), Kinds(std::move(kinds)) {}

TChecksumWorker::~TChecksumWorker() {
    Cancel();
    wait();
}

void TChecksumWorker::run() {
    const auto total = static_cast<int64_t>(Input.Range.Count);
    int shown = -1;
    Values = Engine::ComputeChecksums(Input, Kinds, CancelFlag, [&](int64_t done) {
        if (const int percent = ProgressPercent(done, total); percent != shown) {
            shown = percent;
            emit Progressed(percent);
        }
    });
}
