// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/NumberDialog.h"

// Enter jump width: the distance of Jump down and Jump up.
class TFormJump : public TNumberDialog {
    Q_OBJECT
  public:
    explicit TFormJump(QWidget* parent = nullptr);

  protected:
    std::optional<int64_t> Take(int64_t n) const override;
};
