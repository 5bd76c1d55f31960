// SPDX-License-Identifier: GPL-3.0-or-later
// The toolbar button, the link label and the about box.
#include "controls/JkBtn.h"
#include "common/TestDocument.h"
#include "controls/JkLbl.h"
#include "controls/Jk_About2.h"
#include "engine/document/EngineState.h"
#include "engine/files/FileCommands.h"
#include "kit/ProgramInfo.h"
#include "support/UiTestMain.h"
#include "support/ModalAnswer.h"
#include "support/StartedEditor.h"
#include "support/TempSettings.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QPainter>
#include <QRegularExpression>
#include <QTest>
#include <QWindow>

namespace {

// A strip whose three images are told apart by colour: red (hot), grey (disabled), black (idle). The
// strip's top-left colour, silver, also marks one pixel of the idle image: it must show the face.
QImage TestStrip(int scale) {
    const int side = 16 * scale;
    QImage strip(3 * side, side, QImage::Format_RGB32);
    QPainter painter(&strip);
    painter.fillRect(0, 0, side, side, Qt::red);
    painter.fillRect(side, 0, side, side, QColor(90, 90, 90));
    painter.fillRect(2 * side, 0, side, side, Qt::black);
    painter.fillRect(0, 0, 1, 1, QColor(192, 192, 192));
    painter.fillRect(2 * side + 8 * scale, 8 * scale, scale, scale, QColor(192, 192, 192));
    return strip;
}

// What the button shows: the image (1 hot, 2 disabled, 3 idle, 0 none) and the edge ('r'aised,
// 's'unken, 'f'lat), read from its pixels.
QString Shown(TJkBtn* button) {
    const QImage image = button->grab().toImage();
    const QPalette& palette = button->palette();
    const QRgb picture = image.pixel(5, 5);
    const int shown = picture == QColor(Qt::red).rgb()      ? 1
                      : picture == QColor(90, 90, 90).rgb() ? 2
                      : picture == QColor(Qt::black).rgb()  ? 3
                                                            : 0;
    const QRgb corner = image.pixel(0, 0);
    const char edge = corner == palette.color(QPalette::Light).rgb()    ? 'r'
                      : corner == palette.color(QPalette::Dark).rgb()   ? 's'
                      : corner == palette.color(QPalette::Button).rgb() ? 'f'
                                                                        : '?';
    return QString::number(shown) + QLatin1Char(edge);
}

// The pointer and its buttons go through the platform, as a user's would: the cursor moves (so the
// button can ask where it is after a click) and presses land on the window.
struct TPointer {
    QWidget* Host;
    void MoveTo(QPoint p) {
        QCursor::setPos(Host->mapToGlobal(p));
        QCoreApplication::processEvents();
    }
    QPoint At() const { return Host->mapFromGlobal(QCursor::pos()); }
    void Press(Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(Host->windowHandle(), button, {}, At());
    }
    void Release(Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseRelease(Host->windowHandle(), button, {}, At());
    }
    void DoubleClick() { QTest::mouseDClick(Host->windowHandle(), Qt::LeftButton, {}, At()); }
};

} // namespace

class TestChrome : public QObject {
    Q_OBJECT
  private slots:
    void init() { Settings.Fresh(); }
    void cleanupTestCase() { Settings.Release(); }
    void buttonFollowsTheMouse();
    void buttonDrawsItsOwnTwiceAsLargeGlyph();
    void linkUrlFollowsTheCaption();
    void linkOpensOnlyWebAndMailTargets();
    void aboutBoxShowsTheMemoryState();
    void aboutBoxNamesVersionAuthorsAndLicence();
    void contactLinkOfAMailOrAWebAddress_data();
    void contactLinkOfAMailOrAWebAddress();

  private:
    TTempSettings Settings;
};

