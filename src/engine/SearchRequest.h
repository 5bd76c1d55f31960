#pragma once

#include <cstdint>
#include <vector>

// What the Find, Count and Replace dialogs ask for; kept between commands.
struct TSearchRequest {
    std::vector<uint8_t> Pattern;
    std::vector<uint8_t> Replacement;
    bool CaseSensitive = true;
    bool JokerEnabled = false;
    uint8_t JokerChar = 0x2E;
    bool PatternAsText = false;
    bool ReplacementAsText = false;
    bool SearchDown = true;
};

namespace Engine {
extern TSearchRequest SearchRequest;
}
