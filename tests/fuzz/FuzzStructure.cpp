// SPDX-License-Identifier: GPL-3.0-or-later
// Shipped format definitions over any bytes: reading ends (limits stop what would not), never crashes, and
// the JSON of whatever was read can always be written. The first byte picks the format, the rest is the file.
#include "FuzzSupport.h"

#include "engine/structure/KsInterpreter.h"
#include "engine/structure/StructJson.h"

#include <array>
#include <memory>
#include <string>

namespace {

constexpr std::array<const char*, 10> Formats = {
    "image/png", "image/gif", "image/bmp", "image/jpeg", "archive/zip",
    "archive/gzip", "executable/elf", "executable/microsoft_pe", "database/sqlite3", "media/wav"};

const Engine::TKsSchema& Schema(size_t index) {
    static std::array<std::unique_ptr<Engine::TKsSchema>, Formats.size()> loaded;
    if (!loaded[index]) {
        const std::string root = NIBLO_FORMATS_SOURCE_DIR;
        loaded[index] = Engine::TKsSchema::Load(root + "/" + Formats[index] + ".ksy", {root});
    }
    return *loaded[index];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const Engine::TKsSchema& schema = Schema(data[0] % Formats.size());
    Engine::TSpanInput input(std::span<const uint8_t>(data + 1, size - 1));
    // Small limits: a fuzzer's inputs are small, and what runs away must be stopped early.
    Engine::TKsLimits limits;
    limits.Work = 200'000;
    limits.Bytes = 16u << 20;
    Engine::TKsInterpreter interpreter(schema, input, limits);
    const std::shared_ptr<Engine::TKsObj> root = interpreter.Parse();
    const Engine::TKsSlot* stopped = interpreter.RootError();
    // Definitions that load are complete: only the data (or a limit) may stop them.
    FUZZ_CHECK(!stopped || stopped->ErrorKind == Engine::TKsErrorKind::Data ||
               stopped->ErrorKind == Engine::TKsErrorKind::Limit);
    FUZZ_CHECK(root || stopped);
    if (root) {
        try {
            const std::string json = Engine::StructJson(interpreter, root);
            FUZZ_CHECK(!json.empty());
        } catch (const Engine::TKsError&) {
            // A limit reached while instances were read for the JSON.
        }
    }
    return 0;
}
