// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/MRUFiles.h"

#include "engine/settings/IniFile.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QMenu>

#include <algorithm>

#include <string>
#include <vector>

namespace {

// The separator the path is written with: the platform's own, or the other one when only that occurs.
// Whether two paths name the same file, as the platform compares names.
bool SamePath(const std::string& a, const std::string& b) {
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return QFile::decodeName(QByteArray::fromStdString(a))
               .compare(QFile::decodeName(QByteArray::fromStdString(b)), Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}

// A path the settings file can give back unchanged: one pair of enclosing quotes keeps blanks and quotes
// at either end; a value is cut beyond its maximum length and a line break would split it.
bool Storable(const std::string& path) {
    return !path.empty() && path.size() <= TIniFile::MaxValueLength &&
           path.find_first_of("\r\n") == std::string::npos && path.find('\0') == std::string::npos;
}

QChar SeparatorOf(const QString& path) {
    const bool slash = path.contains(u'/');
    const bool backslash = path.contains(u'\\');
    if (slash != backslash) return slash ? u'/' : u'\\';
    return QDir::separator();
}

} // namespace

QString ShortenPath(const QString& path, int maxLength) {
    if (path.size() <= maxLength) return path;
    const QChar sep = SeparatorOf(path);
    const QStringList parts = path.split(sep);
    if (parts.size() == 1) return path;
    const QString& fileName = parts.last();

    QString prefix;
    qsizetype first = 0;
    const bool drive = parts[0].size() > 1 && parts[0].endsWith(u':');
    // A single leading separator is the root folder, which stands where a drive would.
    const bool root = parts[0].isEmpty() && !parts[1].isEmpty();
    if (drive || root) {
        if (parts.size() == 2) return path;
        prefix = parts[0] + sep;
        first = 1;
    }

    QString kept;
    for (qsizetype i = parts.size() - 2; i >= first; --i) {
        const QString candidate = parts[i] + sep + kept;
        if (prefix.size() + candidate.size() + fileName.size() > maxLength - 4) break;
        kept = candidate;
    }
    QString result = prefix + QStringLiteral("...") + sep + kept + fileName;
    if (result.startsWith(QStringLiteral("...") + sep)) result.remove(0, 4);
    return result.size() < path.size() ? result : path;
}

TMRUFiles::TMRUFiles(QObject* owner) : QObject(owner) {}

TMRUFiles::~TMRUFiles() {
    SaveToIni();
}

QStringList TMRUFiles::Files() const {
    QStringList names;
    for (const std::string& path : List)
        names.append(QFile::decodeName(QByteArray::fromStdString(path)));
    return names;
}

void TMRUFiles::SetFileCount(int count) {
    if (count < int(List.size())) List.resize(size_t(std::max(count, 0)));
    FileCountValue = count;
    UpdateMenu();
}

void TMRUFiles::SetMaxLength(int length) {
    MaxLengthValue = length;
    UpdateMenu();
}

void TMRUFiles::SetShortCut(bool on) {
    ShortCutValue = on;
    UpdateMenu();
}

void TMRUFiles::SetFileMenu(QMenu* menu) {
    if (Menu && Menu != menu) {
        for (QAction* item : Menu->actions()) {
            if (item->objectName().startsWith(QLatin1String(ItemPrefix))) {
                Menu->removeAction(item);
                item->deleteLater();
            }
        }
    }
    Menu = menu;
    UpdateMenu();
}

int TMRUFiles::IndexOf(const std::string& fileName) const {
    for (size_t i = 0; i < List.size(); ++i)
        if (SamePath(List[i], fileName)) return int(i);
    return -1;
}

void TMRUFiles::MoveToTop(int index) {
    std::rotate(List.begin(), List.begin() + index, List.begin() + index + 1);
}

void TMRUFiles::AddFile(const std::string& fileName) {
    const int index = IndexOf(fileName);
    if (index >= 0) {
        MoveToTop(index);
    } else {
        List.insert(List.begin(), fileName);
        if (int(List.size()) > FileCountValue) List.resize(size_t(std::max(FileCountValue, 0)));
    }
    UpdateMenu();
}

void TMRUFiles::UpdateMenu() {
    if (!Menu) return;
    for (QAction* item : Menu->actions()) {
        if (item->objectName().startsWith(QLatin1String(ItemPrefix))) {
            Menu->removeAction(item);
            // The item may be the one whose click is being handled right now.
            item->deleteLater();
        }
    }
    if (Menu->actions().isEmpty()) Menu->menuAction()->setEnabled(!List.empty());
    const bool numbered = ShortCutValue && List.size() < 10;
    // Shortening keeps a long file name whole; its middle gives way, so that the menu keeps a sensible width.
    const QFontMetrics metrics(Menu->font());
    const int widest = metrics.averageCharWidth() * (MaxLengthValue + 10);
    Menu->setToolTipsVisible(true);
    for (size_t i = 0; i < List.size(); ++i) {
        const QString path = QFile::decodeName(QByteArray::fromStdString(List[i]));
        // An ampersand in a name is part of the name, not an accelerator.
        QString caption = metrics.elidedText(ShortenPath(path, MaxLengthValue), Qt::ElideMiddle, widest)
                              .replace(u'&', QStringLiteral("&&"));
        if (numbered) caption = QStringLiteral("&%1 ").arg(i + 1) + caption;
        auto* item = new QAction(caption, Menu);
        item->setObjectName(QLatin1String(ItemPrefix) + QString::number(i));
        item->setStatusTip(path);
        item->setToolTip(path);
        connect(item, &QAction::triggered, this, [this, item] { ItemClick(item); });
        Menu->addAction(item);
    }
}

void TMRUFiles::ItemClick(QAction* item) {
    bool ok = false;
    const int index =
        item->objectName().mid(qsizetype(std::char_traits<char>::length(ItemPrefix)), 3).toInt(&ok);
    if (!ok || index < 0 || index >= int(List.size())) return;
    // A copy: the handler may change the list.
    const std::string fileName = List[size_t(index)];
    if (OnMRUItemClick) OnMRUItemClick(item, fileName);
    const int now = IndexOf(fileName);
    if (now >= 0) MoveToTop(now);
    UpdateMenu();
}

std::string TMRUFiles::IniPath() const {
    // An empty name means the program's settings file.
    if (IniFile.compare(QLatin1String(Texts::AppIniName), Qt::CaseInsensitive) == 0) return {};
    return QFile::encodeName(IniFile).toStdString();
}

void TMRUFiles::LoadFromIni() {
    List.clear();
    std::vector<std::string> values;
    LoadListFromIni(IniPath(), IniSection.toStdString(), values);
    for (const std::string& value : values) {
        // A file edited by hand may name a file twice; the list never does.
        if (IndexOf(value) < 0) List.push_back(value);
    }
    if (int(List.size()) > FileCountValue) List.resize(size_t(std::max(FileCountValue, 0)));
    UpdateMenu();
}

void TMRUFiles::SaveToIni() const {
    std::vector<std::string> values;
    for (const std::string& path : List)
        if (Storable(path)) values.push_back('"' + path + '"');
    // Failures are not reported: the list is a convenience.
    SaveListToIni(IniPath(), IniSection.toStdString(), values);
}
