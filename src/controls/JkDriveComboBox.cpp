// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/JkDriveComboBox.h"

#include "engine/files/Paths.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "kit/Jkdialog.h"

#include <QFile>
#include <QIcon>
#include <QStorageInfo>

namespace {

QString PictureOf(TDriveKind kind) {
    switch (kind) {
    case TDriveKind::Removable:
        return QStringLiteral(":/DRIVE_REMOVABLE.png");
    case TDriveKind::Network:
        return QStringLiteral(":/DRIVE_NETWORK.png");
    case TDriveKind::Optical:
        return QStringLiteral(":/DRIVE_OPTICAL.png");
    case TDriveKind::Ram:
        return QStringLiteral(":/DRIVE_RAM.png");
    case TDriveKind::Fixed:
        break;
    }
    return QStringLiteral(":/DRIVE_FIXED.png");
}

bool Holds(const QByteArray& root, const QByteArray& path) {
    if (root == "/") return path.startsWith('/');
    return path == root || path.startsWith(root + '/');
}

} // namespace

TDriveKind DriveKindOf(const QByteArray& fileSystemType, const QByteArray& device, const QByteArray& root) {
    const QByteArray type = fileSystemType.toLower();
    if (type.startsWith("nfs") || type.startsWith("cifs") || type.startsWith("smb") || type == "9p" ||
        type.contains("sshfs") || type == "afs" || type.startsWith("ceph") || type == "davfs")
        return TDriveKind::Network;
    if (type == "iso9660" || type == "udf") return TDriveKind::Optical;
    if (type == "tmpfs" || type == "ramfs") return TDriveKind::Ram;
    // Desktops mount sticks and cards under /media or /run/media; a card reader's device says so too.
    if (root.startsWith("/media/") || root.startsWith("/run/media/") || device.startsWith("/dev/mmcblk"))
        return TDriveKind::Removable;
    return TDriveKind::Fixed;
}

TJkDriveComboBox::TJkDriveComboBox(QWidget* parent) : QComboBox(parent) {
    setIconSize(QSize(16, 11));
    SetVolumes(MountedVolumes());
    connect(this, &QComboBox::activated, this, &TJkDriveComboBox::DriveActivated);
}

std::vector<TVolume> TJkDriveComboBox::MountedVolumes() {
    std::vector<TVolume> volumes;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        if (!info.isValid()) continue;
        const QByteArray root = QFile::encodeName(info.rootPath());
        volumes.push_back({root, info.name(), DriveKindOf(info.fileSystemType(), info.device(), root)});
    }
    std::sort(volumes.begin(), volumes.end(),
              [](const TVolume& a, const TVolume& b) { return a.Root < b.Root; });
    return volumes;
}

void TJkDriveComboBox::SetVolumes(const std::vector<TVolume>& volumes) {
    clear();
    for (const TVolume& volume : volumes) {
        QString text = QFile::decodeName(volume.Root);
        if (!volume.Label.isEmpty()) text += QStringLiteral(" [%1]").arg(volume.Label);
        addItem(QIcon(PictureOf(volume.Kind)), text, volume.Root);
    }
    // The root file system is always there to fall back on.
    if (IndexOfRoot("/") < 0)
        insertItem(0, QIcon(PictureOf(TDriveKind::Fixed)), QStringLiteral("/"), QByteArray("/"));
    if (Remembered.isEmpty() || IndexOfRoot(Remembered) < 0) Remembered = "/";
    setCurrentIndex(IndexOfRoot(Remembered));
}

int TJkDriveComboBox::IndexOfRoot(const QByteArray& root) const {
    for (int i = 0; i < count(); ++i)
        if (itemData(i).toByteArray() == root) return i;
    return -1;
}

QByteArray TJkDriveComboBox::Drive() const {
    return currentIndex() < 0 ? QByteArray("/") : currentData().toByteArray();
}

void TJkDriveComboBox::SelectDriveOf(const QByteArray& path) {
    int best = -1;
    for (int i = 0; i < count(); ++i) {
        const QByteArray root = itemData(i).toByteArray();
        if (Holds(root, path) && (best < 0 || root.size() > itemData(best).toByteArray().size())) best = i;
    }
    if (best < 0) best = IndexOfRoot("/");
    setCurrentIndex(best);
    Remembered = Drive();
}

void TJkDriveComboBox::DriveActivated(int index) {
    const QByteArray root = itemData(index).toByteArray();
    if (!DirectoryFound(root.toStdString())) {
        ErrorBox(QFile::decodeName(
            QByteArray::fromStdString(FormatText(Texts::DiskCantBeRead, {root.toStdString()}))));
        const bool rememberedFound = IndexOfRoot(Remembered) >= 0 && DirectoryFound(Remembered.toStdString());
        setCurrentIndex(IndexOfRoot(rememberedFound ? Remembered : QByteArray("/")));
    }
    Remembered = Drive();
    emit DriveChanged(Remembered);
}
