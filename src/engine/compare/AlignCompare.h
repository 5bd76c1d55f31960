// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/compare/DiffRun.h"
#include "engine/store/PieceStore.h"

// Two snapshots compared across insertions and deletions: the comparison follows the files at memcmp speed
// while they agree; where they part, it cuts a window of each into content-defined chunks, takes the nearest
// chunk the two share as the place where they agree again, and aligns only the stretch before it (bounded,
// see GapAligner.h). The windows grow until such a chunk or both ends are found, so an insertion of any
// size is found as one.
namespace Compare {

TCompareResult CompareAligned(const Engine::TStoreSnapshot& A, const Engine::TStoreSnapshot& B,
                              const TCompareOptions& options = {});

} // namespace Compare
