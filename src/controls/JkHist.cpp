// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/JkHist.h"

#include "controls/Jkkompo.h"
#include "engine/settings/IniFile.h"
#include "engine/text/StringTable.h"
#include "engine/text/TextFormat.h"
#include "kit/Jkdialog.h"
#include "kit/SettingsLocation.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QChildEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyleOptionComboBox>
#include <QStylePainter>

#include <stdexcept>

namespace {

// As the file system's bytes.
std::string IniPath(const QString& fileName) {
    if (!fileName.isEmpty()) return QFile::encodeName(fileName).toStdString();
    return ProgramSettingsFile();
}

} // namespace

TJkCustomHistory::TJkCustomHistory(QWidget* parent) : QComboBox(parent) {
    setMaxVisibleItems(8);
    // The typing stays in the edit; the list is worked with the mouse or from the edit's keys.
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QComboBox::activated, this, &TJkCustomHistory::Pick);
}

QStringList TJkCustomHistory::Items() const {
    QStringList items;
    for (int i = 0; i < count(); ++i)
        items << itemText(i);
    return items;
}

void TJkCustomHistory::SetItems(const QStringList& items) {
    clear();
    addItems(items);
}

int TJkCustomHistory::IndexOfText(const QString& text, bool caseSensitive) const {
    for (int i = 0; i < count(); ++i)
        if (itemText(i).compare(text, caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0) return i;
    return -1;
}

void TJkCustomHistory::TrimHistory() {
    for (int n = count() - 1; n >= 1; --n) {
        if (itemText(n) == itemText(0)) {
            removeItem(n);
            break;
        }
    }
    while (count() > HistoryCount)
        removeItem(count() - 1);
}

void TJkCustomHistory::AddEntry(const QString& text) {
    QString entry = text;
    bool canAdd = !entry.isEmpty();
    if (OnAdd) OnAdd(this, entry, canAdd);
    if (!canAdd) return;
    const int found = IndexOfText(entry, CaseSensitive);
    if (found < 0) {
        insertItem(0, entry);
        TrimHistory();
    } else if (found > 0) {
        const QString newest = itemText(0);
        setItemText(0, itemText(found));
        setItemText(found, newest);
    }
}

void TJkCustomHistory::showPopup() {
    if (!LinkedEdit || !LinkedEdit->isEnabled() || !isEnabled() || count() == 0) return;
    // Opening the list enters its field, as clicking into it would.
    if (!LinkedEdit->hasFocus() && window()->isActiveWindow()) {
        LinkedEdit->setFocus(Qt::MouseFocusReason);
        if (!LinkedEdit->hasFocus()) return;
    }
    TrimHistory();
    QPalette palette = view()->palette();
    palette.setColor(QPalette::Base, LinkedEdit->palette().color(QPalette::Base));
    view()->setPalette(palette);
    QComboBox::showPopup();
    // As wide as the whole field: from the edit's left edge to the button's right edge.
    QWidget* popup = view()->window();
    const int left = LinkedEdit->mapToGlobal(QPoint(0, 0)).x();
    const int right = mapToGlobal(QPoint(width(), 0)).x();
    popup->setGeometry(left, popup->y(), right - left, popup->height());
}

void TJkCustomHistory::Pick(int index) {
    if (index < 0 || index >= count() || !LinkedEdit) return;
    const QString text = itemText(index);
    const int found = IndexOfText(text, false);
    // The copy on top is the newest now; the next trim removes the older one.
    if (found > 0) insertItem(0, itemText(found));
    setCurrentIndex(-1);
    LinkedEdit->setText(text);
    LinkedEdit->selectAll();
    emit Picked();
}

void TJkCustomHistory::paintEvent(QPaintEvent*) {
    // Only the drop-down button shows; the entries belong in the edit beside it.
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
}

TJkHistory::TJkHistory(QWidget* parent) : QWidget(parent), List(new TJkCustomHistory(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(List);
    List->setFixedWidth(ButtonWidth());
    connect(List, &TJkCustomHistory::Picked, this, &TJkHistory::OnChange);
    FocusWatch = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (!Leaving) return;
        Leaving = false;
        if (Edit && now != this && !isAncestorOf(now)) List->AddEntry(Edit->text());
    });
}

