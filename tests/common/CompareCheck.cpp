// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/CompareCheck.h"

#include "common/MemorySource.h"

#include <random>

Engine::TStoreSnapshot PiecedSnapshot(const std::vector<uint8_t>& bytes, uint32_t seed) {
    Engine::TPieceStore store;
    store.Load(std::make_shared<TMemorySource>(bytes), static_cast<TCount>(bytes.size()));
    // Overwriting bytes with themselves moves them into the add buffer, where they are visited in place.
    std::mt19937 random(seed);
    const auto size = static_cast<TCount>(bytes.size());
    for (int i = 0; size > 0 && i < 6; ++i) {
        const TCount first = std::uniform_int_distribution<TCount>(1, size)(random);
        const TCount count =
            std::uniform_int_distribution<TCount>(1, std::min<TCount>(size - first + 1, 5000))(random);
        store.Overwrite(first,
                        std::span(bytes).subspan(static_cast<size_t>(first - 1), static_cast<size_t>(count)));
    }
    return store.Snapshot();
}

std::optional<std::vector<uint8_t>> ApplyScript(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                                                const std::vector<Compare::TDiffRun>& runs) {
    std::vector<uint8_t> made;
    TCount atA = 0, atB = 0; // 0-based: how much of each side the runs so far have covered
    auto equal = [&](TCount untilA, TCount untilB) {
        if (untilA < atA || untilB - atB != untilA - atA || untilA > static_cast<TCount>(a.size()))
            return false;
        made.insert(made.end(), a.begin() + atA, a.begin() + untilA);
        atA = untilA;
        atB = untilB;
        return true;
    };
    for (const auto& run : runs) {
        if (run.Length <= 0 || !equal(run.A - 1, run.B - 1)) return std::nullopt;
        if (atA + run.LengthA() > static_cast<TCount>(a.size()) ||
            atB + run.LengthB() > static_cast<TCount>(b.size()))
            return std::nullopt;
        made.insert(made.end(), b.begin() + atB, b.begin() + atB + run.LengthB());
        atA += run.LengthA();
        atB += run.LengthB();
    }
    if (!equal(static_cast<TCount>(a.size()), static_cast<TCount>(b.size()))) return std::nullopt;
    return made;
}

TCount ScriptSize(const std::vector<Compare::TDiffRun>& runs) {
    TCount size = 0;
    for (const auto& run : runs)
        size += run.Length;
    return size;
}
