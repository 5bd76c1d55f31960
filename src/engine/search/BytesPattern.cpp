// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/search/BytesPattern.h"

#include "engine/search/NumberPattern.h"
#include "engine/search/QSearch.h"
#include "engine/search/RegexPattern.h"
#include "engine/search/UnicodePattern.h"
#include "engine/text/StringTable.h"

#include <algorithm>

namespace Engine {

namespace {

class TBytesMatcher final : public TFindMatcher {
  public:
    explicit TBytesMatcher(const TSearchRequest& request) {
        Search.Prepare(request.Pattern, request.CaseSensitive, request.JokerEnabled, request.JokerChar);
    }
    std::optional<TWindowHit> First(const TSearchWindow& window, size_t from, size_t to) override {
        const size_t length = Search.Pattern.size();
        if (window.Bytes.size() < length) return std::nullopt;
        // A hit must end inside the window.
        to = std::min(to, window.Bytes.size() - length + 1);
        if (from >= to) return std::nullopt;
        const int64_t at = Search.FindFirst(window.Bytes.data(), int64_t(from), int64_t(to) - 1);
        if (at < 0) return std::nullopt;
        return TWindowHit{size_t(at), length};
    }

  private:
    TQSearch Search;
};

} // namespace

std::unique_ptr<TFindMatcher> TBytesPattern::NewMatcher() const {
    return std::make_unique<TBytesMatcher>(Request);
}

std::unique_ptr<TFindPattern> MakeFindPattern(const TSearchRequest& request, std::string& error) {
    using TKind = TSearchRequest::TKind;
    switch (request.Kind) {
    case TKind::Bytes:
        if (request.Pattern.empty()) {
            error = Texts::CantFindEmptyString;
            return nullptr;
        }
        return std::make_unique<TBytesPattern>(request);
    case TKind::Number: {
        const TNumberRequest number{request.Value, TNumberKind(request.NumberKind), request.NumberWidth,
                                    TNumberOrder(request.NumberOrder), request.Tolerance, request.Alignment};
        return TNumberPattern::Make(number, error);
    }
    case TKind::Unicode:
        return TUnicodePattern::Make(request.Value, TTextEncoding(request.Encoding), request.CaseSensitive, error);
    case TKind::Regex:
        return TRegexPattern::Make(request.Value, request.CaseSensitive, DefaultLongestMatch, error);
    }
    return nullptr;
}

} // namespace Engine