// The base destructor moves the focus away from dying children; this object must not hear of it.
TJkHistory::~TJkHistory() {
    disconnect(FocusWatch);
}

int TJkHistory::ButtonWidth() const {
    return (logicalDpiX() + 3) / 6 + 4;
}

void TJkHistory::SetLinkedEdit(QWidget* widget) {
    auto* edit = qobject_cast<QLineEdit*>(widget);
    if (!edit) throw std::invalid_argument(Texts::DropOnlyEdit);
    if (Edit && Edit != edit) throw std::invalid_argument(Texts::AcceptOnlyOneEdit);
    Edit = edit;
    static_cast<QHBoxLayout*>(layout())->insertWidget(0, edit, 1);
    edit->installEventFilter(this);
    setFont(edit->font());
    List->SetLinkedEdit(edit);
    List->setEnabled(edit->isEnabled());
    if (AutoColorValue) ColorByState(edit, isEnabled());
}

void TJkHistory::SetAutoColor(bool on) {
    AutoColorValue = on;
    if (on && Edit) ColorByState(Edit, isEnabled());
}

void TJkHistory::StepThroughEntries(bool down) {
    const int last = List->count() - 1;
    int i = List->IndexOfText(Edit->text(), false);
    if (i < 0)
        i = 0;
    else if (down)
        i = qMin(i + 1, last);
    else
        i = qMax(i - 1, 0);
    Edit->setText(List->itemText(i));
    Edit->selectAll();
}

bool TJkHistory::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Edit) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier)) ||
            key->key() == Qt::Key_F4) {
            List->showPopup();
            return true;
        }
        if ((key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) && List->count() > 0) {
            StepThroughEntries(key->key() == Qt::Key_Down);
            return true;
        }
        break;
    }
    case QEvent::FocusOut: {
        // A menu or another application taking the focus does not leave the field. The entry is added
        // once the focus has arrived, after the edit has finished its own leaving (a number normalizes).
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        Leaving = reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
        break;
    }
    case QEvent::EnabledChange:
        List->setEnabled(Edit->isEnabled());
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TJkHistory::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && AutoColorValue && Edit) ColorByState(Edit, isEnabled());
    QWidget::changeEvent(event);
}

void TJkHistory::childEvent(QChildEvent* event) {
    if (event->removed() && Edit && event->child() == Edit) {
        Edit->removeEventFilter(this);
        Edit = nullptr;
        List->SetLinkedEdit(nullptr);
    }
    QWidget::childEvent(event);
}

void TJkHistory::LoadHistory(const QString& fileName) {
    if (IniSection().isEmpty()) return;
    const TIniFile ini(IniPath(fileName));
    QStringList entries;
    // The settings file stripped the quotes the entries were saved in; a quoted entry keeps its own.
    for (const std::string& line : ini.ReadSectionValues(IniSection().toStdString()))
        entries << QString::fromStdString(line.substr(line.find('=') + 1));
    List->SetItems(entries);
    List->TrimHistory();
    if (Edit && List->count() > 0) Edit->setText(List->itemText(0));
}

bool TJkHistory::SaveHistory(const QString& fileName) {
    if (IniSection().isEmpty()) return true;
    const std::string path = IniPath(fileName);
    TIniFile ini(path);
    const std::string section = IniSection().toStdString();
    // One rewrite for the whole list.
    bool ok = ini.BeginUpdate() && ini.EraseSection(section);
    if (ok) {
        List->TrimHistory();
        for (int i = 0; ok && i < List->count(); ++i) {
            std::string quoted(1, '"');
            quoted += List->itemText(i).toStdString();
            quoted += '"';
            ok = ini.WriteString(section, std::to_string(i), quoted);
        }
        ok = ok && ini.Commit();
    }
    if (!ok) ErrorBox(QString::fromStdString(FormatText(Texts::UnableToWrite, {path})));
    return ok;
}
