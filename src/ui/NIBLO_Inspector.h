// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Document.h"
#include "engine/editing/Integers.h"

#include <QDockWidget>

#include <cstdint>
#include <functional>
#include <vector>

class QComboBox;
class QTableWidget;

// The data inspector: the bytes at the cursor as every type of the engine's inspector table, in a dock
// beside the panes. The window tells it when the cursor or the bytes changed, and writes what is typed.
class TInspectorPanel : public QDockWidget {
    Q_OBJECT
  public:
    explicit TInspectorPanel(QWidget* parent = nullptr);

    // The document whose bytes the panel shows.
    std::function<Engine::TDocument&()> Document;

    QComboBox* ByteOrderBox = nullptr;
    QTableWidget* Rows = nullptr;

    Engine::TByteOrder Order() const;
    // Asks for a refresh; many requests in one burst of typing or scrolling make one.
    void Follow();
    // Reads the bytes at the cursor now into the rows in view, and into alsoRow; nothing while the panel is
    // hidden.
    void Refresh(int alsoRow = -1);
    // Puts the current row's value on the clipboard.
    void CopyValue();

  signals:
    void Resized();
    // The user finished typing a value into a row.
    void ValueTyped(int row, const QString& text);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::vector<uint8_t> BytesAtCursor() const;
    bool RefreshPending = false;
};
