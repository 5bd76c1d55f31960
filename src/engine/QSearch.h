#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// Called with the scan position as the scan goes on; returns true when the user cancelled.
using TProgressHook = std::function<bool(int32_t position)>;

// Bytes scanned per progress call: small enough that the gauge passes every whole percent, so that each
// 5-percent step (where Cancel is noticed) is reached.
int64_t ProgressStride(int64_t total);

// Pattern search over the buffer in place, with optional case folding (Windows-1252) and a joker byte
// that matches anything. Results are 1-based addresses; -1 none or cancelled, -2 empty pattern.
// The tables are prepared again only when the request changed.
class TQSearch {
  public:
    TQSearch();

    // First match starting at or after start and ending at or before lastAddress.
    int32_t ScanDown(const std::vector<uint8_t>& pattern, const uint8_t* bytes, int32_t lastAddress,
                     bool caseSensitive, bool jokerOn, uint8_t joker, int32_t start,
                     const TProgressHook& hook);
    // Last match ending at or before start and starting at or after firstAddress.
    int32_t ScanUp(const std::vector<uint8_t>& pattern, const uint8_t* bytes, int32_t firstAddress,
                   bool caseSensitive, bool jokerOn, uint8_t joker, int32_t start, const TProgressHook& hook);

    // The quick search as the tables describe it, one skip at a time; the fast scans must agree with it.
    int32_t QuickScanDown(const uint8_t* bytes, int32_t lastAddress, int32_t start,
                          const TProgressHook& hook) const;
    int32_t QuickScanUp(const uint8_t* bytes, int32_t firstAddress, int32_t start,
                        const TProgressHook& hook) const;
    // Prepares for a request (done by the scans themselves when it changed).
    void Prepare(const std::vector<uint8_t>& pattern, bool caseSensitive, bool jokerOn, uint8_t joker);

    std::vector<uint8_t> Pattern;
    std::vector<uint8_t> UpperPattern;
    int32_t PatternLen = 0;
    bool CaseSensitive = true;
    bool JokerEnabled = false;
    uint8_t JokerChar = 0;
    std::array<int32_t, 256> ShiftDown{};
    std::array<int32_t, 256> ShiftUp{};
    std::array<uint8_t, 256> UpperTable{};

  private:
    enum class TCompare { Exact, ExactJoker, Folded, FoldedJoker };

    bool Matches(const uint8_t* window) const;
    bool PrepareIfChanged(const std::vector<uint8_t>& pattern, bool caseSensitive, bool jokerOn,
                          uint8_t joker);
    // Window starts (0-based offsets) lo..hi; first or last match, or -1.
    int64_t FindFirst(const uint8_t* bytes, int64_t lo, int64_t hi) const;
    int64_t FindLast(const uint8_t* bytes, int64_t lo, int64_t hi) const;

    TCompare Compare = TCompare::Exact;
    bool Prepared = false;
    // The filter: two pattern positions whose byte must be one of two values (-1 = no filter possible).
    int32_t AnchorA = -1;
    int32_t AnchorB = -1;
    uint8_t AnchorAValues[2]{};
    uint8_t AnchorBValues[2]{};
    bool AllJoker = false;
};
