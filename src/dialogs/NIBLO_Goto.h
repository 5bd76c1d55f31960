// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/NumberDialog.h"
#include "engine/document/Navigation.h"

class TRadioGroup;

// Go to address: an absolute address as the user sees it, or a distance down or up from the cursor.
class TFormGoto : public TNumberDialog {
    Q_OBJECT
  public:
    explicit TFormGoto(QWidget* parent = nullptr);

    static constexpr int HelpContext = 54;
    TRadioGroup* RadioGroupGoMode = nullptr;

    Engine::TGoMode GoMode() const;
    void SetGoMode(Engine::TGoMode mode);

  protected:
    std::optional<int64_t> Take(int64_t n) const override;
};
