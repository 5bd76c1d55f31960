// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/checksums/Checksums.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class TChecksumWorker;
class TProgressBox;

// Checksums: which bytes (the marked block or the whole file), the algorithms to run with a check box
// each, and beside each its value once computed, with a copy button. Compute runs the chosen algorithms
// in one pass on a worker thread under the progress box; "Compare with" marks the value that equals a
// pasted digest. The dialog changes no byte; the chosen algorithms are kept in the settings file.
class TFormChecksums : public QDialog {
    Q_OBJECT
  public:
    explicit TFormChecksums(QWidget* parent = nullptr);
    ~TFormChecksums() override;

    QGroupBox* GroupBoxBytes = nullptr;
    QRadioButton* RadioButtonBlock = nullptr; // shown only while a block is marked
    QRadioButton* RadioButtonFile = nullptr;
    QGroupBox* GroupBoxAlgorithms = nullptr;
    std::array<QCheckBox*, Engine::ChecksumCount> Checks{};
    std::array<QLineEdit*, Engine::ChecksumCount> Values{};
    std::array<QToolButton*, Engine::ChecksumCount> CopyButtons{};
    QLineEdit* EditCompare = nullptr;
    QLabel* LabelCompare = nullptr;
    QPushButton* ButtonCompute = nullptr;
    QPushButton* ButtonCopyAll = nullptr;
    QPushButton* ButtonClose = nullptr;
    QPushButton* ButtonHelp = nullptr;

    // Told true when the worker starts and false once it has ended: meanwhile the window keeps every
    // command that changes bytes off.
    std::function<void(bool running)> OnRunning;

    void ButtonComputeClick();
    void ButtonCopyAllClick();
    // Marks the rows whose value equals the digest in EditCompare and says which, or that none does.
    void Compare();
    // The progress box of the pass that runs now (null when none runs).
    TProgressBox* ProgressBox() const { return Progress; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildLayout();
    void LoadChoice();
    void FollowChoice(); // Compute only while something is ticked
    bool SaveChoice();
    void ClearValues();
    void WorkerFinished();

    std::unique_ptr<TChecksumWorker> Worker;
    TProgressBox* Progress = nullptr;
    std::vector<Engine::TChecksumKind> RunKinds;
};
