// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the pictures of the file dialog (picture buttons 16 x 16, volume kinds 16 x 11) at 1x and 2x
// into the folder given as the argument. Build and run with scripts/draw_dialog_pictures.sh.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace {

const QColor Ink(40, 40, 40);
const QColor Folder(232, 190, 80);
const QColor FolderEdge(150, 110, 30);
const QColor Accent(30, 100, 200);
const QColor Star(240, 180, 0);
const QColor StarEdge(160, 100, 0);

// Lines of width 1 sit on pixel centres, so they stay sharp at 1x and 2x alike.
QPen Pen(const QColor& color, qreal width = 1) {
    QPen pen(color, width);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::SquareCap);
    return pen;
}

void FolderShape(QPainter& p, qreal top) {
    QPainterPath path;
    path.moveTo(1.5, top + 1.5);
    path.lineTo(5.5, top + 1.5);
    path.lineTo(6.5, top + 2.5);
    path.lineTo(12.5, top + 2.5);
    path.lineTo(12.5, top + 10.5);
    path.lineTo(1.5, top + 10.5);
    path.closeSubpath();
    p.setPen(Pen(FolderEdge));
    p.setBrush(Folder);
    p.drawPath(path);
}

void StarShape(QPainter& p, QPointF centre, qreal outer) {
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const qreal r = i % 2 ? outer * 0.45 : outer;
        const qreal a = -M_PI / 2 + i * M_PI / 5;
        const QPointF pt(centre.x() + r * std::cos(a), centre.y() + r * std::sin(a));
        i ? path.lineTo(pt) : path.moveTo(pt);
    }
    path.closeSubpath();
    p.setPen(Pen(StarEdge));
    p.setBrush(Star);
    p.drawPath(path);
}

void Arrow(QPainter& p, qreal x, qreal top, qreal bottom, bool up) {
    p.setPen(Pen(Accent, 2));
    p.drawLine(QPointF(x, top + 1), QPointF(x, bottom));
    p.setPen(Qt::NoPen);
    p.setBrush(Accent);
    const qreal tip = up ? top - 1 : bottom + 1;
    const qreal base = up ? top + 3 : bottom - 3;
    p.drawPolygon(QPolygonF({QPointF(x, tip), QPointF(x - 3.5, base), QPointF(x + 3.5, base)}));
}

void Letters(QPainter& p, const QString& text, QRectF box, int pixelSize) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Ink);
    p.drawText(box, Qt::AlignCenter, text);
}

void Rows(QPainter& p, int left, int width, int top, int count, int step) {
    for (int i = 0; i < count; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(Accent);
        p.drawRect(QRectF(left, top + i * step, 2, 2));
        p.setBrush(Ink);
        p.drawRect(QRectF(left + 3, top + i * step, width - 3, 2));
    }
}

void Disk(QPainter& p, const QColor& body) {
    p.setPen(Pen(Ink));
    p.setBrush(body);
    p.drawRect(QRectF(0.5, 2.5, 15, 7));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 200, 40));
    p.drawRect(QRectF(12, 6, 2, 2));
}

