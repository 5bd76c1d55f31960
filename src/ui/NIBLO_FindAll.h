// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/search/FindAll.h"

#include <QDockWidget>
#include <QMetaType>
#include <QString>
#include <QThread>

#include <atomic>
#include <memory>
#include <vector>

class QLabel;
class QListWidget;

// One listed hit: where it is, and its line as the list shows it and as Copy gives it.
struct TListedHit {
    Engine::TFoundHit Hit;
    QString Line;
    QString CopyLine;
};
Q_DECLARE_METATYPE(std::vector<TListedHit>)

// The thread that runs Find all over a snapshot, which the user's changes do not reach. It reads the
// bytes around each kept hit itself, so that the window only adds lines.
class TFindAllWorker : public QThread {
    Q_OBJECT
  public:
    TFindAllWorker(Engine::TStoreSnapshot snapshot, std::shared_ptr<const Engine::TFindPattern> pattern,
                   size_t maxRows, int addressBase, QObject* parent = nullptr);
    ~TFindAllWorker() override; // cancels a search still running and waits for it

    void Cancel() { CancelFlag.store(true, std::memory_order_relaxed); }
    const Engine::TFindAllResult& Result() const { return Outcome; }

  signals:
    void Progressed(int percent);
    void Found(const std::vector<TListedHit>& rows, qint64 count);

  protected:
    void run() override;

  private:
    Engine::TStoreSnapshot Snapshot;
    std::shared_ptr<const Engine::TFindPattern> Pattern;
    size_t MaxRows;
    int AddressBase;
    std::atomic<bool> CancelFlag{false};
    Engine::TFindAllResult Outcome;
};

// The hits of the last Find all, docked below the panes: a click or Enter goes to a hit.
class TFindAllPanel : public QDockWidget {
    Q_OBJECT
  public:
    explicit TFindAllPanel(QWidget* parent = nullptr);

    QLabel* CountLabel = nullptr;
    QListWidget* List = nullptr;
    std::vector<Engine::TFoundHit> Hits; // one per line of List

    void Clear();
    void Add(const std::vector<TListedHit>& rows, qint64 count);
    // The count line once the search ended.
    void Finish(qint64 count, bool cut, bool cancelled);
    // Address and hex of every listed hit, a line each.
    QString CopyText() const;
    // The listed hit after (before) address, or -1.
    int NextRow(int64_t address, bool down) const;

  signals:
    void Chosen(Engine::TFoundHit hit);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QStringList CopyLines;
};
