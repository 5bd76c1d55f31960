// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class QLocalServer;

// One window per user and settings file: a later start hands its files to the running window instead of
// opening a second one. The name is the user's and the settings file's, so that a portable copy, or a
// test with a settings file of its own, never meets another.
QString InstanceName(const std::string& settingsFile);

// Hands files (made absolute here) to the window listening on name; true when it took them. Nothing
// listening, or something that does not answer as the program does, within the time: false.
bool HandToRunningInstance(const QString& name, const std::vector<std::string>& files, int timeoutMs = 3000);

// The running window's side: takes the files later starts hand over. A socket a killed instance left
// behind is taken over; a live instance keeps its name (Listening() is then false).
class TInstanceServer : public QObject {
    Q_OBJECT
  public:
    TInstanceServer(const QString& name, QObject* parent = nullptr);
    bool Listening() const;
    std::function<void(const std::vector<std::string>& files)> OnFiles;

  private:
    QLocalServer* Server = nullptr;
    void Accept();
};
