// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzSupport.h"
#include "common/TestDocument.h"

#include "common/EngineSetup.h"
#include "engine/store/DynArray.h"
#include "engine/document/EngineReset.h"
#include "engine/document/EngineState.h"
#include "engine/store/SystemMemory.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

void FuzzFailure(const char* file, int line, const char* condition) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

TSilentHost& FreshEngine() {
    static TSilentHost host;
    host = TSilentHost();
    DynArrayFailHook = nullptr;
    AvailableMemoryHook = [] { return int64_t{1} << 32; };
    TestApp().Host = &host;
    TestDoc().Display = &host;
    Engine::ResetEngineState(TestDoc());
    TestDoc().View.Cols = 16;
    TestDoc().View.Rows = 4;
    TestDoc().View.PageBytes = TestDoc().View.Cols * TestDoc().View.Rows;
    return host;
}

bool OpenTight(const std::vector<uint8_t>& bytes, int32_t slack) {
    return EngineSetup::OpenBytes(bytes, std::max<int32_t>(1, static_cast<int32_t>(bytes.size()) + slack));
}
