// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>
#include <unistd.h>

// Permissions do not bind root, and CI runs the tests as root. While a TOrdinaryUser lives, a process
// running as root takes the part of the user "nobody" (effective user id only), so that a write-protected
// file or folder refuses it as it would refuse any user. The program checks permissions against the
// effective user id, so its checks see the same refusal.
class TOrdinaryUser {
  public:
    TOrdinaryUser() : WasRoot(geteuid() == 0) {
        if (WasRoot) Ok = seteuid(Nobody) == 0;
    }
    ~TOrdinaryUser() {
        // Every later test would run in the wrong part.
        if (WasRoot && Ok && seteuid(0) != 0) std::abort();
    }
    TOrdinaryUser(const TOrdinaryUser&) = delete;
    TOrdinaryUser& operator=(const TOrdinaryUser&) = delete;

    // false when root could not be given up (the test must then be skipped)
    bool Active() const { return Ok; }

  private:
    static constexpr uid_t Nobody = 65534;
    bool WasRoot;
    bool Ok = true;
};
