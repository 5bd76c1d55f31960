// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/EngineHost.h"

#include <string>

// The busy indicator for the lifetime of a scope.
class TBusyScope {
  public:
    explicit TBusyScope(const std::string& text) { Engine::Host->BusyOn(text); }
    ~TBusyScope() { Engine::Host->BusyOff(); }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;
};

// The progress box for the lifetime of a scope: destroyed in every case when the operation ends.
class TProgressScope {
  public:
    TProgressScope(const std::string& caption, const std::string& label) {
        Engine::Host->ProgressOpen(caption, label);
    }
    ~TProgressScope() { Engine::Host->ProgressClose(); }
    TProgressScope(const TProgressScope&) = delete;
    TProgressScope& operator=(const TProgressScope&) = delete;
};