void TestChrome::buttonFollowsTheMouse() {
    QWidget host;
    host.resize(120, 60);
    auto* button = new TJkBtn(&host);
    button->setGeometry(20, 20, 25, 25);
    button->SetGlyph(TestStrip(1));
    int clicks = 0;
    connect(button, &QToolButton::clicked, [&clicks] { ++clicks; });
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));

    TPointer pointer{&host};
    const QPoint inside(30, 30), outside(90, 30), edge(20, 20);
    pointer.MoveTo(outside);

    struct TStep {
        const char* What;
        std::function<void()> Act;
        int Clicks;
        const char* Shows;
    };
    const std::vector<TStep> steps = {
        {"idle", [] {}, 0, "3f"},
        {"enter", [&] { pointer.MoveTo(inside); }, 0, "1r"},
        {"press", [&] { pointer.Press(); }, 0, "1s"},
        {"release inside clicks, stays hot", [&] { pointer.Release(); }, 1, "1r"},
        {"press again", [&] { pointer.Press(); }, 1, "1s"},
        {"drag off", [&] { pointer.MoveTo(outside); }, 1, "3f"},
        {"drag back: raised, not pressed", [&] { pointer.MoveTo(inside); }, 1, "1r"},
        {"release after dragging back does not click", [&] { pointer.Release(); }, 1, "1r"},
        {"press on the edge", [&] { pointer.MoveTo(edge), pointer.Press(); }, 1, "1s"},
        {"drag off and release outside", [&] { pointer.MoveTo(outside), pointer.Release(); }, 1, "3f"},
        {"right button does not click",
         [&] { pointer.MoveTo(inside), pointer.Press(Qt::RightButton), pointer.Release(Qt::RightButton); }, 1,
         "1r"},
        {"double click clicks twice", [&] { pointer.DoubleClick(); }, 3, "1r"},
        {"disabled while hovered", [&] { button->setEnabled(false); }, 3, "2f"},
        {"disabled ignores presses", [&] { pointer.Press(), pointer.Release(); }, 3, "2f"},
        {"disabled ignores leaving", [&] { pointer.MoveTo(outside); }, 3, "2f"},
        {"disabled ignores entering", [&] { pointer.MoveTo(inside); }, 3, "2f"},
        {"enabled while hovered is hot", [&] { button->setEnabled(true); }, 3, "1r"},
        {"press before disabling", [&] { pointer.Press(); }, 3, "1s"},
        {"disabled while held", [&] { button->setEnabled(false); }, 3, "2f"},
        {"released while disabled", [&] { pointer.Release(); }, 3, "2f"},
        {"enabled again: hot, no longer pressed", [&] { button->setEnabled(true); }, 3, "1r"},
        {"leave", [&] { pointer.MoveTo(outside); }, 3, "3f"},
    };
    for (const TStep& step : steps) {
        step.Act();
        QCOMPARE(clicks, step.Clicks);
        QVERIFY2(Shown(button) == QLatin1String(step.Shows),
                 qPrintable(QStringLiteral("%1: shows %2, expected %3")
                                .arg(QLatin1String(step.What), Shown(button), QLatin1String(step.Shows))));
    }

    // The transparent colour shows the face.
    const QImage idle = button->grab().toImage();
    QCOMPARE(QColor(idle.pixel(4 + 8, 4 + 8)), button->palette().color(QPalette::Button));
    QCOMPARE(QColor(idle.pixel(4 + 9, 4 + 8)), QColor(Qt::black));
}

void TestChrome::buttonDrawsItsOwnTwiceAsLargeGlyph() {
    QTemporaryDir dir;
    QImage single = TestStrip(1);
    QImage twice = TestStrip(2);
    // The large strip tells itself apart: its idle image is blue.
    QPainter(&twice).fillRect(64, 0, 32, 32, Qt::blue);
    QVERIFY(single.save(dir.filePath(QStringLiteral("GLYPH.png"))));
    QVERIFY(twice.save(dir.filePath(QStringLiteral("GLYPH@2x.png"))));

    TJkBtn button;
    button.resize(25, 25);
    QVERIFY(button.LoadGlyph(dir.filePath(QStringLiteral("GLYPH.png"))));
    QVERIFY(!button.LoadGlyph(dir.filePath(QStringLiteral("MISSING.png"))));
    QImage atTwo(50, 50, QImage::Format_ARGB32);
    atTwo.setDevicePixelRatio(2);
    button.render(&atTwo);
    // The 32-pixel image fills the 16-point picture at (4, 4).
    QCOMPARE(QColor(atTwo.pixel(9, 9)), QColor(Qt::blue));
    QCOMPARE(QColor(atTwo.pixel(39, 39)), QColor(Qt::blue));
    QCOMPARE(QColor(atTwo.pixel(41, 41)), button.palette().color(QPalette::Button));
    QCOMPARE(QColor(button.grab().toImage().pixel(5, 5)), QColor(Qt::black));
}

