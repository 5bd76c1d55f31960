// SPDX-License-Identifier: GPL-3.0-or-later
// Checksums over 1 GiB held in the engine: each algorithm alone through the Checksums dialog's worker against
// its library called directly on the same buffer, and all of them in the worker's one pass against the sum of
// their separate times less the reads of memory that the pass shares (one floor each but the first).
#include "BenchData.h"
#include "common/TestDocument.h"
#include "BenchSupport.h"
#include "RoundRatio.h"

#include "dialogs/ChecksumWorker.h"
#include "engine/store/PieceStore.h"
#include "engine/checksums/Checksums.h"
#include "engine/document/EngineState.h"

#include <QEventLoop>

#include <isa-l/crc.h>
#include <isa-l/crc64.h>
#include <libdeflate.h>
#include <openssl/evp.h>
#include <xxhash.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using K = Engine::TChecksumKind;

constexpr int64_t SumSize = int64_t{1} << 30;
// Rounds of one ratio: fewer for the slow algorithms, which take seconds over 1 GiB and vary little.
constexpr int MinRounds = 3, MaxRounds = 15;

[[noreturn]] void Wrong(const std::string& what) {
    std::fprintf(stderr, "benchmark failed: %s\n", what.c_str());
    std::exit(1);
}

// The engine holding 1 GiB of pseudo-random bytes, in place as a file in the page cache.
const std::vector<uint8_t>& SumData() {
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> made(static_cast<size_t>(SumSize));
        uint64_t state = 0x9E3779B97F4A7C15ull;
        for (size_t i = 0; i < made.size(); i += 8) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            std::memcpy(made.data() + i, &state, 8);
        }
        return made;
    }();
    return bytes;
}

void LoadSumData() {
    LoadBytesInPlace(SumData());
}

// The dialog's path: a worker over the whole file, the event loop waiting for its end.
double WorkerSeconds(const std::vector<K>& kinds, std::vector<std::string>* values = nullptr) {
    const double start = NowSeconds();
    TChecksumWorker worker(Engine::ChecksumBytes(TestDoc(), Engine::TChecksumSource::WholeFile), kinds);
    QEventLoop loop;
    QObject::connect(&worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker.start();
    loop.exec();
    const double seconds = NowSeconds() - start;
    if (!worker.Results()) Wrong("worker");
    if (values) *values = *worker.Results();
    return seconds;
}

const EVP_MD* Md(K kind) {
    switch (kind) {
    case K::Md5:
        return EVP_md5();
    case K::Sha1:
        return EVP_sha1();
    case K::Sha224:
        return EVP_sha224();
    case K::Sha256:
        return EVP_sha256();
    case K::Sha384:
        return EVP_sha384();
    case K::Sha512:
        return EVP_sha512();
    case K::Sha3_256:
        return EVP_sha3_256();
    case K::Sha3_512:
        return EVP_sha3_512();
    case K::Blake2b512:
        return EVP_blake2b512();
    case K::Blake2s256:
        return EVP_blake2s256();
    default:
        return nullptr;
    }
}

// The library called once on the whole buffer, as a program of its own would.
double DirectSeconds(K kind) {
    const uint8_t* bytes = SumData().data();
    const size_t size = SumData().size();
    const double start = NowSeconds();
    uint64_t sink = 0;
    switch (kind) {
    case K::Crc32:
        sink = libdeflate_crc32(0, bytes, size);
        break;
    case K::Crc32c:
        sink = crc32_iscsi(const_cast<uint8_t*>(bytes), int(size), 0xFFFFFFFFu); // reads only
        break;
    case K::Crc64:
        sink = crc64_ecma_refl(0, bytes, size);
        break;
    case K::Adler32:
        sink = libdeflate_adler32(1, bytes, size);
        break;
    case K::Xxh3_64:
        sink = XXH3_64bits(bytes, size);
        break;
    case K::Xxh3_128:
        sink = XXH3_128bits(bytes, size).low64;
        break;
    default: {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (EVP_Digest(bytes, size, digest, &length, Md(kind), nullptr) != 1) Wrong("EVP_Digest");
        sink = digest[0];
    }
    }
    benchmark::DoNotOptimize(sink);
    return NowSeconds() - start;
}

struct TSums {
    double Alone[Engine::ChecksumCount] = {};     // worker / direct, median of the rounds
    double PerSecond[Engine::ChecksumCount] = {}; // GB/s of the worker alone
    double OnePass = 0;                           // one pass / (sum alone - (n - 1) floors)
};

const TSums& Sums() {
    static const TSums sums = [] {
        LoadSumData();
        std::vector<K> all;
        for (int k = 0; k < Engine::ChecksumCount; ++k)
            all.push_back(K(k));
        const int n = Engine::ChecksumCount;
        // The pass gives the values the algorithms give alone.
        std::vector<std::string> together, alone;
        WorkerSeconds(all, &together);
        for (int k = 0; k < n; ++k) {
            WorkerSeconds({K(k)}, &alone);
            if (alone[0] != together[size_t(k)])
                Wrong(std::string("one pass differs in ") + Engine::ChecksumName(K(k)));
        }
        TSums result;
        std::printf("  (checksums over 1 GiB, GB/s alone in the worker:");
        for (int k = 0; k < n; ++k) {
            // The fast ones take a few hundredths of a second: more rounds, so that a moment of a shared
            // machine weighs less, within about two seconds a side.
            const int rounds = std::clamp(int(2.0 / DirectSeconds(K(k))), MinRounds, MaxRounds);
            std::vector<double> times;
            result.Alone[k] = InterleavedRatio(
                [&] {
                    times.push_back(WorkerSeconds({K(k)}));
                    return times.back();
                },
                [&] { return DirectSeconds(K(k)); }, rounds);
            result.PerSecond[k] = double(SumSize) / Median(times) / 1e9;
            std::printf(" %s %.2f;", Engine::ChecksumName(K(k)), result.PerSecond[k]);
            std::fflush(stdout);
        }
        // Each round: every algorithm alone and a floor, against the one pass, by turns.
        std::vector<double> passRatios, passTimes, floors;
        for (int round = 0; round < MinRounds; ++round) {
            auto separate = [&] {
                double sum = 0;
                for (K kind : all)
                    sum += WorkerSeconds({kind});
                floors.push_back(FloorSeconds());
                return sum - (n - 1) * floors.back();
            };
            double shared = 0, pass = 0;
            if (round % 2 == 0) {
                shared = separate();
                pass = WorkerSeconds(all);
            } else {
                pass = WorkerSeconds(all);
                shared = separate();
            }
            passTimes.push_back(pass);
            passRatios.push_back(pass / shared);
        }
        result.OnePass = Median(passRatios);
        std::printf(" all %d in one pass %.2f s, floor %.3f s)\n", n, Median(passTimes), Median(floors));
        std::fflush(stdout);
        ResetBenchEngine();
        return result;
    }();
    return sums;
}

const bool Registered = [] {
    for (int k = 0; k < Engine::ChecksumCount; ++k)
        RegisterGoal(std::string("Checksum ") + Engine::ChecksumName(K(k)) +
                         " alone: worker / library direct",
                     1.1, [k] { return Sums().Alone[k]; });
    RegisterGoal("Checksums, all 16 in one pass / (sum alone - 15 floors)", 1.1,
                 [] { return Sums().OnePass; });
    return true;
}();

} // namespace
