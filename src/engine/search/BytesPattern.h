// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/search/FindPattern.h"
#include "engine/search/SearchRequest.h"

#include <memory>
#include <string>

// The bytes Find looks for (case folding and joker as there) as a pattern for Find all, and the pattern of
// whatever kind the request names.
namespace Engine {

class TBytesPattern final : public TFindPattern {
  public:
    explicit TBytesPattern(const TSearchRequest& request) : Request(request) {}
    size_t MaxLength() const override { return Request.Pattern.size(); }
    std::unique_ptr<TFindMatcher> NewMatcher() const override;

  private:
    TSearchRequest Request;
};

// Null with error set to the message for the user when the request cannot be searched for.
std::unique_ptr<TFindPattern> MakeFindPattern(const TSearchRequest& request, std::string& error);

} // namespace Engine
