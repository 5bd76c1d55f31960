// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/NumberDialog.h"
#include "engine/document/Commands.h"

// Block with <n> chars: the size of a block that starts at the cursor.
class TFormBlockN : public TNumberDialog {
    Q_OBJECT
  public:
    explicit TFormBlockN(QWidget* parent = nullptr);

    static constexpr int HelpContext = HelpBlock;

  protected:
    std::optional<int64_t> Take(int64_t n) const override;
};
