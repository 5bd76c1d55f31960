// SPDX-License-Identifier: GPL-3.0-or-later
// Structures: a definition of a million fixed 16-byte records, every record's fields read, against a loop
// written by hand that reads the same fields from the same buffer; and a ZIP of 10,000 entries read until its
// tree is ready, in seconds.
#include "BenchSupport.h"
#include "RoundRatio.h"

#include "engine/structure/KsInterpreter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int Rounds = 7;
constexpr uint64_t RecordCount = 1'000'000;

const char* const RecordsKsy = R"(meta:
  id: records
  endian: le
seq:
  - id: records
    type: record
    repeat: eos
types:
  record:
    seq:
      - id: a
        type: u4
      - id: b
        type: u4
      - id: c
        type: u8
)";

std::vector<uint8_t> RecordBytes() {
    std::vector<uint8_t> bytes(RecordCount * 16);
    uint64_t state = 0x9E3779B97F4A7C15u;
    for (uint8_t& b : bytes) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        b = static_cast<uint8_t>(state);
    }
    return bytes;
}

[[noreturn]] void Stop(const char* what) {
    std::fprintf(stderr, "structure benchmark: %s\n", what);
    std::exit(1);
}

// The sum of every record's three fields, as the interpreter reads them: as plain numbers, or as values.
uint64_t SumByInterpreter(const Engine::TKsSchema& schema, const Engine::TStructInput& input, bool values) {
    Engine::TKsInterpreter interpreter(schema, input);
    const std::shared_ptr<Engine::TKsObj> root = interpreter.Parse();
    if (!root || interpreter.RootError()) Stop("the records did not read");
    const Engine::TKsValue records = interpreter.Get(*root, 0);
    const Engine::TKsArray& array = *records.Arr;
    uint64_t sum = 0;
    for (uint64_t i = 0; i < array.Size(); ++i) {
        for (int field = 0; field < 3; ++field) {
            int64_t number = 0;
            if (values || !array.Number(i, field, number)) number = array.Field(i, field).I;
            sum += static_cast<uint64_t>(number);
        }
    }
    return sum;
}

// The same fields read by a loop written for this one layout.
uint64_t SumByHand(const std::vector<uint8_t>& bytes) {
    uint64_t sum = 0;
    for (size_t at = 0; at + 16 <= bytes.size(); at += 16) {
        uint32_t a, b;
        uint64_t c;
        std::memcpy(&a, bytes.data() + at, 4);
        std::memcpy(&b, bytes.data() + at + 4, 4);
        std::memcpy(&c, bytes.data() + at + 8, 8);
        sum += a + static_cast<uint64_t>(b) + c;
    }
    return sum;
}

double RecordsRatio(bool values) {
    static const std::vector<uint8_t> bytes = RecordBytes();
    const auto schema = Engine::TKsSchema::LoadText(RecordsKsy, "records.ksy");
    const Engine::TSpanInput input(bytes);
    const uint64_t expected = SumByHand(bytes);
    const auto interpreted = [&] {
        const double start = NowSeconds();
        if (SumByInterpreter(*schema, input, values) != expected) Stop("the interpreter read other values");
        return NowSeconds() - start;
    };
    const auto byHand = [&] {
        const double start = NowSeconds();
        if (SumByHand(bytes) != expected) Stop("the hand loop read other values");
        return NowSeconds() - start;
    };
    return InterleavedRatio(interpreted, byHand, Rounds);
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// A ZIP of stored entries, each with a short name and a few bytes, and its central directory.
std::vector<uint8_t> ZipBytes(int entries) {
    std::vector<uint8_t> zip, central;
    for (int i = 0; i < entries; ++i) {
        const std::string name = "dir/file" + std::to_string(i) + ".txt";
        const std::string body = "contents of entry " + std::to_string(i) + "\n";
        const auto offset = static_cast<uint32_t>(zip.size());
        for (std::vector<uint8_t>* out : {&zip, &central}) {
            const bool local = out == &zip;
            Put32(*out, local ? 0x04034b50 : 0x02014b50);
            if (!local) Put16(*out, 20);
            Put16(*out, 20);
            Put16(*out, 0);
            Put16(*out, 0);
            Put32(*out, 0x5A210000);
            Put32(*out, 0);
            Put32(*out, static_cast<uint32_t>(body.size()));
            Put32(*out, static_cast<uint32_t>(body.size()));
            Put16(*out, static_cast<uint32_t>(name.size()));
            Put16(*out, 0);
            if (!local) {
                Put16(*out, 0);
                Put16(*out, 0);
                Put16(*out, 0);
                Put32(*out, 0);
                Put32(*out, offset);
            }
            out->insert(out->end(), name.begin(), name.end());
            if (local) out->insert(out->end(), body.begin(), body.end());
        }
    }
    const auto centralAt = static_cast<uint32_t>(zip.size());
    zip.insert(zip.end(), central.begin(), central.end());
    Put32(zip, 0x06054b50);
    Put16(zip, 0);
    Put16(zip, 0);
    Put16(zip, static_cast<uint32_t>(entries));
    Put16(zip, static_cast<uint32_t>(entries));
    Put32(zip, static_cast<uint32_t>(central.size()));
    Put32(zip, centralAt);
    Put16(zip, 0);
    return zip;
}

double ZipSeconds() {
    const std::vector<uint8_t> bytes = ZipBytes(10'000);
    const std::string root = NIBLO_FORMATS_SOURCE_DIR;
    const auto schema = Engine::TKsSchema::Load(root + "/archive/zip.ksy", {root});
    const Engine::TSpanInput input(bytes);
    std::vector<double> seconds;
    for (int round = 0; round < Rounds; ++round) {
        const double start = NowSeconds();
        Engine::TKsInterpreter interpreter(*schema, input);
        const std::shared_ptr<Engine::TKsObj> tree = interpreter.Parse();
        seconds.push_back(NowSeconds() - start);
        if (!tree || interpreter.RootError()) Stop("the ZIP did not read");
        if (interpreter.Get(*tree, 0).Arr->Size() != 20'001) Stop("the ZIP has other sections");
    }
    return Median(seconds);
}

const bool Registered = [] {
    RegisterGoal("Structure: 1M fixed 16 B records, every field read / hand-written loop", 20,
                 [] { return RecordsRatio(false); });
    RegisterGoal("Structure: the same, each field as a value / hand-written loop", 0, [] { return RecordsRatio(true); });
    RegisterGoal("Structure: ZIP of 10,000 entries, tree ready (seconds)", 1, [] { return ZipSeconds(); });
    return true;
}();

} // namespace
