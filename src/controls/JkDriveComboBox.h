// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QComboBox>
#include <QString>

#include <vector>

// The kinds of volume a picture is shown for.
enum class TDriveKind { Removable, Fixed, Network, Optical, Ram };

// A mounted volume: where it is mounted (bytes), the name shown beside it, and its kind.
struct TVolume {
    QByteArray Root;
    QString Label;
    TDriveKind Kind = TDriveKind::Fixed;
};

// The volume selector of the file dialog: the mounted volumes, each with a picture of its kind. A pick
// whose root cannot be listed is refused with a message; the selector then goes back to the volume it
// last accepted (or the root file system) and passes that on.
class TJkDriveComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit TJkDriveComboBox(QWidget* parent = nullptr);

    // The mounted volumes as the system reports them now.
    static std::vector<TVolume> MountedVolumes();
    void SetVolumes(const std::vector<TVolume>& volumes);
    // Selects the volume that holds path (the one with the longest matching mount point) and accepts it.
    void SelectDriveOf(const QByteArray& path);
    // The mount point of the selected volume.
    QByteArray Drive() const;

  signals:
    // A volume was picked and accepted (or the selector fell back to one); root is its mount point.
    void DriveChanged(const QByteArray& root);

  private:
    void DriveActivated(int index);
    int IndexOfRoot(const QByteArray& root) const;

    QByteArray Remembered;
};

// The kind of a volume by its file system and device.
TDriveKind DriveKindOf(const QByteArray& fileSystemType, const QByteArray& device, const QByteArray& root);
