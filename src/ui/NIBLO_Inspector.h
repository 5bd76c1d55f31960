#pragma once

#include <QDockWidget>

class QComboBox;
class QTableWidget;

// The data inspector: the bytes at the cursor as every type of the engine's inspector table, in a dock
// beside the panes. It only reads; the window tells it when the cursor or the bytes changed.
class TInspectorPanel : public QDockWidget {
    Q_OBJECT
  public:
    explicit TInspectorPanel(QWidget* parent = nullptr);

    QComboBox* ByteOrderBox = nullptr;
    QTableWidget* Rows = nullptr;

    // Asks for a refresh; many requests in one burst of typing or scrolling make one.
    void Follow();
    // Reads the bytes at the cursor now; nothing while the panel is hidden.
    void Refresh();

  signals:
    void Resized();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    bool RefreshPending = false;
};