void TestChrome::linkUrlFollowsTheCaption() {
    // Captions set one after another, with the URL set by hand before some of them.
    struct TStep {
        const char* Url; // nullptr: leave the URL alone
        const char* Caption;
        const char* ExpectedUrl;
    };
    const std::vector<TStep> steps = {
        {nullptr, "a@b.example", "a@b.example"},
        {nullptr, "c@d.example", "c@d.example"},         // followed the caption, keeps following
        {"  ", "e@f.example", "e@f.example"},            // blank: takes the caption
        {" e@f.example ", "g@h.example", "g@h.example"}, // equal to the caption apart from blanks
        {"https://niblo.example/", "i@j.example", "https://niblo.example/"}, // set apart: stays
        {nullptr, "k@l.example", "https://niblo.example/"},
        {"", "k@l.example", ""}, // the same caption: no change at all
    };
    TJkLbl label;
    for (const TStep& step : steps) {
        if (step.Url) label.URL = QString::fromLatin1(step.Url);
        label.SetCaption(QString::fromLatin1(step.Caption));
        QCOMPARE(label.Caption(), QString::fromLatin1(step.Caption));
        QCOMPARE(label.URL, QString::fromLatin1(step.ExpectedUrl));
    }
}

void TestChrome::linkOpensOnlyWebAndMailTargets() {
    QList<QUrl> opened;
    bool desktopSucceeds = true;
    const auto saved = TJkLbl::UrlOpener;
    TJkLbl::UrlOpener = [&](const QUrl& url) {
        opened << url;
        return desktopSucceeds;
    };

    struct TCase {
        const char* Target;
        bool Success;
        bool Handed;                // reaches the desktop
        const char* Sent = nullptr; // what the desktop gets, when it differs from the target
    };
    const std::vector<TCase> cases = {
        {"https://niblo.example/", true, true},
        {"HTTP://niblo.example/a?b=c", true, true, "http://niblo.example/a?b=c"},
        {"MailTo:someone@niblo.example?subject=niblo", true, true,
         "mailto:someone@niblo.example?subject=niblo"},
        {"www.niblo.example", true, true, "https://www.niblo.example"},
        {"niblo.example:8080/a", true, true, "https://niblo.example:8080/a"},
        {"mailto:Jo Smith <jo@niblo.example>?subject=niblo x", true, true,
         "mailto:Jo%20Smith%20%3Cjo@niblo.example%3E?subject=niblo%20x"},
        {" \t\r\n", true, false}, // blank: nothing to do
        {"", true, false},
        {"/usr/bin/xterm", false, false},
        {"file:///etc/passwd", false, false},
        {"xterm -e sh", false, false},
        {"javascript:alert(1)", false, false},
        {"smb://server/share", false, false},
        {"c:\\windows\\notepad.exe", false, false},
    };
    for (const TCase& c : cases) {
        TJkLbl label;
        opened.clear();
        QCOMPARE(label.OpenLink(QString::fromLatin1(c.Target)), c.Success);
        QCOMPARE(opened.size(), c.Handed ? 1 : 0);
        if (c.Handed) QCOMPARE(opened[0].toEncoded(), QByteArray(c.Sent ? c.Sent : c.Target));
        // Only a real open turns the link purple.
        QCOMPARE(label.FontColor(), c.Handed ? QColor(128, 0, 128) : QColor(0, 0, 255));
    }

    // A click opens the URL each time; a failed open keeps the colour; OnClick replaces opening.
    QWidget host;
    auto* label = new TJkLbl(QStringLiteral("someone@niblo.example"), &host);
    label->URL = QStringLiteral("mailto:someone@niblo.example");
    label->resize(200, 20);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    opened.clear();
    desktopSucceeds = false;
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(opened.size(), 1);
    QCOMPARE(label->FontColor(), QColor(0, 0, 255));
    desktopSucceeds = true;
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(opened.size(), 3);
    QCOMPARE(label->FontColor(), QColor(128, 0, 128));
    int ownClicks = 0;
    label->OnClick = [&ownClicks](TJkLbl*) { ++ownClicks; };
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(ownClicks, 1);
    QCOMPARE(opened.size(), 3);

    TJkLbl::UrlOpener = saved;
}

