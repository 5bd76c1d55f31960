// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/EngineHost.h"

#include <string>

// The busy indicator for the lifetime of a scope.
class TBusyScope {
  public:
    TBusyScope(TAppHost& host, const std::string& text) : Host(host) { Host.BusyOn(text); }
    ~TBusyScope() { Host.BusyOff(); }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;

  private:
    TAppHost& Host;
};

// The progress box for the lifetime of a scope: destroyed in every case when the operation ends.
class TProgressScope {
  public:
    TProgressScope(TAppHost& host, const std::string& caption, const std::string& label) : Host(host) {
        Host.ProgressOpen(caption, label);
    }
    ~TProgressScope() { Host.ProgressClose(); }
    TProgressScope(const TProgressScope&) = delete;
    TProgressScope& operator=(const TProgressScope&) = delete;

  private:
    TAppHost& Host;
};
