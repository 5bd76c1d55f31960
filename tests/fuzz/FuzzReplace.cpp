// SPDX-License-Identifier: GPL-3.0-or-later
// Replace all against a naive reference: non-overlapping hits from the cursor on, left to right, each
// replaced. The buffer has only a few bytes to spare, and allocations may be refused.
#include "FuzzSupport.h"
#include "common/TestDocument.h"

#include "common/EngineSetup.h"
#include "common/NaiveSearch.h"
#include "engine/store/DynArray.h"
#include "engine/document/EngineState.h"
#include "engine/search/Replace.h"
#include "engine/search/SearchRequest.h"

#include <fuzzer/FuzzedDataProvider.h>

using NaiveSearch::TBytes;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace Engine;
    FuzzedDataProvider input(data, size);
    NaiveSearch::TRule rule;
    rule.CaseSensitive = input.ConsumeBool();
    rule.JokerOn = input.ConsumeBool();
    rule.Joker = input.ConsumeIntegral<uint8_t>();
    const bool refuseAllocations = input.ConsumeBool();
    const auto slack = input.ConsumeIntegralInRange<int32_t>(0, 16);
    const TBytes pattern = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(1, 8));
    const TBytes replacement = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(0, 12));
    const auto startPick = input.ConsumeIntegral<uint16_t>();
    const TBytes file = input.ConsumeRemainingBytes<uint8_t>();
    if (pattern.empty()) return 0;

    TSilentHost& host = FreshEngine();
    FUZZ_CHECK(OpenTight(file, slack));
    const auto fileSize = static_cast<int32_t>(file.size());
    const int32_t start = fileSize == 0 ? 1 : 1 + startPick % fileSize;
    EngineSetup::PutCursorOn(start);
    TestApp().SearchRequest.Pattern = pattern;
    TestApp().SearchRequest.Replacement = replacement;
    TestApp().SearchRequest.CaseSensitive = rule.CaseSensitive;
    TestApp().SearchRequest.JokerEnabled = rule.JokerOn;
    TestApp().SearchRequest.JokerChar = rule.Joker;
    if (refuseAllocations) DynArrayFailHook = [](size_t) { return true; };

    const TReplaceAllResult result = ReplaceAll(TestDoc());
    DynArrayFailHook = nullptr;
    const NaiveSearch::TReplaced expected = NaiveSearch::ReplaceAll(file, pattern, replacement, rule, start);
    const TBytes now = EngineSetup::StoredBytes();
    if (result.Cancelled) {
        // Only a growth that finds no memory ends early; it then changes nothing and says so.
        FUZZ_CHECK(refuseAllocations && replacement.size() > pattern.size() && expected.Count > 0);
        FUZZ_CHECK(result.Count == 0 && host.ErrorCount == 1);
        FUZZ_CHECK(now == file);
        FUZZ_CHECK(!TestDoc().Modified);
        return 0;
    }
    FUZZ_CHECK(result.Count == expected.Count);
    FUZZ_CHECK(now == expected.Bytes);
    FUZZ_CHECK(host.ErrorCount == 0);
    if (expected.Count > 0) {
        FUZZ_CHECK(TestDoc().Modified);
        FUZZ_CHECK(TestDoc().Search.LastReplaceAddress == expected.LastAt);
        FUZZ_CHECK(TestDoc().Search.ReplacedBytes == expected.LastHit);
    }
    return 0;
}