const std::pair<const char*, std::function<void(QPainter&)>> Buttons[] = {
    {"UPDIR",
     [](QPainter& p) {
         FolderShape(p, 3);
         Arrow(p, 11.5, 1, 9, true);
     }},
    {"FAVSEARCH",
     [](QPainter& p) {
         StarShape(p, {6, 6.5}, 5.5);
         p.setPen(Pen(Ink, 1.5));
         p.setBrush(Qt::white);
         p.drawEllipse(QPointF(10.5, 10.5), 3, 3);
         p.drawLine(QPointF(12.7, 12.7), QPointF(15, 15));
     }},
    {"FAVADD",
     [](QPainter& p) {
         StarShape(p, {6.5, 7.5}, 6);
         p.setPen(Pen(Accent, 2));
         p.drawLine(QPointF(13, 9), QPointF(13, 15));
         p.drawLine(QPointF(10, 12), QPointF(16, 12));
     }},
    {"SORTNAME",
     [](QPainter& p) {
         Letters(p, QStringLiteral("A"), {0, 0, 11, 9}, 9);
         Letters(p, QStringLiteral("Z"), {0, 7, 11, 9}, 9);
         Arrow(p, 13, 2, 13, false);
     }},
    {"SORTEXT",
     [](QPainter& p) {
         Letters(p, QStringLiteral(".x"), {0, 2, 12, 12}, 10);
         Arrow(p, 13, 2, 13, false);
     }},
    {"SORTSIZE",
     [](QPainter& p) {
         p.setPen(Qt::NoPen);
         p.setBrush(Ink);
         for (int i = 0; i < 4; ++i)
             p.drawRect(QRectF(1 + i * 3, 14 - (i + 1) * 3, 2, (i + 1) * 3));
         Arrow(p, 14, 2, 13, false);
     }},
    {"SORTTIME",
     [](QPainter& p) {
         p.setPen(Pen(Ink));
         p.setBrush(Qt::white);
         p.drawEllipse(QRectF(0.5, 2.5, 11, 11));
         p.drawLine(QPointF(6, 5), QPointF(6, 8));
         p.drawLine(QPointF(6, 8), QPointF(8.5, 10));
         Arrow(p, 14, 2, 13, false);
     }},
    {"VIEWLIST",
     [](QPainter& p) {
         Rows(p, 1, 6, 3, 4, 3);
         Rows(p, 9, 6, 3, 4, 3);
     }},
    {"VIEWDETAILS", [](QPainter& p) { Rows(p, 1, 14, 3, 4, 3); }},
};

const std::pair<const char*, std::function<void(QPainter&)>> Drives[] = {
    {"DRIVE_FIXED", [](QPainter& p) { Disk(p, QColor(200, 200, 200)); }},
    {"DRIVE_REMOVABLE",
     [](QPainter& p) {
         p.setPen(Pen(Ink));
         p.setBrush(QColor(90, 140, 220));
         p.drawRect(QRectF(0.5, 2.5, 11, 6));
         p.setBrush(QColor(220, 220, 220));
         p.drawRect(QRectF(11.5, 3.5, 4, 4));
     }},
    {"DRIVE_NETWORK",
     [](QPainter& p) {
         p.setPen(Pen(Ink));
         p.setBrush(QColor(200, 200, 200));
         p.drawRect(QRectF(2.5, 0.5, 11, 5));
         p.drawLine(QPointF(8, 6), QPointF(8, 9));
         p.drawLine(QPointF(1, 9.5), QPointF(15, 9.5));
     }},
    {"DRIVE_OPTICAL",
     [](QPainter& p) {
         p.setPen(Pen(Ink));
         p.setBrush(QColor(210, 215, 230));
         p.drawEllipse(QRectF(3, 0, 10.5, 10.5));
         p.setBrush(Qt::white);
         p.drawEllipse(QRectF(6.75, 3.75, 3, 3));
     }},
    {"DRIVE_RAM",
     [](QPainter& p) {
         p.setPen(Pen(Ink));
         p.setBrush(QColor(40, 130, 70));
         p.drawRect(QRectF(0.5, 2.5, 15, 5));
         p.setPen(Qt::NoPen);
         p.setBrush(QColor(230, 190, 60));
         for (int x = 2; x < 15; x += 3)
             p.drawRect(QRectF(x, 8, 1.5, 2));
     }},
};

void Draw(const QString& dir, const char* name, QSize size, const std::function<void(QPainter&)>& paint) {
    for (int scale : {1, 2}) {
        QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        paint(p);
        p.end();
        const QString file =
            QStringLiteral("%1/%2%3.png")
                .arg(dir, QLatin1String(name), scale == 1 ? QString() : QStringLiteral("@2x"));
        if (!image.save(file)) qFatal("cannot write %s", qPrintable(file));
    }
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    for (const auto& [name, paint] : Buttons)
        Draw(dir, name, {16, 16}, paint);
    for (const auto& [name, paint] : Drives)
        Draw(dir, name, {16, 11}, paint);
    return 0;
}
