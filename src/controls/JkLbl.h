// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QLabel>
#include <QString>
#include <QUrl>

#include <functional>

// A label that looks like a hyperlink (blue, underlined, hand cursor) and opens its URL when clicked.
// The URL follows the caption until it is set to something else. After a successful open the label
// turns to its visited colour.
class TJkLbl : public QLabel {
    Q_OBJECT
  public:
    explicit TJkLbl(const QString& caption = QString(), QWidget* parent = nullptr);

    // Changing the caption carries the URL along when it was empty or followed the old caption.
    void SetCaption(const QString& caption);
    QString Caption() const { return text(); }

    QString URL;
    QColor FontColorVisited = QColor(128, 0, 128);
    QColor FontColor() const;
    std::function<void(TJkLbl*)> OnMouseEnter;
    std::function<void(TJkLbl*)> OnMouseLeave;
    // When set, a click raises only this and opens nothing.
    std::function<void(TJkLbl*)> OnClick;

    // Opens target with the desktop; only http:, https: and mailto: targets are opened, anything else
    // (a local program, a file) is refused. A target without a scheme is a web address (https); a mail
    // target is percent-encoded where it needs to be. A blank target does nothing and succeeds. Returns
    // success; failures are not reported.
    bool OpenLink(const QString& target);

    // How targets reach the desktop (QDesktopServices::openUrl); tests put their own in.
    static std::function<bool(const QUrl&)> UrlOpener;

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void SetFontColor(const QColor& color);
    QString LastCaption;
};
