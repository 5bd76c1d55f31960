// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

// Makes its owner window a drop target for files from the desktop: it watches the owner's drag and
// drop events, collects the local file names of each drop and raises OnDrop once per drop, from the
// event loop right after the drop has been accepted.
class TFileDrop : public QObject {
    Q_OBJECT
  public:
    // An owner that is no window hooks nothing and stays disabled.
    explicit TFileDrop(QObject* owner);
    ~TFileDrop() override;

    bool Enabled() const { return EnabledValue; }
    void SetEnabled(bool on);

    std::function<void(QObject* sender)> OnDrop;
    // The full paths of the last drop as the file system's bytes, in the order the drag carried them.
    std::vector<std::string> DroppedFiles;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPointer<QWidget> Window;
    bool EnabledValue = false;
};
