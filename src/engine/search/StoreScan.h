// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/search/QSearch.h"
#include "engine/store/PieceStore.h"

#include <cstdint>
#include <functional>

// The prepared search of a TQSearch over the store's contents, window by window, so that no buffer holds
// the whole file. Windows overlap by the pattern's length less one: a hit that straddles two pieces lies
// whole in one window, and each hit is counted by the one window it starts in. Addresses are 1-based.
// Each scan ends at the first bytes that cannot be read, and read says where those were.
namespace Engine {

// The first hit starting at or after start; -1 when none (or cancelled: the hook said so).
TAddress StoreScanDown(const TQSearch& search, const TStoreSnapshot& contents, TAddress start,
                       const TProgressHook& hook, TReadResult& read);
// The last hit ending at or before start.
TAddress StoreScanUp(const TQSearch& search, const TStoreSnapshot& contents, TAddress start,
                     const TProgressHook& hook, TReadResult& read);
// Hits without overlaps, as TQSearch::CountDown and CountUp count them.
TQSearch::TTally StoreCountDown(const TQSearch& search, const TStoreSnapshot& contents, TAddress start,
                                const TProgressHook& hook, TReadResult& read);
TQSearch::TTally StoreCountUp(const TQSearch& search, const TStoreSnapshot& contents, TAddress start,
                              const TProgressHook& hook, TReadResult& read);
// Calls onHit with each hit of StoreCountDown in turn and its bytes; false from onHit stops. True when
// cancelled.
bool StoreEachDown(const TQSearch& search, const TStoreSnapshot& contents, TAddress start, const TProgressHook& hook,
                   const std::function<bool(TAddress address, const uint8_t* bytes)>& onHit, TReadResult& read);

} // namespace Engine
