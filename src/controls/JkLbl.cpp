// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/JkLbl.h"

#include <QDesktopServices>
#include <QMouseEvent>

std::function<bool(const QUrl&)> TJkLbl::UrlOpener = [](const QUrl& url) {
    return QDesktopServices::openUrl(url);
};

TJkLbl::TJkLbl(const QString& caption, QWidget* parent) : QLabel(caption, parent), URL(caption) {
    LastCaption = caption;
    setCursor(Qt::PointingHandCursor);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    SetFontColor(QColor(0, 0, 255));
}

void TJkLbl::SetFontColor(const QColor& color) {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, color);
    setPalette(colours);
}

QColor TJkLbl::FontColor() const {
    return palette().color(QPalette::WindowText);
}

void TJkLbl::SetCaption(const QString& caption) {
    if (caption != LastCaption) {
        const QString url = URL.trimmed();
        if (url.isEmpty() || url == LastCaption.trimmed()) URL = caption;
    }
    LastCaption = caption;
    setText(caption);
}

static QString TrimmedTarget(const QString& target) {
    qsizetype begin = 0, end = target.size();
    while (begin < end && target[begin] <= QLatin1Char(' '))
        ++begin;
    while (end > begin && target[end - 1] <= QLatin1Char(' '))
        --end;
    return target.mid(begin, end - begin);
}

bool TJkLbl::OpenLink(const QString& target) {
    const QString trimmed = TrimmedTarget(target);
    if (trimmed.isEmpty()) return true;
    const auto startsWith = [&trimmed](const char* prefix) {
        return trimmed.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
    };
    QUrl url;
    if (startsWith("mailto:")) {
        // A contact name has blanks and angle brackets, which a mail address must carry encoded.
        url = QUrl(trimmed, QUrl::TolerantMode);
    } else if (startsWith("http:") || startsWith("https:") || trimmed.contains(QLatin1String("://"))) {
        url = QUrl(trimmed, QUrl::StrictMode);
    } else {
        // A bare "www.example.org" is a web address.
        url = QUrl(QLatin1String("https://") + trimmed, QUrl::StrictMode);
    }
    // A caption taken for the target must never start a program or open a local file.
    const QString scheme = url.scheme().toLower();
    const bool web = scheme == QLatin1String("http") || scheme == QLatin1String("https");
    if (!url.isValid() || (web && url.host().isEmpty()) || (!web && scheme != QLatin1String("mailto")))
        return false;
    if (!UrlOpener || !UrlOpener(url)) return false;
    SetFontColor(FontColorVisited);
    return true;
}

void TJkLbl::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) return;
    if (OnClick)
        OnClick(this);
    else
        OpenLink(URL);
}

void TJkLbl::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    if (OnMouseEnter) OnMouseEnter(this);
}

void TJkLbl::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    if (OnMouseLeave) OnMouseLeave(this);
}