void TestChrome::aboutBoxShowsTheMemoryState() {
    TStartedEditor editor(SampleBytes(1234567));
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    auto aboutText = [&editor](QString* caption, QString* url) {
        QString info;
        WithNextModal([&](QWidget* box) {
            info = box->findChild<QLabel*>(QStringLiteral("LabelInfo"))->text();
            *caption = box->windowTitle();
            *url = box->findChild<TJkLbl*>(QStringLiteral("JkLblMail"))->URL;
            QVERIFY(!box->findChild<QLabel*>(QStringLiteral("Image2"))->pixmap().isNull());
            QTest::keyClick(box, Qt::Key_Escape);
        });
        editor.Form.Button(TCommand::JkBtnInfo)->click();
        return info;
    };
    QString caption, url;
    const QString capacity = QLocale(QLocale::English).toString(TestDoc().Store.AddedBytes());
    QCOMPARE(aboutText(&caption, &url),
             QStringLiteral("Current file size: 1,234,567 bytes\nMemory allocated: %1 bytes").arg(capacity));
    QCOMPARE(
        caption,
        QStringLiteral("Info about %1 %2").arg(program.section(QLatin1Char('.'), 0, 0), ProgramVersion()));
    QCOMPARE(url, ProgramContact());

    // Close leaves the allocation as it was.
    editor.Run(TCommand::Close1);
    QCOMPARE(aboutText(&caption, &url),
             QStringLiteral("Current file size: 0 bytes\nMemory allocated: %1 bytes").arg(capacity));
}

void TestChrome::aboutBoxNamesVersionAuthorsAndLicence() {
    TStartedEditor editor(SampleBytes(10));
    QString caption, notice, licence, licenceUrl;
    QRect box;
    QList<QRect> parts;
    WithNextModal([&](QWidget* about) {
        caption = about->windowTitle();
        notice = about->findChild<QLabel*>(QStringLiteral("LabelCopyR"))->text();
        licence = about->findChild<TJkLbl*>(QStringLiteral("JkLblLicence"))->Caption();
        licenceUrl = about->findChild<TJkLbl*>(QStringLiteral("JkLblLicence"))->URL;
        box = about->rect();
        for (const char* name : {"LabelCopyR", "JkLblMail", "JkLblLicence", "LabelInfo", "BitBtn1"})
            parts << about->findChild<QWidget*>(QLatin1String(name))->geometry();
        QTest::keyClick(about, Qt::Key_Escape);
    });
    editor.Run(TCommand::Info1);
    QCOMPARE(caption.section(QLatin1Char(' '), -1), ProgramVersion());
    QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$")).match(ProgramVersion()).hasMatch());
    QCOMPARE(notice, ProgramNotice());
    QCOMPARE(licence, QStringLiteral("GNU GPL, version 3 or later"));
    QCOMPARE(licenceUrl, QStringLiteral("https://www.gnu.org/licenses/gpl-3.0.html"));
    // Every text is whole inside the box (a wider stand-in font widens it); the licence has a line of its own
    // between the contact and the memory text.
    QCOMPARE(parts.size(), 5);
    for (const QRect& part : parts)
        QVERIFY(box.contains(part));
    QVERIFY(parts[2].top() > parts[1].bottom() && parts[3].top() > parts[2].bottom());
}

void TestChrome::contactLinkOfAMailOrAWebAddress_data() {
    QTest::addColumn<QString>("contact");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("url");
    QTest::newRow("mail") << "someone@example.org"
                          << "someone@example.org"
                          << "mailto:someone@example.org?subject=niblo";
    QTest::newRow("https") << "https://github.com/niblo/niblo"
                           << "github.com/niblo/niblo"
                           << "https://github.com/niblo/niblo";
    QTest::newRow("http") << "http://niblo.example"
                          << "niblo.example"
                          << "http://niblo.example";
    QTest::newRow("web address with @") << "https://example.org/@niblo"
                                        << "example.org/@niblo"
                                        << "https://example.org/@niblo";
}

void TestChrome::contactLinkOfAMailOrAWebAddress() {
    QFETCH(QString, contact);
    QFETCH(QString, caption);
    QFETCH(QString, url);
    QCOMPARE(ContactLink(contact, QStringLiteral("niblo")), std::make_pair(caption, url));
}

NIBLO_UI_TEST(TestChrome)
#include "tst_chrome.moc"
