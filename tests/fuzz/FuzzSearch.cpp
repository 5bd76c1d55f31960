// SPDX-License-Identifier: GPL-3.0-or-later
// Find, Find again and Count against a naive search: every scan over every hit in both directions, with
// case folding and the joker byte, in a buffer that ends exactly at the last byte.
#include "FuzzSupport.h"
#include "common/TestDocument.h"
#include "common/EngineSetup.h"

#include "common/NaiveSearch.h"
#include "engine/document/EngineState.h"
#include "engine/search/QSearch.h"
#include "engine/search/Search.h"
#include "engine/search/SearchRequest.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

using NaiveSearch::Down;
using NaiveSearch::TBytes;
using NaiveSearch::Up;
using TMatchRule = NaiveSearch::TRule;

// The scans of TQSearch from start to the end of the range and back, hit after hit.
void CheckScans(const uint8_t* bytes, TCount size, const TBytes& pattern, const TMatchRule& rule,
                TAddress first, TAddress start) {
    TQSearch& q = TestApp().QSearch;
    const auto length = static_cast<TCount>(pattern.size());
    for (TAddress a = start;;) {
        const TAddress expected = Down(bytes, pattern, rule, size, a);
        FUZZ_CHECK(q.ScanDown(pattern, bytes, size, rule.CaseSensitive, rule.JokerOn, rule.Joker, a, {}) ==
                   expected);
        q.Prepare(pattern, rule.CaseSensitive, rule.JokerOn, rule.Joker);
        FUZZ_CHECK(q.QuickScanDown(bytes, size, a, {}) == expected);
        if (expected < 0) break;
        a = expected + 1;
    }
    for (TAddress e = start;;) {
        const TAddress expected = Up(bytes, pattern, rule, first, e);
        FUZZ_CHECK(q.ScanUp(pattern, bytes, first, rule.CaseSensitive, rule.JokerOn, rule.Joker, e, {}) ==
                   expected);
        q.Prepare(pattern, rule.CaseSensitive, rule.JokerOn, rule.Joker);
        FUZZ_CHECK(q.QuickScanUp(bytes, first, e, {}) == expected);
        if (expected < 0) break;
        e = expected + length - 2; // the next one ends before this one's last byte
    }
}

// Find again from start, as the commands step from hit to hit, and Count, against the reference.
void CheckFindAndCount(const uint8_t* bytes, TCount size, const TBytes& pattern, const TMatchRule& rule,
                       TAddress start) {
    using namespace Engine;
    const auto length = static_cast<TCount>(pattern.size());
    TestApp().SearchRequest.Pattern = pattern;
    TestApp().SearchRequest.CaseSensitive = rule.CaseSensitive;
    TestApp().SearchRequest.JokerEnabled = rule.JokerOn;
    TestApp().SearchRequest.JokerChar = rule.Joker;

    TCount hitsDown = 0;
    TAddress lastDown = 0;
    TestDoc().Search.LastFoundAddress = 0;
    for (TAddress a = start, pos = start;; a += length) {
        a = Down(bytes, pattern, rule, size, a);
        const TFindResult found = FindForward(TestDoc(), pos, true);
        FUZZ_CHECK(found.Found == (a > 0) && !found.Cancelled);
        if (a < 0) break;
        FUZZ_CHECK(pos == a && TestDoc().Search.LastFoundAddress == a);
        ++hitsDown;
        lastDown = a;
    }
    TCount hitsUp = 0;
    TAddress lastUp = 0;
    TestDoc().Search.LastFoundAddress = 0;
    for (TAddress e = start, pos = start;; --e) {
        e = Up(bytes, pattern, rule, 1, e);
        const TFindResult found = FindBackward(TestDoc(), pos);
        FUZZ_CHECK(found.Found == (e > 0) && !found.Cancelled);
        if (e < 0) break;
        FUZZ_CHECK(pos == e && TestDoc().Search.LastFoundAddress == e);
        ++hitsUp;
        lastUp = e;
    }
    for (bool down : {true, false}) {
        TestDoc().Search.LastFoundAddress = 0;
        const TCountResult count = CountMatches(TestDoc(), down, start);
        FUZZ_CHECK(count.Completed);
        FUZZ_CHECK(count.Count == (down ? hitsDown : hitsUp));
        FUZZ_CHECK(TestDoc().Search.LastFoundAddress == (down ? lastDown : lastUp));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    TMatchRule rule;
    rule.CaseSensitive = input.ConsumeBool();
    rule.JokerOn = input.ConsumeBool();
    rule.Joker = input.ConsumeIntegral<uint8_t>();
    const TBytes pattern = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(0, 12));
    const auto startPick = input.ConsumeIntegral<uint16_t>();
    const auto firstPick = input.ConsumeIntegral<uint16_t>();
    const TBytes rest = input.ConsumeRemainingBytes<uint8_t>();

    // Exactly the file's bytes on the heap: one byte more read is an overflow.
    const auto fileSize = static_cast<int32_t>(rest.size());
    const std::unique_ptr<uint8_t[]> file(new uint8_t[rest.size()]);
    if (!rest.empty()) std::memcpy(file.get(), rest.data(), rest.size());

    FreshEngine();
    if (pattern.empty()) {
        FUZZ_CHECK(TestApp().QSearch.ScanDown(pattern, file.get(), fileSize, true, false, 0, 1, {}) == -2);
        FUZZ_CHECK(TestApp().QSearch.ScanUp(pattern, file.get(), 1, true, false, 0, fileSize, {}) == -2);
        return 0;
    }
    if (fileSize == 0) return 0;
    const int32_t start = 1 + startPick % fileSize;
    const int32_t first = 1 + firstPick % fileSize;
    CheckScans(file.get(), fileSize, pattern, rule, first, start);

    // The commands work on the store: the same bytes, cut into pieces.
    EngineSetup::OpenBytes(std::vector<uint8_t>(file.get(), file.get() + fileSize));
    CheckFindAndCount(file.get(), fileSize, pattern, rule, start);
    return 0;
}
